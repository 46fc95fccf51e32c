// sample_host: the reference host tool. Copy this when integrating Quorlin.dll
// and the helper:
//  - own a top-level window of class "VexoPeluRERovaing" (the helper finds it
//    by class and sends it 0x101C for every drive arrival and removal);
//  - load Quorlin.dll with LoadLibrary and bind the exports by their
//    decorated names;
//  - open the link, then start the receive worker;
//  - in the callback, copy the argument and post it to the window thread;
//    do the real work (sending, closing) there;
//  - close the link before the window goes away, and keep the DLL loaded
//    until the process ends.
#include <winsock2.h>
#include <windows.h>

#include "../shared/console.h"
#include "exports/quorlin.h"
#include "host_options.h"

#include <atomic>
#include <cstdio>

namespace {

const char kProgram[] = "sample_host";
const char kWindowClass[] = "VexoPeluRERovaing";
constexpr UINT WM_DRIVE_CHANGE = 0x101C;
// wParam: the CALLBACKCOMMAND; lParam: a std::string* the window thread frees.
constexpr UINT WM_QUORLIN_COMMAND = WM_APP + 1;

struct Quorlin {
    HMODULE module = nullptr;
    quorlin::InitialClientFn initialClient = nullptr;
    quorlin::SendTextFn sendViaLan = nullptr;
    quorlin::RecvStartFn recvFromServer = nullptr;
    quorlin::CloseFn closeConnection = nullptr;
    quorlin::InitialComFn initialCom = nullptr;
    quorlin::SendTextFn sendViaCom = nullptr;
    quorlin::RecvStartFn recvFromCom = nullptr;
    quorlin::CloseFn closeCom = nullptr;
};

template <typename Fn>
bool Bind(HMODULE module, const char* name, Fn& out, std::string& missing)
{
    out = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!out && missing.empty()) missing = name;
    return out != nullptr;
}

// Empty on success, else the reason.
std::string LoadQuorlin(Quorlin& dll)
{
    dll.module = LoadLibraryA("Quorlin.dll");
    if (!dll.module) return "cannot load Quorlin.dll: " + SystemErrorText(GetLastError());
    std::string missing;
    Bind(dll.module, quorlin::kInitialClientName, dll.initialClient, missing);
    Bind(dll.module, quorlin::kSendViaLanName, dll.sendViaLan, missing);
    Bind(dll.module, quorlin::kRecvFromServerName, dll.recvFromServer, missing);
    Bind(dll.module, quorlin::kCloseConnectionName, dll.closeConnection, missing);
    Bind(dll.module, quorlin::kInitialComName, dll.initialCom, missing);
    Bind(dll.module, quorlin::kSendViaComName, dll.sendViaCom, missing);
    Bind(dll.module, quorlin::kRecvFromComName, dll.recvFromCom, missing);
    Bind(dll.module, quorlin::kCloseComName, dll.closeCom, missing);
    if (!missing.empty()) return "Quorlin.dll has no export " + missing + " (built with another compiler?)";
    return {};
}

struct Host {
    HostOptions options;
    Quorlin dll;
    bool linkOpen = false;
};

Host g_host;
// The callback runs on the library's worker and reads this; it is set before
// the worker starts and cleared before the window goes away.
std::atomic<HWND> g_window{nullptr};

// Runs on the library's worker thread. The argument is valid only during this
// call, so it is copied. Nothing here calls back into the library: a send
// could block the worker behind an error box, and a close from the worker
// would wait on the worker itself. The window thread does that work.
unsigned char OnQuorlinCallback(CALLBACKCOMMAND code, void* argument)
{
    auto* text = new std::string(argument ? static_cast<const char*>(argument) : "");
    HWND window = g_window.load();
    if (!window || !PostMessageA(window, WM_QUORLIN_COMMAND, static_cast<WPARAM>(code), reinterpret_cast<LPARAM>(text)))
        delete text;
    return 1;
}

BOOL WINAPI OnConsoleControl(DWORD)
{
    HWND window = g_window.load();
    if (window) PostMessageA(window, WM_CLOSE, 0, 0);
    return TRUE;
}

std::string LinkName(const HostOptions& options)
{
    return options.serial ? "COM" + std::to_string(options.comPort)
                          : options.serverAddress + ":" + std::to_string(options.port);
}

// Empty on success. On failure the library has already shown its box.
std::string OpenLink(Host& host)
{
    const HostOptions& options = host.options;
    if (options.serial) {
        ComArguments com = ComArgumentsFor(options);
        if (!host.dll.initialCom(com.portIndex, com.baudCode, com.eightDataBits, com.stopBits, com.parity))
            return "cannot open " + LinkName(options) + " (Quorlin.dll reported why in its box)";
        PrintStamped("opened " + LinkName(options) + " (" + DescribeLine(options.line) + ")");
    } else {
        std::string address = options.serverAddress;
        if (!host.dll.initialClient(&address[0], options.port))
            return "cannot connect to " + LinkName(options) + " (Quorlin.dll reported why in its box)";
        PrintStamped("connected to " + LinkName(options));
    }
    host.linkOpen = true;

    // The library copies the initial text into its accumulator; an empty one
    // means every message stands alone.
    std::string initial;
    if (options.serial) host.dll.recvFromCom(initial, OnQuorlinCallback);
    else host.dll.recvFromServer(initial, OnQuorlinCallback);
    PrintStamped("receive worker started");
    return {};
}

void CloseLink(Host& host)
{
    if (!host.linkOpen) return;
    host.linkOpen = false;
    bool closed = host.options.serial ? host.dll.closeCom() : host.dll.closeConnection();
    PrintStamped(closed ? "link closed" : "closing the link failed");
}

void OnCommand(CALLBACKCOMMAND code, std::string* argument)
{
    PrintStamped("callback " + CommandName(code) + ", argument \"" + Printable(*argument) + "\"");
    if (code == CMD_TEST_DONE && g_host.linkOpen) {
        std::string result = ResultTextFor(*argument);
        const Quorlin& dll = g_host.dll;
        bool sent = g_host.options.serial ? dll.sendViaCom(result) : dll.sendViaLan(result);
        PrintStamped(sent ? "answered TEST_DONE: sent \"" + result + "\"" : "answering TEST_DONE failed");
    }
    delete argument;
}

void OnDriveChange(WPARAM state)
{
    PrintStamped(DriveChangeText(state));
}

void OnClose(HWND window)
{
    // Stop new callbacks from reaching the window before it goes.
    g_window = nullptr;
    CloseLink(g_host);
    DestroyWindow(window);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_QUORLIN_COMMAND:
        OnCommand(static_cast<CALLBACKCOMMAND>(wParam), reinterpret_cast<std::string*>(lParam));
        return 0;
    case WM_DRIVE_CHANGE:
        // Sent synchronously by the helper: keep it short.
        OnDriveChange(wParam);
        return 0;
    case WM_CLOSE:
        OnClose(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND CreateHostWindow(HINSTANCE instance)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassA(&windowClass)) return nullptr;
    // A hidden top-level window: FindWindowA finds it, a message-only window
    // it would not.
    return CreateWindowA(kWindowClass, "Quorlin sample host", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 320,
                         200, nullptr, nullptr, instance, nullptr);
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    HostParseOutcome outcome = ParseHostArgs(args, g_host.options);
    if (outcome.kind == HostParseOutcome::Help) {
        std::fputs(kHostUsage, stdout);
        return 0;
    }
    if (outcome.kind == HostParseOutcome::Error) {
        PrintError(kProgram, outcome.error + " (sample_host --help shows the usage)");
        return 1;
    }

    HWND window = CreateHostWindow(GetModuleHandleA(nullptr));
    if (!window) {
        PrintError(kProgram, "cannot create the window " + std::string(kWindowClass) + ": " + SystemErrorText(GetLastError()));
        return 1;
    }
    g_window = window;
    PrintStamped("window " + std::string(kWindowClass) + " ready");

    std::string error = LoadQuorlin(g_host.dll);
    if (error.empty()) {
        PrintStamped("Quorlin.dll loaded, 8 exports bound by their decorated names");
        error = OpenLink(g_host);
    }
    if (!error.empty()) {
        PrintError(kProgram, error);
        g_window = nullptr;
        DestroyWindow(window);
        return 1;
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    PrintStamped("done");
    // Quorlin.dll stays loaded: a worker may still be leaving the library.
    return 0;
}
