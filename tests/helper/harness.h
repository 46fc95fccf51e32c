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
// The first window of a fresh Wine prefix starts the desktop process first.
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
    bool ready() const { return ready_; }

    std::vector<std::string> From(DWORD pid);
    bool WaitFor(DWORD pid, const std::string& text, DWORD timeoutMs = kWait);
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

// A child process, ended on destruction if it still runs.
class Child {
public:
    // lang empty: the child inherits this process's environment unchanged.
    Child(const std::string& commandLine, const std::string& lang = "", const std::string& directory = "");
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD pid() const { return pid_; }
    bool Running() const;
    // True when the process ended within timeoutMs; its exit code in *code.
    bool WaitExit(DWORD timeoutMs, DWORD* code);
    // A top-level window of the given class that this process owns, or null.
    HWND FindWindowOfClass(const char* className) const;
    std::vector<HWND> WindowsOfClass(const char* className) const;

protected:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// The real helper.exe, built next to the test program.
class HelperProcess : public Child {
public:
    explicit HelperProcess(const std::string& lang = "", const std::string& directory = "");
    ~HelperProcess();

    HWND WaitForWindow(DWORD timeoutMs = kStartWait) const;
    // Asks the helper to end as the host would; true with its exit code when it did.
    bool Close(DWORD* code);
};

// The test tool that shows one message box with the caption given as bytes.
class BoxOpener : public Child {
public:
    BoxOpener(const std::string& captionBytes, const std::string& lang = "");
    // The box once it is on screen, or null.
    HWND WaitForBox(DWORD timeoutMs = kStartWait) const;
};

// GetSystemDefaultUILanguage() as a child with this LANG sees it.
DWORD UiLanguageUnder(const std::string& lang);

std::string TestProgramDirectory();

// Stands in for the host tool: a top-level window of class
// "VexoPeluRERovaing" on its own thread that records every 0x101C.
class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    bool ready() const { return window_ != nullptr; }

    struct Message {
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Message> Received();
    bool WaitForCount(size_t count, DWORD timeoutMs = kWait);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(HANDLE created);

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
