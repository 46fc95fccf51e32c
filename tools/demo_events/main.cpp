// demo_events: plays the system's part in the demo. Sends device-change
// broadcasts to the helper the way the system does, raises a "System
// Settings Change" box for the helper to answer, and waits for or closes the
// windows of the demo's programs.
#include <windows.h>
#include <dbt.h>
#include <initguid.h>
#include <usbiodef.h>

#include "../shared/console.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kProgram[] = "demo_events";
const char kHelperClass[] = "VexoPeluMPHelper";
const char kSettingsChangeTitle[] = "System Settings Change";

const char kUsage[] =
    "usage: demo_events wait-window CLASS [SECONDS]   wait until a window of CLASS exists\n"
    "       demo_events close CLASS                   send WM_CLOSE to the window of CLASS\n"
    "       demo_events usb arrival|removal           device-interface broadcast to the helper\n"
    "       demo_events settings-box [SECONDS]        show the System Settings Change box and\n"
    "                                                 report how it was answered\n"
    "       demo_events debug-log [SECONDS]           print other programs' debug output with\n"
    "                                                 time stamps, as a debug viewer does\n"
    "       demo_events wait-debug-log [SECONDS]      wait until that viewer listens\n";

HWND WaitForWindow(const char* className, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (true) {
        if (HWND window = FindWindowA(className, nullptr)) return window;
        if (GetTickCount() - start >= timeoutMs) return nullptr;
        Sleep(50);
    }
}

DWORD Seconds(const std::vector<std::string>& args, size_t index, DWORD fallback)
{
    if (index >= args.size()) return fallback * 1000;
    int value = std::atoi(args[index].c_str());
    return static_cast<DWORD>(value > 0 ? value : static_cast<int>(fallback)) * 1000;
}

int WaitWindow(const std::vector<std::string>& args)
{
    if (args.size() < 2) return PrintError(kProgram, "wait-window needs a class name"), 2;
    if (WaitForWindow(args[1].c_str(), Seconds(args, 2, 10))) return 0;
    PrintError(kProgram, "no window of class " + args[1] + " appeared");
    return 1;
}

int Close(const std::vector<std::string>& args)
{
    if (args.size() < 2) return PrintError(kProgram, "close needs a class name"), 2;
    HWND window = FindWindowA(args[1].c_str(), nullptr);
    if (!window) return PrintError(kProgram, "no window of class " + args[1]), 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
}

// What the system sends for a USB stick: the device-interface record of the
// USB device class with the device's path appended.
int Usb(const std::vector<std::string>& args)
{
    bool arrival = args.size() > 1 && args[1] == "arrival";
    bool removal = args.size() > 1 && args[1] == "removal";
    if (!arrival && !removal) return PrintError(kProgram, "usb needs arrival or removal"), 2;
    HWND helper = FindWindowA(kHelperClass, nullptr);
    if (!helper) return PrintError(kProgram, "the helper is not running (no window " + std::string(kHelperClass) + ")"), 1;

    const char path[] = "\\\\?\\USB#VID_0781&PID_5567#4C530001230519107484#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
    std::vector<char> buffer(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + sizeof(path));
    auto* record = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(buffer.data());
    record->dbcc_size = static_cast<DWORD>(buffer.size());
    record->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    record->dbcc_classguid = GUID_DEVINTERFACE_USB_DEVICE;
    std::memcpy(record->dbcc_name, path, sizeof(path));

    WPARAM event = arrival ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE;
    PrintStamped(std::string("USB ") + (arrival ? "arrival" : "removal") + ": WM_DEVICECHANGE to the helper");
    DWORD_PTR result = 0;
    // A timeout, so that a stuck receiver cannot hang the demo.
    if (!SendMessageTimeoutA(helper, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(record), SMTO_ABORTIFHUNG, 5000,
                             &result))
        return PrintError(kProgram, "the helper did not take the broadcast: " + SystemErrorText(GetLastError())), 1;
    return 0;
}

DWORD WINAPI BoxWatchdog(LPVOID timeoutMs)
{
    Sleep(static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(timeoutMs)));
    PrintError(kProgram, "nobody answered the System Settings Change box");
    ExitProcess(1);
}

int SettingsBox(const std::vector<std::string>& args)
{
    DWORD timeoutMs = Seconds(args, 1, 10);
    CreateThread(nullptr, 0, BoxWatchdog, reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(timeoutMs)), 0, nullptr);
    PrintStamped("\"System Settings Change\" box shown: restart now? Yes/No");
    int answer = MessageBoxA(nullptr,
                             "You must restart your computer before the new settings will take effect.\n\n"
                             "Do you want to restart your computer now?",
                             kSettingsChangeTitle, MB_YESNO | MB_ICONQUESTION);
    if (answer == IDNO) {
        PrintStamped("the box was answered No");
        return 0;
    }
    PrintError(kProgram, "the box returned " + std::to_string(answer) + ", not No");
    return 1;
}

// The DBWIN protocol of debug-output viewers: each OutputDebugStringA of
// another process lands in the shared buffer (process id, then the text).
int DebugLog(const std::vector<std::string>& args)
{
    DWORD lifetimeMs = Seconds(args, 1, 120);
    HANDLE bufferReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    HANDLE dataReady = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
    if (!bufferReady || !dataReady || !mapping)
        return PrintError(kProgram, "cannot set up the debug-output buffer: " + SystemErrorText(GetLastError())), 1;
    const char* view = static_cast<const char*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 4096));
    if (!view) return PrintError(kProgram, "cannot map the debug-output buffer: " + SystemErrorText(GetLastError())), 1;

    DWORD start = GetTickCount();
    SetEvent(bufferReady);
    while (GetTickCount() - start < lifetimeMs) {
        if (WaitForSingleObject(dataReady, 200) != WAIT_OBJECT_0) continue;
        std::string text(view + sizeof(DWORD), strnlen(view + sizeof(DWORD), 4096 - sizeof(DWORD)));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        PrintStamped(text);
        SetEvent(bufferReady);
    }
    return 0;
}

// The viewer's buffer exists once it listens; a writer that comes a moment
// early waits for the buffer-ready event rather than losing its text.
int WaitDebugLog(const std::vector<std::string>& args)
{
    DWORD timeoutMs = Seconds(args, 1, 10);
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "DBWIN_BUFFER");
        if (mapping) {
            CloseHandle(mapping);
            return 0;
        }
        Sleep(50);
    }
    return PrintError(kProgram, "no debug-output viewer listens"), 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string command = args.empty() ? "" : args[0];
    if (command == "wait-window") return WaitWindow(args);
    if (command == "close") return Close(args);
    if (command == "usb") return Usb(args);
    if (command == "settings-box") return SettingsBox(args);
    if (command == "debug-log") return DebugLog(args);
    if (command == "wait-debug-log") return WaitDebugLog(args);
    std::fputs(kUsage, command.empty() || command == "--help" ? stdout : stderr);
    return command.empty() || command == "--help" ? 0 : 2;
}
