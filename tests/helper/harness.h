// What the helper's end-to-end tests stand on: the debugger output as a debug
// viewer reads it, child processes with their own environment, a stand-in for
// the host tool's window, and the per-program Windows version of Wine.
#ifndef VEXO_TEST_HELPER_HARNESS_H
#define VEXO_TEST_HELPER_HARNESS_H

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

constexpr DWORD kWait = 10000;
// For what may first wait on Wine: the first window of a fresh prefix starts
// the desktop process, and a debug-output writer left over from an earlier
// test program may hold the session's DBWIN mutex for up to 10 s.
constexpr DWORD kStartWait = 40000;

// Polls until done() holds or timeoutMs passes; returns the last answer.
template <typename Done>
bool WaitUntil(Done done, DWORD timeoutMs = kWait)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) return done();
        Sleep(10);
    }
    return true;
}

// Reads every OutputDebugStringA text of the session through the DBWIN
// protocol. Only one reader can exist per session at a time.
class DebugOutput {
public:
    DebugOutput();
    ~DebugOutput();
    DebugOutput(const DebugOutput&) = delete;
    DebugOutput& operator=(const DebugOutput&) = delete;
    bool ready() const { return ready_; }

    std::vector<std::string> From(DWORD pid);
    std::vector<std::string> All();
    bool WaitFor(DWORD pid, const std::string& text, DWORD timeoutMs = kStartWait);
    size_t Count(DWORD pid, const std::string& text);

private:
    void Run();

    HANDLE bufferReady_ = nullptr;
    HANDLE dataReady_ = nullptr;
    HANDLE mapping_ = nullptr;
    const char* view_ = nullptr;
    bool ready_ = false;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::pair<DWORD, std::string>> texts_;
    std::thread thread_;
};

// The one reader of this test program, kept for its whole life: a writer
// that finds the DBWIN objects of a reader that is just going away waits
// 10 s for it while holding the session's DBWIN mutex, which would stall
// every other writer of the session.
DebugOutput& SessionDebugOutput();

// A child process, ended on destruction if it still runs.
class Child {
public:
    Child() = default;
    explicit Child(const std::string& commandLine, const std::string& directory = "");
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD pid() const { return pid_; }
    bool Running() const;
    // True when the process ended within timeoutMs; its exit code in *code.
    bool WaitExit(DWORD timeoutMs, DWORD* code);
    // Top-level windows of the given class that this process owns.
    std::vector<HWND> WindowsOfClass(const char* className) const;
    HWND FindWindowOfClass(const char* className) const;

protected:
    bool Adopt(DWORD pid);

    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// Starts a Windows program of the build folder in a new Wine process whose
// Unix environment has LANG set. Wine takes a process's locale from its Unix
// environment, and a Windows parent's environment block doesn't reach it, so
// the start goes through /bin/sh; the Windows process is found afterwards
// through its window. False when the start failed.
bool StartUnderLang(const std::string& program, const std::string& arguments, const std::string& lang);

// The real helper.exe, built next to the test program. With a LANG it is
// started under that locale.
class HelperProcess : public Child {
public:
    explicit HelperProcess(const std::string& lang = "", const std::string& directory = "");
    ~HelperProcess();

    bool launched() const { return launched_; }
    HWND WaitForWindow(DWORD timeoutMs = kStartWait);
    // Asks the helper to end as the host would; true with its exit code when it did.
    bool Close(DWORD* code);

private:
    bool launched_ = false;
};

// The test tool that shows one message box with the caption given as bytes
// and a text of its own, by which the box is found, and that reports the
// box's result on the debugger output.
class BoxOpener {
public:
    BoxOpener(const std::string& captionBytes, const std::string& lang = "");
    // Answers the box if it is still open and lets its report get through.
    ~BoxOpener();

    bool launched() const { return launched_; }
    // The box once it is on screen, or null.
    HWND WaitForBox(DWORD timeoutMs = kStartWait);
    bool IsOpen();
    // The value MessageBoxA returned, or -1 when the box didn't end in time.
    int WaitResult(DebugOutput& log, DWORD timeoutMs = kStartWait);

private:
    HWND Find();

    std::string token_;
    bool launched_ = false;
    HWND box_ = nullptr;
};

// GetSystemDefaultUILanguage() as a child started under this LANG sees it.
int UiLanguageUnder(DebugOutput& log, const std::string& lang);

std::string TestProgramDirectory();

// A top-level window on its own thread that records the messages the helper
// may send it: 0x101C, WM_COMMAND and WM_CLOSE. By default it stands in for
// the host tool (class "VexoPeluRERovaing").
class HostWindow {
public:
    explicit HostWindow(const char* className = "VexoPeluRERovaing", const char* title = "test host");
    ~HostWindow();
    bool ready() const { return window_ != nullptr; }

    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Message> Received();
    bool WaitForCount(size_t count, DWORD timeoutMs = kWait);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE created);

    std::string className_;
    std::string title_;
    std::atomic<HWND> window_{nullptr};
    std::mutex mutex_;
    std::vector<Message> received_;
    std::thread thread_;
};

// Sets the Windows version Wine reports to helper.exe alone, through
// HKCU\Software\Wine\AppDefaults\helper.exe; removed again on destruction.
class HelperWindowsVersion {
public:
    explicit HelperWindowsVersion(const char* version);
    ~HelperWindowsVersion();
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

#endif
