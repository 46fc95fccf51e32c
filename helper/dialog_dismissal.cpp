#include "dialog_dismissal.h"

#include "dialog_titles.h"
#include "language_index.h"
#include "log.h"
#include "os_version.h"

#include <windows.h>

#include <cwchar>

namespace {

constexpr char kDialogClass[] = "#32770";

int g_languageIndex = helper::kLanguageOther;
int g_osCode = helper::kOsUnknown;

const helper::DialogTitles& Titles()
{
    return helper::DialogTitlesFor(g_languageIndex);
}

// FindWindowA compares titles without regard to case, so "system settings
// change" would match too: walk all its matches and take the first whose
// title is exactly ours. A dialog already answered stays hidden until it is
// destroyed; skipping it keeps one dialog from being answered twice.
HWND FindDialogTitled(const char* title)
{
    wchar_t wanted[128] = L"";
    if (!MultiByteToWideChar(CP_ACP, 0, title, -1, wanted, 128)) return nullptr;
    for (HWND dialog = FindWindowExA(nullptr, nullptr, kDialogClass, title); dialog;
         dialog = FindWindowExA(nullptr, dialog, kDialogClass, title)) {
        wchar_t actual[128] = L"";
        GetWindowTextW(dialog, actual, 128);
        if (wcscmp(actual, wanted) == 0 && IsWindowVisible(dialog)) return dialog;
    }
    return nullptr;
}

}  // namespace

void ComputeLanguageIndex()
{
    g_languageIndex = helper::LanguageIndexFor(GetSystemDefaultUILanguage());
}

void DetectOsVersion()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version)) {
        g_osCode = helper::kOsUnknown;
        return;
    }
    const helper::OsClass os =
        helper::ClassifyOsVersion(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
    g_osCode = os.code;
    if (os.logLine) WriteLog(os.logLine);
}

void CloseSettingsChangeWindow()
{
    HWND dialog = FindDialogTitled(Titles().settingsChange);
    if (!dialog) return;
    SendMessageA(dialog, WM_COMMAND, IDNO, 0);
    WriteLog("Find System Settings Change Window");
}

void CloseUnsafeRemovalWindow()
{
    HWND dialog = FindDialogTitled(Titles().unsafeRemoval);
    if (!dialog) return;
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    WriteLog("Find Unsafe Removal Window");
}

void CloseSystemDialogs()
{
    CloseSettingsChangeWindow();
    // Later releases no longer show this dialog for a surprise removal.
    if (g_osCode == helper::kOsWindows2000) CloseUnsafeRemovalWindow();
}
