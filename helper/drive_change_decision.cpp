#include "drive_change_decision.h"

namespace helper {

std::optional<DriveChange> DriveChangeForEvent(uintptr_t event)
{
    if (event == kEventArrival) return DriveChange{kDriveArrived, "Send Drive Change Message(arrival)"};
    if (event == kEventRemoveComplete) return DriveChange{kDriveRemoved, "Send Drive Change Message(remove)"};
    return std::nullopt;
}

bool IsForwardedDeviceType(uint32_t deviceType)
{
    return deviceType == kDeviceTypeVolume || deviceType == kDeviceTypeInterface;
}

}  // namespace helper
