// The helper's timer against real "#32770" message boxes opened by another
// process, with Wine reporting a chosen Windows version to the helper and
// the user-interface language set through LANG.
#include "harness.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr char kCreated[] = "Vexo Helper Created !!!\n";
constexpr char kSettingsLog[] = "Find System Settings Change Window";
constexpr char kUnsafeLog[] = "Find Unsafe Removal Window";

constexpr char kSettingsEnglish[] = "System Settings Change";
constexpr char kUnsafeEnglish[] = "Unsafe Removal of Device";
constexpr char kSettingsBig5[] = "\xa8\x74\xb2\xce\xb3\x5d\xa9\x77\xc5\xdc\xa7\xf3";
constexpr char kUnsafeBig5[] = "\xa4\xa3\xa6\x77\xa5\xfe\xaa\xba\xb2\xbe\xb0\xa3\xb8\xcb\xb8\x6d";
constexpr char kSettingsGbk[] = "\xb8\xfc\xb8\xc4\xcf\xb5\xcd\xb3\xc9\xe8\xd6\xc3";
constexpr char kUnsafeGbk[] = "\xb2\xbb\xb0\xb2\xc8\xab\xb5\xc4\xc9\xe8\xb1\xb8\xc9\xbe\xb3\xfd";

constexpr int kIdOk = 1;
constexpr int kIdNo = 7;

// A helper started with a Windows version and a LANG of its own; the boxes
// of a test are opened under the same LANG, so that their caption bytes
// become the same title the helper looks for.
class DialogRun {
public:
    DialogRun(const char* windowsVersion, std::string lang) : version_(windowsVersion), lang_(std::move(lang)) {}

    void Start()
    {
        ASSERT_TRUE(log.ready()) << "debug output reader";
        ASSERT_TRUE(version_.ok()) << "Wine version setting";
        // C.UTF-8 is what the test program runs under: start the plain way.
        helper_ = std::make_unique<HelperProcess>(lang_ == "C.UTF-8" ? "" : lang_);
        ASSERT_TRUE(helper_->launched());
        ASSERT_NE(helper_->WaitForWindow(), nullptr);
        ASSERT_TRUE(log.WaitFor(helper_->pid(), kCreated));
    }

    std::unique_ptr<BoxOpener> Open(const std::string& caption)
    {
        auto box = std::make_unique<BoxOpener>(caption, lang_ == "C.UTF-8" ? "" : lang_);
        EXPECT_TRUE(box->launched());
        return box;
    }

    // A box that must stay: opened and seen on screen before going on.
    std::unique_ptr<BoxOpener> OpenAndShow(const std::string& caption)
    {
        std::unique_ptr<BoxOpener> box = Open(caption);
        EXPECT_NE(box->WaitForBox(), nullptr) << "box did not appear";
        return box;
    }

    void ExpectAnsweredNo(const std::string& caption)
    {
        EXPECT_EQ(Open(caption)->WaitResult(log), kIdNo) << "settings-change box not answered No";
    }

    // Two settings-change boxes answered one after the other prove that at
    // least one whole tick ran while every box opened before was on screen.
    void LetTicksPass(const std::string& settingsCaption)
    {
        ExpectAnsweredNo(settingsCaption);
        ExpectAnsweredNo(settingsCaption);
    }

    std::vector<std::string> Lines() { return log.From(helper_->pid()); }
    size_t Count(const std::string& text) { return log.Count(helper_->pid(), text); }

    DebugOutput& log = SessionDebugOutput();

private:
    HelperWindowsVersion version_;
    std::string lang_;
    std::unique_ptr<HelperProcess> helper_;
};

// A box the helper must have left alone is still open; the test answers it
// OK and sees that result, so it really was a live box.
void ExpectUntouchedAndClose(BoxOpener& box, DebugOutput& log)
{
    ASSERT_TRUE(box.IsOpen()) << "box was closed";
    PostMessageA(box.WaitForBox(), WM_COMMAND, IDOK, 0);
    EXPECT_EQ(box.WaitResult(log), kIdOk);
}

TEST(DialogDismissal, WindowsVersionDecidesAboutTheUnsafeRemovalDialog)
{
    const struct {
        const char* version;
        const char* osLine;  // null: no OS line at all
        bool closesUnsafeRemoval;
    } cases[] = {
        {"win2k", "OS - Win 2000\n", true},
        {"winxp", "OS - Win XP\n", false},
        {"win7", "OS - Win 7\n", false},
        {"win10", nullptr, false},  // reported as 6.2, which the table doesn't list
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        DialogRun run(c.version, "C.UTF-8");
        ASSERT_NO_FATAL_FAILURE(run.Start());
        std::unique_ptr<BoxOpener> unsafe =
            c.closesUnsafeRemoval ? run.Open(kUnsafeEnglish) : run.OpenAndShow(kUnsafeEnglish);
        ASSERT_NO_FATAL_FAILURE(run.LetTicksPass(kSettingsEnglish));

        if (c.closesUnsafeRemoval) {
            EXPECT_GE(unsafe->WaitResult(run.log), 0) << "unsafe-removal box was left open";
            EXPECT_TRUE(WaitUntil([&] { return run.Count(kUnsafeLog) == 1; }));
        } else {
            ExpectUntouchedAndClose(*unsafe, run.log);
            EXPECT_EQ(run.Count(kUnsafeLog), 0u);
        }
        EXPECT_TRUE(WaitUntil([&] { return run.Count(kSettingsLog) == 2; }));

        std::vector<std::string> osLines;
        for (const std::string& line : run.Lines()) {
            if (line.rfind("OS - ", 0) == 0) osLines.push_back(line);
        }
        EXPECT_EQ(osLines, c.osLine ? std::vector<std::string>{c.osLine} : std::vector<std::string>{});
    }
}

TEST(DialogDismissal, ChineseUserInterfacesUseTheirTitleBytes)
{
    const struct {
        const char* lang;
        int uiLanguage;
        const char* settingsChange;
        const char* unsafeRemoval;
    } cases[] = {
        {"zh_TW.UTF-8", 0x0404, kSettingsBig5, kUnsafeBig5},
        {"zh_CN.UTF-8", 0x0804, kSettingsGbk, kUnsafeGbk},
        {"zh_HK.UTF-8", 0x0C04, kSettingsGbk, kUnsafeGbk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lang);
        DialogRun run("win2k", c.lang);
        // The premise: a child started under this LANG has this UI language.
        ASSERT_EQ(UiLanguageUnder(run.log, c.lang), c.uiLanguage);

        ASSERT_NO_FATAL_FAILURE(run.Start());
        std::unique_ptr<BoxOpener> english = run.OpenAndShow(kSettingsEnglish);
        std::unique_ptr<BoxOpener> unsafe = run.Open(c.unsafeRemoval);
        ASSERT_NO_FATAL_FAILURE(run.LetTicksPass(c.settingsChange));

        EXPECT_GE(unsafe->WaitResult(run.log), 0) << "unsafe-removal box was left open";
        EXPECT_TRUE(WaitUntil([&] { return run.Count(kUnsafeLog) == 1; }));
        // The English title is not the one this language looks for.
        ExpectUntouchedAndClose(*english, run.log);
    }
}

TEST(DialogDismissal, OtherTitlesAndOtherClassesAreNeverTouched)
{
    DialogRun run("win2k", "C.UTF-8");
    ASSERT_NO_FATAL_FAILURE(run.Start());
    const char* const nearMisses[] = {
        "System Settings Change ", "system settings change", "System Settings", "Unsafe Removal of Device.",
        "UNSAFE REMOVAL OF DEVICE", "",
    };
    std::vector<std::unique_ptr<BoxOpener>> boxes;
    for (const char* title : nearMisses) boxes.push_back(run.OpenAndShow(title));
    // Exactly the titles, but not dialogs.
    HostWindow settingsLookAlike("VexoTestNotADialog", kSettingsEnglish);
    HostWindow unsafeLookAlike("VexoTestNotADialog2", kUnsafeEnglish);
    ASSERT_TRUE(settingsLookAlike.ready() && unsafeLookAlike.ready());

    ASSERT_NO_FATAL_FAILURE(run.LetTicksPass(kSettingsEnglish));

    for (size_t i = 0; i < boxes.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "\"" << nearMisses[i] << "\"");
        ExpectUntouchedAndClose(*boxes[i], run.log);
    }
    EXPECT_TRUE(settingsLookAlike.Received().empty());
    EXPECT_TRUE(unsafeLookAlike.Received().empty());
    EXPECT_EQ(run.Count(kUnsafeLog), 0u);
}

}  // namespace
