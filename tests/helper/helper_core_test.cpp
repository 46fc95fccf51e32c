// The helper's plain decisions, checked as tables: what a device broadcast
// means, which title row a language gets, which release a version is, and the
// exact title bytes.
#include "dialog_titles.h"
#include "drive_change_decision.h"
#include "language_index.h"
#include "os_version.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace helper;

struct EventCase {
    const char* name;
    uintptr_t event;
    bool forwarded;
    unsigned state;
    const char* logText;
};

TEST(DriveChangeDecision, OnlyArrivalAndCompletedRemovalAreForwarded)
{
    const EventCase cases[] = {
        {"arrival", 0x8000, true, 1, "Send Drive Change Message(arrival)"},
        {"remove complete", 0x8004, true, 0, "Send Drive Change Message(remove)"},
        {"query remove", 0x8001, false, 0, nullptr},
        {"query remove failed", 0x8002, false, 0, nullptr},
        {"remove pending", 0x8003, false, 0, nullptr},
        {"type specific", 0x8005, false, 0, nullptr},
        {"custom event", 0x8006, false, 0, nullptr},
        {"devnodes changed", 0x0007, false, 0, nullptr},
        {"user defined", 0xFFFF, false, 0, nullptr},
        {"arrival in high bits only", uintptr_t{0x8000} << 16, false, 0, nullptr},
    };
    for (const EventCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto change = DriveChangeForEvent(c.event);
        ASSERT_EQ(change.has_value(), c.forwarded);
        if (!c.forwarded) continue;
        EXPECT_EQ(change->state, c.state);
        EXPECT_STREQ(change->logText, c.logText);
    }
}

TEST(DriveChangeDecision, VolumesAndDeviceInterfacesAreTheForwardedTypes)
{
    const struct {
        const char* name;
        uint32_t type;
        bool forwarded;
    } cases[] = {
        {"oem", 0, false},         {"devnode", 1, false}, {"volume", 2, true},
        {"port", 3, false},        {"net", 4, false},     {"device interface", 5, true},
        {"handle", 6, false},      {"unknown", 0x105, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsForwardedDeviceType(c.type), c.forwarded);
    }
}

TEST(LanguageIndex, ChineseTaiwanIsBig5OtherChineseIsGbkRestIsEnglish)
{
    const struct {
        const char* name;
        uint16_t langId;
        int index;
    } cases[] = {
        {"English (US)", 0x0409, 0},
        {"neutral", 0x0000, 0},
        {"Japanese", 0x0411, 0},
        {"Chinese neutral", 0x0004, 2},
        {"Chinese (Taiwan)", 0x0404, 1},
        {"Chinese (PRC)", 0x0804, 2},
        {"Chinese (Hong Kong)", 0x0C04, 2},
        {"Chinese (Singapore)", 0x1004, 2},
        {"Chinese (Macao)", 0x1404, 2},
        // The primary language is ten bits wide, not eight.
        {"primary language 0x104", 0x0104, 0},
        {"primary language 0x204, Taiwan sublanguage", 0x0604, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LanguageIndexFor(c.langId), c.index);
    }
}

TEST(OsVersion, KnownReleasesGetTheirCodeAndLogLine)
{
    const struct {
        uint32_t platform, major, minor;
        int code;
        const char* logLine;
    } cases[] = {
        {1, 4, 10, 0, "OS - Win 98\n"},
        {1, 4, 90, 0, "OS - Win 98\n"},
        {2, 5, 0, 1, "OS - Win 2000\n"},
        {2, 5, 1, 2, "OS - Win XP\n"},
        {2, 5, 2, 2, "OS - Win XP (64 bits)\n"},
        {2, 6, 0, 3, "OS - Win Vista\n"},
        {2, 6, 1, 4, "OS - Win 7\n"},
        {2, 6, 2, -1, nullptr},
        {2, 6, 3, -1, nullptr},
        {2, 10, 0, -1, nullptr},
        {2, 4, 0, -1, nullptr},
        {2, 5, 3, -1, nullptr},
        {0, 5, 0, -1, nullptr},
        {3, 6, 1, -1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.platform << " " << c.major << "." << c.minor);
        const OsClass os = ClassifyOsVersion(c.platform, c.major, c.minor);
        EXPECT_EQ(os.code, c.code);
        if (c.logLine) {
            EXPECT_STREQ(os.logLine, c.logLine);
        } else {
            EXPECT_EQ(os.logLine, nullptr);
        }
    }
}

TEST(DialogTitles, EachLanguageHasItsExactBytes)
{
    const struct {
        int index;
        std::string settingsChange;
        std::string unsafeRemoval;
    } cases[] = {
        {0, "System Settings Change", "Unsafe Removal of Device"},
        {1, "\xa8\x74\xb2\xce\xb3\x5d\xa9\x77\xc5\xdc\xa7\xf3",
         "\xa4\xa3\xa6\x77\xa5\xfe\xaa\xba\xb2\xbe\xb0\xa3\xb8\xcb\xb8\x6d"},
        {2, "\xb8\xfc\xb8\xc4\xcf\xb5\xcd\xb3\xc9\xe8\xd6\xc3",
         "\xb2\xbb\xb0\xb2\xc8\xab\xb5\xc4\xc9\xe8\xb1\xb8\xc9\xbe\xb3\xfd"},
        {-1, "System Settings Change", "Unsafe Removal of Device"},
        {3, "System Settings Change", "Unsafe Removal of Device"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.index);
        const DialogTitles& titles = DialogTitlesFor(c.index);
        // Compared as strings, so a stray or missing byte before the NUL shows.
        EXPECT_EQ(std::string(titles.settingsChange), c.settingsChange);
        EXPECT_EQ(std::string(titles.unsafeRemoval), c.unsafeRemoval);
    }
}

}  // namespace
