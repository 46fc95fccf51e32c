// The real helper.exe as its own process: one instance per session, its
// hidden window, how it ends, and drive changes forwarded to a stand-in host.
#include "harness.h"

#include <gtest/gtest.h>

#include <dbt.h>

#include <cstring>

namespace {

constexpr char kCreated[] = "Vexo Helper Created !!!\n";
constexpr char kQuit[] = "Vexo Helper Quit !!!\n";
constexpr char kArrivalLog[] = "Send Drive Change Message(arrival)";
constexpr char kRemoveLog[] = "Send Drive Change Message(remove)";

class Helper : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(log.ready()) << "debug output reader";
        ASSERT_TRUE(helper.started());
        window = helper.WaitForWindow();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(log.WaitFor(helper.pid(), kCreated));
    }

    std::vector<std::string> DriveLogs()
    {
        std::vector<std::string> out;
        for (const std::string& text : log.From(helper.pid())) {
            if (text == kArrivalLog || text == kRemoveLog) out.push_back(text);
        }
        return out;
    }

    DebugOutput& log = SessionDebugOutput();
    HelperProcess helper;
    HWND window = nullptr;
};

enum class Payload { None, Volume, Interface, Port, Oem };

// Sends a broadcast the way the system does; false when the helper didn't
// answer in time. *result gets the helper's answer.
bool SendBroadcast(HWND window, WPARAM event, Payload payload, DWORD_PTR* result)
{
    DEV_BROADCAST_VOLUME volume = {};
    volume.dbcv_size = sizeof(volume);
    volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
    volume.dbcv_unitmask = 1u << ('E' - 'A');

    DEV_BROADCAST_DEVICEINTERFACE_A device = {};
    device.dbcc_size = sizeof(device);
    device.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    device.dbcc_classguid = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

    DEV_BROADCAST_PORT_A port = {};
    port.dbcp_size = sizeof(port);
    port.dbcp_devicetype = DBT_DEVTYP_PORT;
    strcpy(port.dbcp_name, "C");

    DEV_BROADCAST_OEM oem = {};
    oem.dbco_size = sizeof(oem);
    oem.dbco_devicetype = DBT_DEVTYP_OEM;

    LPARAM data = 0;
    switch (payload) {
    case Payload::None: break;
    case Payload::Volume: data = reinterpret_cast<LPARAM>(&volume); break;
    case Payload::Interface: data = reinterpret_cast<LPARAM>(&device); break;
    case Payload::Port: data = reinterpret_cast<LPARAM>(&port); break;
    case Payload::Oem: data = reinterpret_cast<LPARAM>(&oem); break;
    }
    return SendMessageTimeoutA(window, WM_DEVICECHANGE, event, data, SMTO_ABORTIFHUNG, kWait, result) != 0;
}

TEST_F(Helper, WindowIsTheHiddenOneByOnePopup)
{
    char title[64] = "";
    GetWindowTextA(window, title, sizeof(title));
    EXPECT_STREQ(title, "VexoPeluMPHelper");
    EXPECT_EQ(FindWindowA("VexoPeluMPHelper", "VexoPeluMPHelper"), window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & ~(WS_CLIPSIBLINGS | WS_CLIPCHILDREN), LONG(WS_POPUP));
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE), 0);
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right - rect.left, 1);
    EXPECT_EQ(rect.bottom - rect.top, 1);
    EXPECT_EQ(GetClassLongA(window, GCL_STYLE), UINT(CS_HREDRAW | CS_VREDRAW));
}

TEST(HelperResources, HoldTheGroupIcon101)
{
    // Wine doesn't hand out another process's class icon, so look in the file.
    HMODULE image = LoadLibraryExA((TestProgramDirectory() + "\\helper.exe").c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    EXPECT_NE(FindResourceA(image, MAKEINTRESOURCEA(101), RT_GROUP_ICON), nullptr);
    FreeLibrary(image);
}

TEST_F(Helper, SecondInstanceEndsAtOnceWithCodeZeroAndNoWindow)
{
    HelperProcess second;
    ASSERT_TRUE(second.started());
    DWORD code = 99;
    ASSERT_TRUE(second.WaitExit(kWait, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(helper.Running());
    EXPECT_EQ(FindWindowA("VexoPeluMPHelper", nullptr), window);

    // The first helper's last line comes after anything the second wrote.
    ASSERT_TRUE(helper.Close(&code));
    ASSERT_TRUE(log.WaitFor(helper.pid(), kQuit));
    EXPECT_TRUE(log.From(second.pid()).empty());
}

TEST_F(Helper, InstanceMutexExistsReleasedWhileRunningAndGoesWithIt)
{
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, "VexoRERovaHelper");
    ASSERT_NE(mutex, nullptr);
    // Released at start: neither owned by the helper nor abandoned.
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    ReleaseMutex(mutex);
    CloseHandle(mutex);

    DWORD code = 99;
    ASSERT_TRUE(helper.Close(&code));
    EXPECT_EQ(OpenMutexA(SYNCHRONIZE, FALSE, "VexoRERovaHelper"), nullptr);
}

TEST_F(Helper, CloseEndsWithCodeOneAfterTheQuitLine)
{
    // The host's hold and release messages are accepted without effect.
    for (UINT message : {0x101Du, 0x101Eu}) {
        DWORD_PTR result = 99;
        ASSERT_TRUE(SendMessageTimeoutA(window, message, 0, 0, SMTO_ABORTIFHUNG, kWait, &result));
        EXPECT_EQ(result, 0u);
    }
    EXPECT_TRUE(helper.Running());

    DWORD code = 99;
    ASSERT_TRUE(helper.Close(&code));
    EXPECT_EQ(code, 1u);
    ASSERT_TRUE(log.WaitFor(helper.pid(), kQuit));
    const std::vector<std::string> lines = log.From(helper.pid());
    EXPECT_EQ(lines.front(), kCreated);
    EXPECT_EQ(lines.back(), kQuit);
}

TEST(HelperLogFile, NoLogFileIsEverCreated)
{
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    const std::string directory = std::string(temp) + "vexo-helper-cwd-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(directory.c_str(), nullptr);
    {
        DebugOutput& log = SessionDebugOutput();
        HostWindow host;
        ASSERT_TRUE(host.ready());
        HelperProcess helper("", directory);
        HWND window = helper.WaitForWindow();
        ASSERT_NE(window, nullptr);
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendBroadcast(window, DBT_DEVICEARRIVAL, Payload::Volume, &result));
        ASSERT_TRUE(log.WaitFor(helper.pid(), kArrivalLog));
        DWORD code = 99;
        ASSERT_TRUE(helper.Close(&code));
    }
    for (const std::string& folder : {directory, TestProgramDirectory()}) {
        EXPECT_EQ(GetFileAttributesA((folder + "\\Vexo.Log").c_str()), INVALID_FILE_ATTRIBUTES) << folder;
    }
    RemoveDirectoryA(directory.c_str());
}

TEST_F(Helper, ArrivalsAndRemovalsReachTheHostOthersAreGrantedSilently)
{
    HostWindow host;
    ASSERT_TRUE(host.ready());
    const struct {
        const char* name;
        WPARAM event;
        Payload payload;
        int state;  // -1: nothing reaches the host
    } cases[] = {
        {"volume arrival", DBT_DEVICEARRIVAL, Payload::Volume, 1},
        {"volume removal", DBT_DEVICEREMOVECOMPLETE, Payload::Volume, 0},
        {"interface arrival", DBT_DEVICEARRIVAL, Payload::Interface, 1},
        {"interface removal", DBT_DEVICEREMOVECOMPLETE, Payload::Interface, 0},
        {"volume query remove", DBT_DEVICEQUERYREMOVE, Payload::Volume, -1},
        {"interface query remove", DBT_DEVICEQUERYREMOVE, Payload::Interface, -1},
        {"volume remove pending", DBT_DEVICEREMOVEPENDING, Payload::Volume, -1},
        {"port arrival", DBT_DEVICEARRIVAL, Payload::Port, -1},
        {"oem removal", DBT_DEVICEREMOVECOMPLETE, Payload::Oem, -1},
        {"devnodes changed", DBT_DEVNODES_CHANGED, Payload::None, -1},
        {"arrival without data", DBT_DEVICEARRIVAL, Payload::None, -1},
        // Last, so that everything before it has surely been logged.
        {"second interface arrival", DBT_DEVICEARRIVAL, Payload::Interface, 1},
    };
    std::vector<WPARAM> expectedStates;
    std::vector<std::string> expectedLogs;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DWORD_PTR result = 0;
        ASSERT_TRUE(SendBroadcast(window, c.event, c.payload, &result));
        EXPECT_EQ(result, DWORD_PTR(TRUE));
        if (c.state >= 0) {
            expectedStates.push_back(c.state);
            expectedLogs.push_back(c.state ? kArrivalLog : kRemoveLog);
        }
        // The helper sends synchronously, so the host has it by now.
        EXPECT_EQ(host.Received().size(), expectedStates.size());
    }
    ASSERT_TRUE(WaitUntil([&] { return DriveLogs().size() >= expectedLogs.size(); }));
    EXPECT_EQ(DriveLogs(), expectedLogs);
    std::vector<WPARAM> states;
    for (const HostWindow::Message& m : host.Received()) {
        states.push_back(m.wParam);
        EXPECT_EQ(m.lParam, 0);
    }
    EXPECT_EQ(states, expectedStates);
}

TEST_F(Helper, WithoutAHostWindowNothingIsSentOrLogged)
{
    for (WPARAM event : {DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE}) {
        for (Payload payload : {Payload::Volume, Payload::Interface}) {
            DWORD_PTR result = 0;
            ASSERT_TRUE(SendBroadcast(window, event, payload, &result));
            EXPECT_EQ(result, DWORD_PTR(TRUE));
        }
    }
    // Once a host is there the next change gets through, and its line is the
    // only one: none was written for the changes above.
    HostWindow host;
    ASSERT_TRUE(host.ready());
    DWORD_PTR result = 0;
    ASSERT_TRUE(SendBroadcast(window, DBT_DEVICEREMOVECOMPLETE, Payload::Volume, &result));
    ASSERT_TRUE(log.WaitFor(helper.pid(), kRemoveLog));
    EXPECT_EQ(DriveLogs(), std::vector<std::string>{kRemoveLog});
    ASSERT_EQ(host.Received().size(), 1u);
    EXPECT_EQ(host.Received()[0].wParam, 0u);
}

}  // namespace
