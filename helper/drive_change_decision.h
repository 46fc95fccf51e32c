// What a device-change broadcast means for the host tool. Plain code, no
// system headers: the numbers are the documented dbt.h values.
#ifndef VEXO_HELPER_DRIVE_CHANGE_DECISION_H
#define VEXO_HELPER_DRIVE_CHANGE_DECISION_H

#include <cstdint>
#include <optional>

namespace helper {

constexpr uint32_t kDeviceTypeVolume = 2;           // DBT_DEVTYP_VOLUME
constexpr uint32_t kDeviceTypeInterface = 5;        // DBT_DEVTYP_DEVICEINTERFACE
constexpr uintptr_t kEventArrival = 0x8000;         // DBT_DEVICEARRIVAL
constexpr uintptr_t kEventRemoveComplete = 0x8004;  // DBT_DEVICEREMOVECOMPLETE

constexpr unsigned kDriveArrived = 1;
constexpr unsigned kDriveRemoved = 0;

struct DriveChange {
    unsigned state;       // wParam of the message to the host
    const char* logText;  // written once the host has been told
};

// Only an arrival or a completed removal is news for the host; every other
// event (queries, pending removals, ...) is granted without a message.
std::optional<DriveChange> DriveChangeForEvent(uintptr_t event);

// Volumes of any kind of drive and any device interface are forwarded; ports,
// handles and the rest are not.
bool IsForwardedDeviceType(uint32_t deviceType);

}  // namespace helper

#endif
