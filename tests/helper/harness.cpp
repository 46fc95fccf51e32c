#include "harness.h"

#include <cstring>

namespace {

constexpr char kHelperWindowClass[] = "VexoPeluMPHelper";
constexpr UINT kDriveChangeMessage = 0x101C;

struct WindowSearch {
    DWORD pid;  // 0: any process
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
    if ((search->pid == 0 || pid == search->pid) && strcmp(name, search->className) == 0) search->found.push_back(window);
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

DebugOutput& SessionDebugOutput()
{
    // Never destroyed: the reader runs until the process ends.
    static DebugOutput* output = new DebugOutput;
    return *output;
}

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

std::vector<std::string> DebugOutput::All()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> out;
    for (const auto& entry : texts_) out.push_back(entry.second);
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

Child::Child(const std::string& commandLine, const std::string& directory)
{
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
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

bool Child::Adopt(DWORD pid)
{
    process_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, pid);
    if (process_) pid_ = pid;
    return process_ != nullptr;
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

// Starts a program and keeps no handle: the caller finds it again by its
// window or its debugger output.
static bool StartDetached(const std::string& line)
{
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return false;
    }
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
    return true;
}

bool StartUnderLang(const std::string& program, const std::string& arguments, const std::string& lang)
{
    // Wine runs a Unix program named in CreateProcess with the environment
    // block made Unix; it returns no process handle for it.
    const std::string line = "Z:\\bin\\sh -c \"unset LC_ALL LC_CTYPE LC_MESSAGES; LOCPATH='" VEXO_TEST_LOCALES
                             "' LANG='" + lang + "' exec /usr/lib/wine/wine64 '" VEXO_TEST_BIN_DIR "/" + program +
                             "' " + arguments + "\"";
    return StartDetached(line);
}

// ---- HelperProcess

HelperProcess::HelperProcess(const std::string& lang, const std::string& directory)
    : Child(lang.empty() ? "\"" + TestProgramDirectory() + "\\helper.exe\"" : std::string(), directory)
{
    launched_ = lang.empty() ? started() : StartUnderLang("helper.exe", "", lang);
}

HelperProcess::~HelperProcess()
{
    // A helper left running would hold the mutex and spoil the next test.
    DWORD code = 0;
    if (Running()) Close(&code);
}

HWND HelperProcess::WaitForWindow(DWORD timeoutMs)
{
    HWND window = nullptr;
    WaitUntil(
        [&] {
            if (!process_) {
                // Started through the shell: the helper is whoever owns the window.
                window = FindWindowA(kHelperWindowClass, nullptr);
                DWORD pid = 0;
                if (window) GetWindowThreadProcessId(window, &pid);
                return window && Adopt(pid);
            }
            return (window = FindWindowOfClass(kHelperWindowClass)) != nullptr || !Running();
        },
        timeoutMs);
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

namespace {

std::string NewBoxToken()
{
    static int count = 0;
    return "vexo-box-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
}

bool StartBoxOpener(const std::string& arguments, const std::string& lang)
{
    if (!lang.empty()) return StartUnderLang("helper_box_opener.exe", arguments, lang);
    // The box reports its end on the debugger output; no handle is kept.
    return StartDetached("\"" + TestProgramDirectory() + "\\helper_box_opener.exe\" " + arguments);
}

// "<token> result <n>" from the box opener, as a number.
int FindResult(DebugOutput& log, const std::string& token)
{
    const std::string prefix = token + " result ";
    for (const std::string& line : log.All()) {
        if (line.rfind(prefix, 0) == 0) return atoi(line.c_str() + prefix.size());
    }
    return -1;
}

}  // namespace

BoxOpener::BoxOpener(const std::string& captionBytes, const std::string& lang) : token_(NewBoxToken())
{
    launched_ = StartBoxOpener(token_ + " " + Hex(captionBytes), lang);
}

BoxOpener::~BoxOpener()
{
    if (!IsOpen()) return;
    PostMessageA(box_, WM_COMMAND, IDOK, 0);
    WaitResult(SessionDebugOutput());
}

HWND BoxOpener::Find()
{
    WindowSearch search{0, "#32770", {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.found) {
        char text[128] = "";
        HWND label = GetDlgItem(box, 0xFFFF);
        if (label && SendMessageTimeoutA(label, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                                         SMTO_ABORTIFHUNG, kWait, nullptr) &&
            token_ == text) {
            return box;
        }
    }
    return nullptr;
}

HWND BoxOpener::WaitForBox(DWORD timeoutMs)
{
    WaitUntil([&] { return (box_ = Find()) != nullptr && IsWindowVisible(box_); }, timeoutMs);
    return box_;
}

bool BoxOpener::IsOpen()
{
    return box_ && IsWindow(box_);
}

int BoxOpener::WaitResult(DebugOutput& log, DWORD timeoutMs)
{
    int result = -1;
    WaitUntil([&] { return (result = FindResult(log, token_)) >= 0; }, timeoutMs);
    return result;
}

int UiLanguageUnder(DebugOutput& log, const std::string& lang)
{
    const std::string token = NewBoxToken();
    if (!StartBoxOpener(token + " --ui-language", lang)) return -1;
    int result = -1;
    WaitUntil([&] { return (result = FindResult(log, token)) >= 0; });
    return result;
}

// ---- HostWindow

HostWindow::HostWindow(const char* className, const char* title) : className_(className), title_(title)
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
    windowClass.lpszClassName = className_.c_str();
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(0, className_.c_str(), title_.c_str(), WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              windowClass.hInstance, this);
    SetEvent(created);
    if (window_) {
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    }
    window_ = nullptr;
    UnregisterClassA(className_.c_str(), windowClass.hInstance);
}

LRESULT CALLBACK HostWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && (message == kDriveChangeMessage || message == WM_COMMAND || message == WM_CLOSE)) {
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->received_.push_back({message, wParam, lParam});
        if (message != WM_CLOSE) return 0;
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
