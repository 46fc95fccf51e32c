#include "harness.h"

#include <cstring>

namespace {

constexpr char kHelperWindowClass[] = "VexoPeluMPHelper";
constexpr char kHostWindowClass[] = "VexoPeluRERovaing";
constexpr UINT kDriveChangeMessage = 0x101C;

// The child's environment: ours, with LANG replaced and every LC_ variable
// dropped so that nothing overrides it. Wine builds the child's locale from it.
std::vector<char> EnvironmentWithLang(const std::string& lang)
{
    std::vector<char> block;
    char* strings = GetEnvironmentStringsA();
    for (const char* entry = strings; *entry; entry += strlen(entry) + 1) {
        const std::string s(entry);
        if (s.rfind("LANG=", 0) == 0 || s.rfind("LANGUAGE=", 0) == 0 || s.rfind("LC_", 0) == 0) continue;
        block.insert(block.end(), s.begin(), s.end());
        block.push_back('\0');
    }
    FreeEnvironmentStringsA(strings);
    const std::string own = "LANG=" + lang;
    block.insert(block.end(), own.begin(), own.end());
    block.push_back('\0');
    block.push_back('\0');
    return block;
}

struct WindowSearch {
    DWORD pid;
    const char* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context)
{
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    if (pid == search->pid && strcmp(name, search->className) == 0) search->found.push_back(window);
    return TRUE;
}

std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

}  // namespace

std::string TestProgramDirectory()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string s(path);
    return s.substr(0, s.find_last_of('\\'));
}

// ---- DebugOutput

DebugOutput::DebugOutput()
{
    bufferReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    dataReady_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
    if (mapping_) view_ = static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 4096));
    ready_ = bufferReady_ && dataReady_ && view_;
    if (ready_) thread_ = std::thread([this] { Run(); });
}

DebugOutput::~DebugOutput()
{
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (view_) UnmapViewOfFile(view_);
    for (HANDLE h : {mapping_, dataReady_, bufferReady_}) {
        if (h) CloseHandle(h);
    }
}

void DebugOutput::Run()
{
    while (!stop_) {
        SetEvent(bufferReady_);
        if (WaitForSingleObject(dataReady_, 50) != WAIT_OBJECT_0) continue;
        DWORD pid = 0;
        memcpy(&pid, view_, sizeof(pid));
        const char* text = view_ + sizeof(pid);
        std::lock_guard<std::mutex> lock(mutex_);
        texts_.emplace_back(pid, std::string(text, strnlen(text, 4096 - sizeof(pid))));
    }
}

std::vector<std::string> DebugOutput::From(DWORD pid)
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (const auto& [from, text] : texts_) {
        if (from == pid) out.push_back(text);
    }
    return out;
}

size_t DebugOutput::Count(DWORD pid, const std::string& text)
{
    size_t n = 0;
    for (const std::string& t : From(pid)) n += t == text;
    return n;
}

bool DebugOutput::WaitFor(DWORD pid, const std::string& text, DWORD timeoutMs)
{
    return WaitUntil([&] { return Count(pid, text) > 0; }, timeoutMs);
}

// ---- Child

Child::Child(const std::string& commandLine, const std::string& lang, const std::string& directory)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    std::vector<char> environment;
    if (!lang.empty()) environment = EnvironmentWithLang(lang);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0,
                       environment.empty() ? nullptr : environment.data(),
                       directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        pid_ = info.dwProcessId;
    }
}

Child::~Child()
{
    if (!process_) return;
    if (Running()) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, kWait);
    }
    CloseHandle(process_);
}

bool Child::Running() const
{
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Child::WaitExit(DWORD timeoutMs, DWORD* code)
{
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(process_, code) != FALSE;
}

std::vector<HWND> Child::WindowsOfClass(const char* className) const
{
    WindowSearch search{pid_, className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Child::FindWindowOfClass(const char* className) const
{
    const std::vector<HWND> found = WindowsOfClass(className);
    return found.empty() ? nullptr : found.front();
}

// ---- HelperProcess

HelperProcess::HelperProcess(const std::string& lang, const std::string& directory)
    : Child("\"" + TestProgramDirectory() + "\\helper.exe\"", lang, directory)
{
}

HelperProcess::~HelperProcess()
{
    // A helper left running would hold the mutex and spoil the next test.
    DWORD code = 0;
    if (Running()) Close(&code);
}

HWND HelperProcess::WaitForWindow(DWORD timeoutMs) const
{
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindWindowOfClass(kHelperWindowClass)) != nullptr || !Running(); }, timeoutMs);
    return window;
}

bool HelperProcess::Close(DWORD* code)
{
    HWND window = FindWindowOfClass(kHelperWindowClass);
    if (!window) return false;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return WaitExit(kWait, code);
}

// ---- BoxOpener

BoxOpener::BoxOpener(const std::string& captionBytes, const std::string& lang)
    : Child("\"" + TestProgramDirectory() + "\\helper_box_opener.exe\" " + Hex(captionBytes), lang)
{
}

HWND BoxOpener::WaitForBox(DWORD timeoutMs) const
{
    HWND box = nullptr;
    WaitUntil([&] { return ((box = FindWindowOfClass("#32770")) != nullptr && IsWindowVisible(box)) || !Running(); },
              timeoutMs);
    return box && IsWindowVisible(box) ? box : nullptr;
}

DWORD UiLanguageUnder(const std::string& lang)
{
    Child probe("\"" + TestProgramDirectory() + "\\helper_box_opener.exe\" --ui-language", lang);
    DWORD code = 0;
    return probe.WaitExit(kWait, &code) ? code : 0;
}

// ---- HostWindow

HostWindow::HostWindow()
{
    HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this, created] { Run(created); });
    WaitForSingleObject(created, kWait);
    CloseHandle(created);
}

HostWindow::~HostWindow()
{
    if (HWND window = window_) PostMessageA(window, WM_CLOSE, 0, 0);
    thread_.join();
}

void HostWindow::Run(HANDLE created)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kHostWindowClass;
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, kHostWindowClass, "test host", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              windowClass.hInstance, this);
    SetEvent(created);
    if (window_) {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    }
    window_ = nullptr;
    UnregisterClassA(kHostWindowClass, windowClass.hInstance);
}

LRESULT CALLBACK HostWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == kDriveChangeMessage && self) {
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->received_.push_back({wParam, lParam});
        return 0;
    }
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcA(window, message, wParam, lParam);
}

std::vector<HostWindow::Message> HostWindow::Received()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

bool HostWindow::WaitForCount(size_t count, DWORD timeoutMs)
{
    return WaitUntil([&] { return Received().size() >= count; }, timeoutMs);
}

// ---- HelperWindowsVersion

namespace {
constexpr char kAppDefaultsKey[] = "Software\\Wine\\AppDefaults\\helper.exe";
}

HelperWindowsVersion::HelperWindowsVersion(const char* version)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppDefaultsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    ok_ = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         static_cast<DWORD>(strlen(version) + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
}

HelperWindowsVersion::~HelperWindowsVersion()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kAppDefaultsKey);
}
