// Sorts the version the system reports into the few releases the helper
// tells apart; only Windows 2000 changes what it does.
#ifndef VEXO_HELPER_OS_VERSION_H
#define VEXO_HELPER_OS_VERSION_H

#include <cstdint>

namespace helper {

constexpr int kOsUnknown = -1;
constexpr int kOsWindows98 = 0;
constexpr int kOsWindows2000 = 1;
constexpr int kOsWindowsXp = 2;
constexpr int kOsWindowsVista = 3;
constexpr int kOsWindows7 = 4;

struct OsClass {
    int code;
    const char* logLine;  // null when the release is not one we know
};

OsClass ClassifyOsVersion(uint32_t platformId, uint32_t major, uint32_t minor);

}  // namespace helper

#endif
