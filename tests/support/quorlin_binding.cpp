#include "quorlin_binding.h"

#include <tlhelp32.h>

#include <chrono>

namespace {

template <typename Fn>
void Bind(HMODULE module, const char* name, Fn& out)
{
    out = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::mutex g_mutex;
std::condition_variable g_arrived;
std::vector<ReceivedCommand> g_commands;

}  // namespace

bool QuorlinBinding::Load()
{
    module = LoadLibraryA("Quorlin.dll");
    if (!module) return false;
    Bind(module, quorlin::kInitialClientName, initialClient);
    Bind(module, quorlin::kSendViaLanName, sendViaLan);
    Bind(module, quorlin::kRecvFromServerName, recvFromServer);
    Bind(module, quorlin::kCloseConnectionName, closeConnection);
    Bind(module, quorlin::kInitialComName, initialCom);
    Bind(module, quorlin::kSendViaComName, sendViaCom);
    Bind(module, quorlin::kRecvFromComName, recvFromCom);
    Bind(module, quorlin::kCloseComName, closeCom);
    return true;
}

unsigned char CallbackRecorder::Callback(CALLBACKCOMMAND code, void* argument)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_commands.push_back({code, static_cast<const char*>(argument), GetCurrentThreadId()});
    g_arrived.notify_all();
    return 1;
}

void CallbackRecorder::Clear()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_commands.clear();
}

std::vector<ReceivedCommand> CallbackRecorder::Commands()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_commands;
}

bool CallbackRecorder::WaitFor(size_t count, DWORD timeoutMs)
{
    std::unique_lock<std::mutex> lock(g_mutex);
    return g_arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [count] { return g_commands.size() >= count; });
}

int ThreadCount()
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

bool WaitForThreadCount(int count, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (ThreadCount() <= count) return true;
        Sleep(20);
    }
    return ThreadCount() <= count;
}
