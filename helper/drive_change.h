// Forwards drive and USB device changes to the host tool's window.
#ifndef VEXO_HELPER_DRIVE_CHANGE_H
#define VEXO_HELPER_DRIVE_CHANGE_H

#include <windows.h>

// Signs the window up for USB device-interface broadcasts; a failure is shown
// in a box and the helper runs on with whatever broadcasts still reach it.
void RegisterDriveNotifications(HWND window);
void UnregisterDriveNotifications();

// Handles one WM_DEVICECHANGE. The caller always grants the request.
void ForwardDriveChange(WPARAM event, LPARAM data);

#endif
