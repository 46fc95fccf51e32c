#include "os_version.h"

namespace helper {

namespace {
constexpr uint32_t kPlatformWindows9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr uint32_t kPlatformNt = 2;         // VER_PLATFORM_WIN32_NT

struct NtRelease {
    uint32_t major;
    uint32_t minor;
    OsClass os;
};

constexpr NtRelease kNtReleases[] = {
    {5, 0, {kOsWindows2000, "OS - Win 2000\n"}},
    {5, 1, {kOsWindowsXp, "OS - Win XP\n"}},
    {5, 2, {kOsWindowsXp, "OS - Win XP (64 bits)\n"}},
    {6, 0, {kOsWindowsVista, "OS - Win Vista\n"}},
    {6, 1, {kOsWindows7, "OS - Win 7\n"}},
};
}  // namespace

OsClass ClassifyOsVersion(uint32_t platformId, uint32_t major, uint32_t minor)
{
    if (platformId == kPlatformWindows9x) return {kOsWindows98, "OS - Win 98\n"};
    if (platformId == kPlatformNt) {
        for (const NtRelease& release : kNtReleases) {
            if (release.major == major && release.minor == minor) return release.os;
        }
    }
    return {kOsUnknown, nullptr};
}

}  // namespace helper
