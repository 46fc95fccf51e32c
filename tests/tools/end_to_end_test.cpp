// The controller and the sample host run as separate programs and talk
// through the real Quorlin.dll, over TCP and over the test run's serial pty
// pair; including the ends where one of them is lost.
#include "support/box_watcher.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <fstream>
#include <sstream>

namespace {

constexpr DWORD kWait = 8000;
const char kHostClass[] = "VexoPeluRERovaing";

std::string Directory()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

std::string TempPath(const std::string& name)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "vexo-tools-" + std::to_string(GetCurrentProcessId()) + "-" + name;
}

void WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// One of the tools, started with its output in a file.
class Program {
public:
    Program(const std::string& exe, const std::string& args, const std::string& name)
        : outputPath_(TempPath(name + ".out"))
    {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        HANDLE output = CreateFileA(outputPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                    CREATE_ALWAYS, 0, nullptr);
        HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                                   nullptr);
        STARTUPINFOA startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = input;
        startup.hStdOutput = output;
        startup.hStdError = output;
        std::string commandLine = "\"" + Directory() + exe + "\" " + args;
        started_ = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process_) != FALSE;
        CloseHandle(output);
        CloseHandle(input);
    }

    ~Program()
    {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, kWait);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        DeleteFileA(outputPath_.c_str());
    }

    bool started() const { return started_; }

    std::string Output() const
    {
        std::ifstream in(outputPath_, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    bool WaitForOutput(const std::string& part, DWORD timeoutMs = kWait) const
    {
        DWORD start = GetTickCount();
        while (Output().find(part) == std::string::npos) {
            if (GetTickCount() - start > timeoutMs) return false;
            Sleep(50);
        }
        return true;
    }

    // The exit code, or -1 while still running after timeoutMs.
    long WaitExit(DWORD timeoutMs = kWait) const
    {
        if (WaitForSingleObject(process_.hProcess, timeoutMs) != WAIT_OBJECT_0) return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<long>(code);
    }

    void Kill() const
    {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, kWait);
    }

private:
    std::string outputPath_;
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

bool CloseHostWindow()
{
    HWND window = FindWindowA(kHostClass, nullptr);
    return window && PostMessageA(window, WM_CLOSE, 0, 0);
}

std::string Script(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* line : lines) text += std::string(line) + "\r\n";
    return text;
}

const std::string kRoad = Script({"@pause 300ms", "START_TEST 7+", "@pause 400ms", "TIME_OUT 30+", "@pause 400ms",
                                  "TEST_DONE PASS+", "@pause 300ms", "AUTO_DOWNLOAD fw.bin+", "@pause 400ms",
                                  "AUTO_DOWNLOAD PASS+", "@pause 300ms"});

// What the host prints for the road above, in this order.
const char* const kHostSees[] = {
    "callback CMD_START_TEST, argument \" 7\"",
    "callback CMD_TIME_OUT, argument \" 30\"",
    "callback CMD_TEST_DONE, argument \" PASS\"",
    "answered TEST_DONE: sent \"RESULT PASS\"",
    "callback CMD_AUTO_DOWNLOAD, argument \"fw.bin+\"",
    "callback CMD_AUTO_DOWNLOAD_PASS, argument \"\"",
    "link closed",
};

void ExpectInOrder(const std::string& output, const char* const* parts, size_t count)
{
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
        size_t found = output.find(parts[i], at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << parts[i] << "\nin:\n" << output;
        at = found;
    }
}

struct Link {
    const char* name;
    bool serial;
};

class ToolsRoad : public ::testing::TestWithParam<Link> {};

// The whole road on one transport: the host connects, the controller plays
// the script, the host answers TEST_DONE and the controller prints that, the
// host closes and both end with exit code 0.
TEST_P(ToolsRoad, ControllerDrivesTheSampleHost)
{
    std::string scriptPath = TempPath("road.txt");
    WriteFile(scriptPath, kRoad);
    std::string controllerArgs, hostArgs;
    std::unique_ptr<Program> controller, host;
    if (GetParam().serial) {
        const char* hostCom = std::getenv("VEXO_TEST_COM_HOST");
        const char* deviceCom = std::getenv("VEXO_TEST_COM_DEVICE");
        if (!hostCom || !deviceCom) GTEST_SKIP() << "no serial pair (run through scripts/test.sh)";
        // The host purges its port when it opens it, so it goes first.
        host = std::make_unique<Program>("sample_host.exe", std::string("serial COM") + hostCom + " --baud 19200", "host");
        ASSERT_TRUE(host->WaitForOutput("receive worker started")) << host->Output();
        controller = std::make_unique<Program>(
            "controller.exe", std::string("serial COM") + deviceCom + " --baud 19200 --script \"" + scriptPath + "\"",
            "controller");
        ASSERT_TRUE(controller->WaitForOutput("end of input")) << controller->Output();
        EXPECT_EQ(controller->WaitExit(), 0);
    } else {
        int port = UnusedPort();
        controller = std::make_unique<Program>(
            "controller.exe", "tcp --listen 127.0.0.1 --port " + std::to_string(port) + " --script \"" + scriptPath + "\"",
            "controller");
        ASSERT_TRUE(controller->WaitForOutput("listening on 127.0.0.1:" + std::to_string(port))) << controller->Output();
        host = std::make_unique<Program>("sample_host.exe", "tcp --port " + std::to_string(port), "host");
        ASSERT_TRUE(controller->WaitForOutput("end of input")) << controller->Output();
    }
    ASSERT_TRUE(host->WaitForOutput("CMD_AUTO_DOWNLOAD_PASS")) << host->Output();
    ASSERT_TRUE(CloseHostWindow());
    EXPECT_EQ(host->WaitExit(), 0);
    if (!GetParam().serial) {
        EXPECT_EQ(controller->WaitExit(), 0);
        EXPECT_NE(controller->Output().find("host closed the connection"), std::string::npos) << controller->Output();
    }

    std::string hostOutput = host->Output();
    ExpectInOrder(hostOutput, kHostSees, sizeof(kHostSees) / sizeof(kHostSees[0]));
    EXPECT_EQ(hostOutput.find("CMD_NONE"), std::string::npos) << "a message was split or merged:\n" << hostOutput;
    const char* const controllerSees[] = {"sent: START_TEST 7+", "sent: TEST_DONE PASS+", "host: RESULT PASS",
                                          "sent: AUTO_DOWNLOAD PASS+", "end of input"};
    ExpectInOrder(controller->Output(), controllerSees, 5);
    DeleteFileA(scriptPath.c_str());
}

INSTANTIATE_TEST_SUITE_P(Transports, ToolsRoad, ::testing::Values(Link{"Tcp", false}, Link{"Serial", true}),
                         [](const ::testing::TestParamInfo<Link>& info) { return std::string(info.param.name); });

// A controller playing a script over TCP and a sample host that has received
// its first command: the road both lost-peer cases break in the middle.
class ToolsLostPeer : public ::testing::Test {
protected:
    void StartRoad(const std::string& script)
    {
        scriptPath = TempPath("lost-peer.txt");
        WriteFile(scriptPath, script);
        int port = UnusedPort();
        controller = std::make_unique<Program>(
            "controller.exe", "tcp --listen 127.0.0.1 --port " + std::to_string(port) + " --script \"" + scriptPath + "\"",
            "controller");
        ASSERT_TRUE(controller->WaitForOutput("listening on")) << controller->Output();
        host = std::make_unique<Program>("sample_host.exe", "tcp --port " + std::to_string(port), "host");
        ASSERT_TRUE(host->WaitForOutput("CMD_START_TEST")) << host->Output();
    }

    void TearDown() override
    {
        host.reset();
        controller.reset();
        DeleteFileA(scriptPath.c_str());
    }

    std::string scriptPath;
    std::unique_ptr<Program> controller;
    std::unique_ptr<Program> host;
};

// The host goes away in the middle of the script: the controller says so in
// one line and fails.
TEST_F(ToolsLostPeer, ControllerReportsALostHost)
{
    ASSERT_NO_FATAL_FAILURE(StartRoad(Script({"@pause 300ms", "START_TEST 1+", "@pause 10s", "TEST_DONE PASS+"})));
    host->Kill();

    EXPECT_EQ(controller->WaitExit(), 1);
    std::string output = controller->Output();
    EXPECT_NE(output.find("controller: lost the host: "), std::string::npos) << output;
    EXPECT_EQ(output.find("sent: TEST_DONE"), std::string::npos) << "nothing is sent after the host is gone";
}

// The controller goes away: Quorlin.dll reports it in its box on the worker,
// and the host still closes cleanly afterwards.
TEST_F(ToolsLostPeer, HostSurvivesALostController)
{
    BoxWatcher boxes;
    ASSERT_NO_FATAL_FAILURE(StartRoad(Script({"@pause 300ms", "START_TEST 2+", "@pause 10s"})));
    controller->Kill();

    EXPECT_TRUE(boxes.WaitForBoxes(1, kWait));
    ASSERT_TRUE(CloseHostWindow());
    EXPECT_EQ(host->WaitExit(), 0) << host->Output();
    EXPECT_NE(host->Output().find("link closed"), std::string::npos) << host->Output();
}

// Failures the user can cause: one line on the output, exit code 1, no hang.
struct Failure {
    const char* name;
    const char* program;
    const char* args;  // {busy} is a port in use on 127.0.0.1, {script} a file with a typo
    const char* says;
    bool boxFromTheLibrary;
};

class ToolsFailure : public ::testing::TestWithParam<Failure> {};

TEST_P(ToolsFailure, OneClearLine)
{
    const Failure& f = GetParam();
    LoopbackServer busy;  // holds a listening port
    BoxWatcher boxes;
    std::string scriptPath = TempPath("typo.txt");
    WriteFile(scriptPath, Script({"START_TEST 1+", "@pase 1s"}));
    std::string args = f.args;
    auto replace = [&args](const std::string& key, const std::string& value) {
        size_t at = args.find(key);
        if (at != std::string::npos) args.replace(at, key.size(), value);
    };
    replace("{busy}", std::to_string(busy.port()));
    replace("{free}", std::to_string(UnusedPort()));
    replace("{script}", "\"" + scriptPath + "\"");

    Program program(f.program, args, "failure");
    ASSERT_TRUE(program.started());
    EXPECT_EQ(program.WaitExit(), 1) << program.Output();
    std::string output = program.Output();
    std::string last = output.substr(output.rfind('\n', output.size() - 2) + 1);
    EXPECT_NE(last.find(f.says), std::string::npos) << output;
    EXPECT_EQ(output.find("listening"), std::string::npos) << output;
    if (std::string(f.program) == "controller.exe") {
        EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    }
    if (f.boxFromTheLibrary) {
        EXPECT_EQ(boxes.Texts().size(), 1u);
    }
    DeleteFileA(scriptPath.c_str());
}

INSTANTIATE_TEST_SUITE_P(Table, ToolsFailure, ::testing::Values(
    Failure{"AddressInUse", "controller.exe", "tcp --listen 127.0.0.1 --port {busy}",
            "the address is already in use", false},
    Failure{"AddressNotOurs", "controller.exe", "tcp --listen 192.0.2.1 --port {free}",
            "not an address of this machine", false},
    Failure{"NoSuchPort", "controller.exe", "serial COM200", "controller: COM200 does not exist", false},
    Failure{"MissingScript", "controller.exe", "tcp --port {free} --script nosuch.txt",
            "controller: cannot open script 'nosuch.txt'", false},
    Failure{"ScriptTypoFoundBeforeListening", "controller.exe", "tcp --port {free} --script {script}",
            ":2: unknown directive '@pase 1s'", false},
    Failure{"BadArguments", "controller.exe", "tcp --port 99999", "controller: bad --port '99999'", false},
    Failure{"NobodyListening", "sample_host.exe", "tcp --port {free}", "sample_host: cannot connect to 127.0.0.1:", true},
    Failure{"HostBadArguments", "sample_host.exe", "serial COM3 --baud 300", "sample_host: bad --baud '300'", false}),
    [](const ::testing::TestParamInfo<Failure>& info) { return std::string(info.param.name); });

// Wine starts a prefix's desktop with the first window and ends it some
// seconds after the last one is gone; starting it can take ten seconds. One
// window held for the whole run keeps that out of every test.
class DesktopKeeper : public ::testing::Environment {
public:
    void SetUp() override
    {
        window_ = CreateWindowA("STATIC", "tools test", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override { DestroyWindow(window_); }

private:
    HWND window_ = nullptr;
};

const auto* const kDesktopKeeper = ::testing::AddGlobalTestEnvironment(new DesktopKeeper);

}  // namespace
