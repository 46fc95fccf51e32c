// The serial link end to end on a real line: a pty pair linked into the Wine
// prefix as two COM ports. The library opens one, the test plays the device
// on the other.
#include "support/box_watcher.h"
#include "support/loopback_server.h"
#include "support/quorlin_binding.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

constexpr DWORD kWait = 5000;

int EnvNumber(const char* name)
{
    const char* value = getenv(name);
    return value ? atoi(value) : 0;
}

class Device {
public:
    explicit Device(int comNumber)
    {
        std::string name = "\\\\.\\COM" + std::to_string(comNumber);
        handle_.reset(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        COMMTIMEOUTS timeouts{MAXDWORD, 0, 0, 0, 1000};
        SetCommTimeouts(handle_.get(), &timeouts);
    }
    bool valid() const { return handle_.valid(); }

    bool Write(const std::string& bytes)
    {
        DWORD written = 0;
        return WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }

    std::string Read(size_t count, DWORD timeoutMs)
    {
        std::string received;
        DWORD start = GetTickCount();
        while (received.size() < count && GetTickCount() - start < timeoutMs) {
            char buffer[4096];
            DWORD n = 0;
            if (!ReadFile(handle_.get(), buffer, sizeof(buffer), &n, nullptr)) break;
            if (n == 0) Sleep(10);
            received.append(buffer, n);
        }
        return received;
    }

    void Drain() { Read(SIZE_MAX, 100); }

private:
    UniqueFile handle_;
};

// What `stty -a` says about the library's end of the pty pair. Wine starts
// the Unix shell but does not let us wait for it, so wait for its output.
std::string SttyOfHostLine()
{
    const char* pty = getenv("VEXO_TEST_COM_HOST_PTY");
    if (!pty) return "";
    static int calls = 0;
    std::string out = std::string(pty) + ".stty" + std::to_string(++calls);
    std::string command = "/bin/sh -c \"stty -a -F " + std::string(pty) + " > " + out + ".part 2>&1; mv " + out +
                          ".part " + out + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return "";
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::string windowsPath = "Z:" + out;
    for (int i = 0; i < 250 && GetFileAttributesA(windowsPath.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(20);
    std::ifstream file(windowsPath);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class SerialLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        hostCom = EnvNumber("VEXO_TEST_COM_HOST");
        deviceCom = EnvNumber("VEXO_TEST_COM_DEVICE");
        ASSERT_GT(hostCom, 9) << "the test run links a pty pair as COM ports above COM9";
        ASSERT_TRUE(dll.Load());
        ASSERT_TRUE(dll.initialCom && dll.sendViaCom && dll.recvFromCom && dll.closeCom);
        CallbackRecorder::Clear();
        HWND window = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        DestroyWindow(window);  // Wine's windowing threads start before we count
        baseThreads = ThreadCount();
    }

    void TearDown() override
    {
        if (dll.closeCom) dll.closeCom();
        Sleep(100);  // the worker ends within a poll
    }

    void Open(int baudCode = 4, int eight = 1, int stop = 0, int parity = 0)
    {
        ASSERT_TRUE(dll.initialCom(hostCom - 1, baudCode, eight, stop, parity));
        device.reset(new Device(deviceCom));
        ASSERT_TRUE(device->valid());
        device->Drain();
    }

    void StartReceiving(std::string initial = "")
    {
        dll.recvFromCom(initial, &CallbackRecorder::Callback);
    }

    int hostCom = 0;
    int deviceCom = 0;
    QuorlinBinding dll;
    BoxWatcher boxes;
    std::unique_ptr<Device> device;
    int baseThreads = 0;
};

struct RateCase {
    int baudCode;
    int stopBits;
    const char* speed;
    bool twoStopBits;
};

TEST_F(SerialLink, TheRateAndStopBitsReachTheLine)
{
    const RateCase cases[] = {
        {0, 0, "speed 4800 baud", false},
        {4, 2, "speed 115200 baud", true},
        {7, 0, "speed 9600 baud", false},
        {3, 2, "speed 38400 baud", true},
    };
    for (const RateCase& c : cases) {
        ASSERT_TRUE(dll.initialCom(hostCom - 1, c.baudCode, 1, c.stopBits, 0));
        std::string stty = SttyOfHostLine();
        EXPECT_NE(stty.find(c.speed), std::string::npos) << stty;
        EXPECT_NE(stty.find(c.twoStopBits ? " cstopb" : " -cstopb"), std::string::npos) << stty;
    }
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SerialLink, HostTextComesOutOfTheLineByteForByte)
{
    Open();
    std::string text;
    for (int b = 1; b < 256; ++b) text += static_cast<char>(b);
    text += std::string(4000, 'z');
    EXPECT_TRUE(dll.sendViaCom(text));
    EXPECT_EQ(device->Read(text.size(), kWait), text);
}

TEST_F(SerialLink, AMessageEndsWithTheReadThatBringsAPlus)
{
    Open();
    StartReceiving();
    ASSERT_TRUE(device->Write("START_TEST 12"));
    Sleep(300);  // several polls see text without "+"
    EXPECT_TRUE(CallbackRecorder::Commands().empty());
    ASSERT_TRUE(device->Write("+"));
    ASSERT_TRUE(CallbackRecorder::WaitFor(1, kWait));
    Sleep(200);
    auto got = CallbackRecorder::Commands();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].code, CMD_START_TEST);
    EXPECT_EQ(got[0].argument, " 12");
    EXPECT_NE(got[0].threadId, GetCurrentThreadId());
}

TEST_F(SerialLink, OneReadWithTwoKeywordsIsOneMessage)
{
    Open();
    StartReceiving();
    ASSERT_TRUE(device->Write("TEST_DONE+TIME_OUT"));
    ASSERT_TRUE(CallbackRecorder::WaitFor(1, kWait));
    auto got = CallbackRecorder::Commands();
    EXPECT_EQ(got[0].code, CMD_TEST_DONE);
    EXPECT_EQ(got[0].argument, "TEST_DONE+TIME_OUT");
}

TEST_F(SerialLink, InitialTextStartsTheFirstMessage)
{
    Open();
    StartReceiving("TIME_OUT");
    ASSERT_TRUE(device->Write(" 45+"));
    ASSERT_TRUE(CallbackRecorder::WaitFor(1, kWait));
    EXPECT_EQ(CallbackRecorder::Commands()[0].code, CMD_TIME_OUT);
    EXPECT_EQ(CallbackRecorder::Commands()[0].argument, " 45");
}

TEST_F(SerialLink, ClosingWhileTheWorkerPollsEndsItWithinATurn)
{
    Open();
    StartReceiving();
    Sleep(200);
    ASSERT_GT(ThreadCount(), baseThreads);
    EXPECT_TRUE(dll.closeCom());
    EXPECT_TRUE(WaitForThreadCount(baseThreads, kWait));
    EXPECT_FALSE(dll.sendViaCom("late"));
    EXPECT_TRUE(dll.closeCom()) << "closing a closed port succeeds";
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SerialLink, APortThatCannotBeOpenedGivesTheOpenBox)
{
    const int indexes[] = {200, 256, -1};  // COM201 is not linked; the others name no port
    for (int index : indexes) {
        EXPECT_FALSE(dll.initialCom(index, 1, 1, 0, 0)) << index;
    }
    ASSERT_TRUE(boxes.WaitForBoxes(3, kWait));
    for (const std::string& text : boxes.Texts()) EXPECT_EQ(text, "Open com port fails.");
    EXPECT_FALSE(dll.sendViaCom("x"));
    EXPECT_TRUE(dll.closeCom());
}

TEST_F(SerialLink, ReopeningClosesTheEarlierPortFirst)
{
    Open();
    ASSERT_TRUE(dll.initialCom(hostCom - 1, 1, 1, 0, 0)) << "the port is exclusive: the earlier handle must be gone";
    EXPECT_TRUE(dll.sendViaCom("again"));
    EXPECT_EQ(device->Read(5, kWait), "again");
}

unsigned char OtherCallback(CALLBACKCOMMAND, void*)
{
    ADD_FAILURE() << "an earlier callback was called";
    return 0;
}

TEST_F(SerialLink, BothTransportsDeliverToTheCallbackGivenLast)
{
    LoopbackServer controller;
    char address[] = "127.0.0.1";
    ASSERT_TRUE(dll.initialClient(address, controller.port()));
    ASSERT_TRUE(controller.Accept(kWait));
    std::string none;
    dll.recvFromServer(none, &OtherCallback);
    Open();
    StartReceiving();

    ASSERT_TRUE(controller.Send("START_TEST 3+"));
    ASSERT_TRUE(CallbackRecorder::WaitFor(1, kWait));
    ASSERT_TRUE(device->Write("RESET_HUB+"));
    ASSERT_TRUE(CallbackRecorder::WaitFor(2, kWait));
    auto got = CallbackRecorder::Commands();
    EXPECT_EQ(got[0].code, CMD_START_TEST);
    EXPECT_EQ(got[0].argument, " 3");
    EXPECT_EQ(got[1].code, CMD_RESET_HUB);
    EXPECT_TRUE(dll.closeConnection());
}

TEST_F(SerialLink, ReceivingOnAClosedPortLeavesTheContextAndStartsNothing)
{
    LoopbackServer controller;
    char address[] = "127.0.0.1";
    ASSERT_TRUE(dll.initialClient(address, controller.port()));
    ASSERT_TRUE(controller.Accept(kWait));
    std::string none;
    dll.recvFromServer(none, &CallbackRecorder::Callback);
    Sleep(100);
    int threads = ThreadCount();

    std::string junk = "junk ";
    dll.recvFromCom(junk, &OtherCallback);
    Sleep(200);
    EXPECT_EQ(ThreadCount(), threads);

    ASSERT_TRUE(controller.Send("START_TEST 3+"));
    ASSERT_TRUE(CallbackRecorder::WaitFor(1, kWait));
    EXPECT_EQ(CallbackRecorder::Commands()[0].argument, " 3");
    EXPECT_TRUE(dll.closeConnection());
}

}  // namespace
