#include "drive_change.h"

#include "drive_change_decision.h"
#include "log.h"
#include "unique_handle.h"

namespace {

constexpr UINT kDriveChangeMessage = 0x101C;  // WM_DRIVE_CHANGE, understood by the host
constexpr char kHostWindowClass[] = "VexoPeluRERovaing";

// GUID_DEVINTERFACE_USB_DEVICE, spelled out so no extra import library is needed.
constexpr GUID kUsbDeviceInterface = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

UniqueDeviceNotify g_notification;

}  // namespace

void RegisterDriveNotifications(HWND window)
{
    DEV_BROADCAST_DEVICEINTERFACE_A filter = {};
    filter.dbcc_size = sizeof(filter);
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kUsbDeviceInterface;
    g_notification.reset(RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
    if (!g_notification) MessageBoxA(window, "RegisterDeviceNotification failed", nullptr, MB_ICONERROR);
}

void UnregisterDriveNotifications()
{
    g_notification.reset();
}

void ForwardDriveChange(WPARAM event, LPARAM data)
{
    // Decide on the event first: only arrivals and removals are sure to carry
    // a DEV_BROADCAST_HDR in lParam, other events may carry anything.
    const std::optional<helper::DriveChange> change = helper::DriveChangeForEvent(event);
    if (!change || data == 0) return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (!helper::IsForwardedDeviceType(header->dbch_devicetype)) return;

    // Looked up afresh each time: the host may have restarted since.
    HWND host = FindWindowA(kHostWindowClass, nullptr);
    if (!host) return;
    SendMessageA(host, kDriveChangeMessage, change->state, 0);
    WriteLog(change->logText);
}
