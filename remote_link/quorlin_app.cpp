#include "quorlin_app.h"

#include "command_parser.h"
#include "resource.h"

#include <winsock2.h>
#include <windows.h>

#include <memory>

namespace {

HINSTANCE g_module = nullptr;

DWORD WINAPI WorkerMain(void* parameter)
{
    std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
    try {
        (*body)();
    } catch (...) {
        // Out of memory in a worker ends that worker, not the host.
    }
    body.reset();
    FreeLibraryAndExitThread(g_module, 0);
    return 0;
}

// The text is Traditional Chinese: the wide functions show it on any code
// page.
void ShowStartupFailure()
{
    wchar_t text[256] = L"";
    LoadStringW(g_module, IDS_SOCKETS_INIT_FAILED, text, 256);
    MessageBoxW(nullptr, text, L"Quorlin", MB_OK | MB_ICONEXCLAMATION);
}

// The socket layer stays started for the life of the DLL. Load-time work is
// kept to this one call; the box only shows when it fails.
bool StartUp()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        ShowStartupFailure();
        return false;
    }
    return true;
}

}  // namespace

std::string FormatSystemError(unsigned long code)
{
    char text[1024] = "";
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text), nullptr);
    if (length == 0) return "Error " + std::to_string(code) + ".";
    return TrimWhiteSpace(std::string(text, length));
}

void ShowErrorBox(const std::string& text)
{
    MessageBoxA(nullptr, text.c_str(), "Error", MB_OK | MB_ICONERROR);
}

bool StartWorker(std::function<void()> body)
{
    HMODULE pinned = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&WorkerMain), &pinned))
        return false;
    auto* heapBody = new std::function<void()>(std::move(body));
    HANDLE thread = CreateThread(nullptr, 0, WorkerMain, heapBody, 0, nullptr);
    if (!thread) {
        delete heapBody;
        FreeLibrary(pinned);
        return false;
    }
    CloseHandle(thread);
    return true;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*)
{
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    g_module = instance;
    DisableThreadLibraryCalls(instance);
    return StartUp() ? TRUE : FALSE;
}
