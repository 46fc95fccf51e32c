// The TCP link end to end: the real DLL bound as a host binds it, a
// controller listening on 127.0.0.1, and every box answered by a watcher.
#include "support/box_watcher.h"
#include "support/loopback_server.h"
#include "support/quorlin_binding.h"

#include <gtest/gtest.h>

#include <future>

namespace {

constexpr DWORD kWait = 5000;

std::string SystemText(DWORD code)
{
    char text[1024] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text), nullptr);
    std::string s(text, n);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    return s;
}

// Wine starts helper threads for a process's first window; start them before
// counting threads, so that only the library's workers are counted.
void WarmUpWindowing()
{
    HWND window = CreateWindowA("STATIC", "warm-up", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(window);
}

class TcpLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dll.Load());
        ASSERT_TRUE(dll.initialClient && dll.sendViaLan && dll.recvFromServer && dll.closeConnection);
        CallbackRecorder::Clear();
        WarmUpWindowing();
        baseThreads = ThreadCount();
    }

    // Ends what a test left open while the watcher still answers boxes.
    void TearDown() override
    {
        if (dll.closeConnection && connected) dll.closeConnection();
        WaitForThreadCount(baseThreads, kWait);
    }

    void Connect()
    {
        connected = true;
        char address[] = "127.0.0.1";
        ASSERT_TRUE(dll.initialClient(address, server.port()));
        ASSERT_TRUE(server.Accept(kWait));
    }

    void StartReceiving(std::string initial = "")
    {
        dll.recvFromServer(initial, &CallbackRecorder::Callback);
    }

    QuorlinBinding dll;
    BoxWatcher boxes;
    LoopbackServer server;
    int baseThreads = 0;
    bool connected = false;
};

TEST(QuorlinExports, AllEightBindByTheirDecoratedNames)
{
    QuorlinBinding dll;
    ASSERT_TRUE(dll.Load());
    EXPECT_TRUE(dll.initialClient);
    EXPECT_TRUE(dll.sendViaLan);
    EXPECT_TRUE(dll.recvFromServer);
    EXPECT_TRUE(dll.closeConnection);
    EXPECT_TRUE(dll.initialCom);
    EXPECT_TRUE(dll.sendViaCom);
    EXPECT_TRUE(dll.recvFromCom);
    EXPECT_TRUE(dll.closeCom);
}

TEST_F(TcpLink, SendBeforeConnectingFailsWithoutABox)
{
    EXPECT_FALSE(dll.sendViaLan("hello"));
    Sleep(200);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(TcpLink, HostTextArrivesByteForByte)
{
    Connect();
    std::string text;
    for (int b = 1; b < 256; ++b) text += static_cast<char>(b);
    ASSERT_TRUE(dll.sendViaLan(text));
    EXPECT_EQ(server.Receive(text.size(), kWait), text);

    // Large enough to fill the socket buffers: the rest must follow the
    // partial sends.
    std::string big(8 << 20, 'q');
    for (size_t i = 0; i < big.size(); i += 4096) big[i] = static_cast<char>('a' + (i / 4096) % 26);
    auto received = std::async(std::launch::async, [&] { return server.Receive(big.size() + 3, 20000); });
    EXPECT_TRUE(dll.sendViaLan(big + "end"));
    EXPECT_EQ(received.get(), big + "end");
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(TcpLink, SendStopsAtTheFirstNulByte)
{
    Connect();
    ASSERT_TRUE(dll.sendViaLan(std::string("PASS\0hidden", 11)));
    ASSERT_TRUE(dll.sendViaLan("!"));
    EXPECT_EQ(server.Receive(5, kWait), "PASS!");
}

struct ReceiveCase {
    const char* chunk;
    CALLBACKCOMMAND code;
    const char* argument;
};

TEST_F(TcpLink, EachChunkIsTrimmedAndReachesTheCallbackOnTheWorker)
{
    const ReceiveCase cases[] = {
        {"START_TEST 7+", CMD_START_TEST, " 7"},
        {"  TIME_OUT 30+\r\n", CMD_TIME_OUT, " 30"},
        {"START_TEST 5\r\n", CMD_START_TEST, " "},
        {"TEST_DONE PASS+", CMD_TEST_DONE, " PASS"},
        {"AUTO_DOWNLOAD fw.bin+", CMD_AUTO_DOWNLOAD, "fw.bin+"},
        {"START_TEST 1+TIME_OUT 2+", CMD_TIME_OUT, " 1+TIME_OUT 2"},
        {"hello", CMD_NONE, ""},
    };
    Connect();
    StartReceiving();
    size_t expected = 0;
    for (const ReceiveCase& c : cases) {
        ASSERT_TRUE(server.Send(c.chunk));
        ASSERT_TRUE(CallbackRecorder::WaitFor(++expected, kWait)) << c.chunk;
        ReceivedCommand got = CallbackRecorder::Commands().back();
        EXPECT_EQ(got.code, c.code) << c.chunk;
        EXPECT_EQ(got.argument, c.argument) << c.chunk;
        EXPECT_NE(got.threadId, GetCurrentThreadId());
    }
    EXPECT_TRUE(dll.closeConnection());
}

TEST_F(TcpLink, InitialTextStartsTheFirstMessageOnly)
{
    Connect();
    StartReceiving("START_TEST ");
    ASSERT_TRUE(server.Send("9+"));
    ASSERT_TRUE(CallbackRecorder::WaitFor(1, kWait));
    ASSERT_TRUE(server.Send("9+"));
    ASSERT_TRUE(CallbackRecorder::WaitFor(2, kWait));
    auto got = CallbackRecorder::Commands();
    EXPECT_EQ(got[0].code, CMD_START_TEST);
    EXPECT_EQ(got[0].argument, " 9");
    EXPECT_EQ(got[1].code, CMD_NONE);
}

TEST_F(TcpLink, AFullChunkWithoutNulGivesAtMostItsBytes)
{
    Connect();
    std::string first = "AUTO_DOWNLOAD " + std::string(1024 - 14, 'x');
    ASSERT_TRUE(server.Send(first + "yyyyy"));
    Sleep(500);  // on loopback both parts are in the socket long before this
    StartReceiving();
    ASSERT_TRUE(CallbackRecorder::WaitFor(2, kWait));
    auto got = CallbackRecorder::Commands();
    EXPECT_EQ(got[0].code, CMD_AUTO_DOWNLOAD);
    EXPECT_EQ(got[0].argument, std::string(1024 - 14, 'x'));
    EXPECT_EQ(got[1].code, CMD_NONE);
}

TEST_F(TcpLink, HostCloseWhileTheWorkerWaitsShowsNoBoxAndEndsTheWorker)
{
    Connect();
    StartReceiving();
    ASSERT_TRUE(server.Send("START_TEST 1+"));
    ASSERT_TRUE(CallbackRecorder::WaitFor(1, kWait));
    Sleep(100);  // the worker is back waiting for data
    EXPECT_TRUE(dll.closeConnection());
    EXPECT_TRUE(server.PeerClosed(kWait));
    EXPECT_TRUE(WaitForThreadCount(baseThreads, kWait));
    Sleep(300);
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_FALSE(dll.sendViaLan("late"));
}

TEST_F(TcpLink, ControllerCloseShowsItsBoxAndEndsTheWorker)
{
    Connect();
    StartReceiving();
    Sleep(100);
    server.CloseClient();
    ASSERT_TRUE(boxes.WaitForBoxes(1, kWait));
    EXPECT_EQ(boxes.Texts()[0], "The controller closed the connection.");
    EXPECT_TRUE(WaitForThreadCount(baseThreads, kWait));
    EXPECT_FALSE(dll.sendViaLan("after"));
    // The socket is still open until the host closes it.
    EXPECT_TRUE(dll.closeConnection());
}

TEST_F(TcpLink, RefusedConnectShowsTheSystemText)
{
    char address[] = "127.0.0.1";
    EXPECT_FALSE(dll.initialClient(address, UnusedPort()));
    ASSERT_TRUE(boxes.WaitForBoxes(1, kWait));
    EXPECT_EQ(boxes.Texts()[0], SystemText(WSAECONNREFUSED));
    EXPECT_FALSE(dll.sendViaLan("x"));
}

TEST_F(TcpLink, BadOrNullAddressFailsWithABox)
{
    char notAnAddress[] = "controller.local";
    EXPECT_FALSE(dll.initialClient(notAnAddress, server.port()));
    EXPECT_FALSE(dll.initialClient(nullptr, server.port()));
    EXPECT_TRUE(boxes.WaitForBoxes(2, kWait));
    EXPECT_FALSE(dll.sendViaLan("x"));
}

TEST_F(TcpLink, ClosingWhenNothingIsOpenFailsWithABox)
{
    Connect();
    EXPECT_TRUE(dll.closeConnection());
    EXPECT_FALSE(dll.closeConnection());
    ASSERT_TRUE(boxes.WaitForBoxes(1, kWait));
    std::string expected = SystemText(WSAENOTSOCK);
    if (expected.empty()) expected = "Error 10038.";  // Wine has no text for it
    EXPECT_EQ(boxes.Texts()[0], expected);
}

TEST_F(TcpLink, ReconnectingClosesTheEarlierSocketAndItsWorkerQuietly)
{
    Connect();
    StartReceiving();
    LoopbackServer second;
    char address[] = "127.0.0.1";
    ASSERT_TRUE(dll.initialClient(address, second.port()));
    ASSERT_TRUE(second.Accept(kWait));
    EXPECT_TRUE(server.PeerClosed(kWait));
    EXPECT_TRUE(WaitForThreadCount(baseThreads, kWait));

    StartReceiving();
    ASSERT_TRUE(second.Send("TIME_OUT 4+"));
    ASSERT_TRUE(CallbackRecorder::WaitFor(1, kWait));
    EXPECT_EQ(CallbackRecorder::Commands()[0].argument, " 4");
    ASSERT_TRUE(dll.sendViaLan("on the new link"));
    EXPECT_EQ(second.Receive(15, kWait), "on the new link");
    EXPECT_TRUE(dll.closeConnection());
    Sleep(200);
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(TcpLink, ANullCallbackDropsMessagesWithoutHarm)
{
    Connect();
    std::string initial;
    dll.recvFromServer(initial, nullptr);
    ASSERT_TRUE(server.Send("START_TEST 1+"));
    Sleep(200);
    ASSERT_TRUE(dll.sendViaLan("still here"));
    EXPECT_EQ(server.Receive(10, kWait), "still here");
    EXPECT_TRUE(dll.closeConnection());
    EXPECT_TRUE(WaitForThreadCount(baseThreads, kWait));
    EXPECT_TRUE(boxes.Texts().empty());
}

}  // namespace
