// Binds Quorlin.dll the way a host tool does: LoadLibrary, then GetProcAddress
// with the decorated names. Plus a recorder for the host callback.
#ifndef VEXO_TEST_QUORLIN_BINDING_H
#define VEXO_TEST_QUORLIN_BINDING_H

#include <windows.h>

#include "exports/quorlin.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

struct QuorlinBinding {
    HMODULE module = nullptr;
    quorlin::InitialClientFn initialClient = nullptr;
    quorlin::SendTextFn sendViaLan = nullptr;
    quorlin::RecvStartFn recvFromServer = nullptr;
    quorlin::CloseFn closeConnection = nullptr;
    quorlin::InitialComFn initialCom = nullptr;
    quorlin::SendTextFn sendViaCom = nullptr;
    quorlin::RecvStartFn recvFromCom = nullptr;
    quorlin::CloseFn closeCom = nullptr;

    // Loads the DLL beside the test program and binds every export it finds.
    bool Load();
};

struct ReceivedCommand {
    CALLBACKCOMMAND code;
    std::string argument;
    DWORD threadId;
};

// The host callback records into one process-wide list.
class CallbackRecorder {
public:
    static unsigned char Callback(CALLBACKCOMMAND code, void* argument);
    static void Clear();
    static std::vector<ReceivedCommand> Commands();
    // True once at least count callbacks arrived.
    static bool WaitFor(size_t count, DWORD timeoutMs);
};

// Number of threads the current process has.
int ThreadCount();
// Waits until the process has at most count threads.
bool WaitForThreadCount(int count, DWORD timeoutMs);

#endif
