// The helper: one hidden window per logon session that forwards drive
// changes to the host tool and closes two system dialogs.
#include "dialog_dismissal.h"
#include "drive_change.h"
#include "log.h"
#include "resource.h"
#include "unique_handle.h"

namespace {

constexpr char kMutexName[] = "VexoRERovaHelper";
constexpr char kWindowClass[] = "VexoPeluMPHelper";
constexpr char kWindowTitle[] = "VexoPeluMPHelper";

// Sent by the host; the helper only has to accept them.
constexpr UINT kHelperHold = 0x101D;
constexpr UINT kHelperRelease = 0x101E;

constexpr UINT_PTR kDialogTimer = 1;
constexpr UINT kDialogTimerPeriodMs = 200;

void OnCreate(HWND window)
{
    OpenLog("Vexo.Log");
    WriteLog("Vexo Helper Created !!!\n");
    ComputeLanguageIndex();
    DetectOsVersion();
    RegisterDriveNotifications(window);
    SetTimer(window, kDialogTimer, kDialogTimerPeriodMs, nullptr);
}

void OnDestroy(HWND window)
{
    WriteLog("Vexo Helper Quit !!!\n");
    CloseLog();
    UnregisterDriveNotifications();
    KillTimer(window, kDialogTimer);
    PostQuitMessage(0);
}

void OnTimer(UINT_PTR timer)
{
    if (timer == kDialogTimer) CloseSystemDialogs();
}

void OnPaint(HWND window)
{
    PAINTSTRUCT paint;
    BeginPaint(window, &paint);
    EndPaint(window, &paint);
}

LRESULT CALLBACK HelperWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_DEVICECHANGE:
        ForwardDriveChange(wParam, lParam);
        return TRUE;
    case kHelperHold:
    case kHelperRelease:
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool RegisterHelperClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = HelperWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_HELPER));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    windowClass.lpszClassName = kWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    UniqueKernelObject mutex(CreateMutexA(nullptr, TRUE, kMutexName));
    const DWORD error = GetLastError();
    // A mutex we may not open belongs to another instance too (one started
    // with other rights): two helpers would forward every change twice.
    const bool alreadyRunning = error == ERROR_ALREADY_EXISTS || (!mutex && error == ERROR_ACCESS_DENIED);
    // The open handle is what keeps the name alive; ownership isn't needed.
    if (mutex && !alreadyRunning) ReleaseMutex(mutex.get());
    if (alreadyRunning) return 0;

    if (!RegisterHelperClass(instance)) return 0;

    HWND window = CreateWindowExA(0, kWindowClass, kWindowTitle, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, instance,
                                  nullptr);
    if (!window) {
        // Without a window no broadcast or timer could ever reach us.
        UnregisterClassA(kWindowClass, instance);
        return 0;
    }
    ShowWindow(window, SW_HIDE);
    UpdateWindow(window);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    UnregisterClassA(kWindowClass, instance);
    return 1;
}
