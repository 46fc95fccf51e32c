// The tools' plain layer: command lines, script lines and the sample host's
// decisions, as tables.
#include "controller/controller_options.h"
#include "sample_host/host_options.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<std::string> Split(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

struct ControllerRun {
    const char* args;
    Transport transport;
    const char* listen;
    int port;
    int comPort;
    unsigned long baud;
    int dataBits, parity, stopBits;
    const char* script;
};

class ControllerArgsAccepted : public ::testing::TestWithParam<ControllerRun> {};

TEST_P(ControllerArgsAccepted, GiveTheseOptions)
{
    const ControllerRun& c = GetParam();
    ControllerOptions options;
    ParseOutcome outcome = ParseControllerArgs(Split(c.args), options);
    ASSERT_EQ(outcome.kind, ParseOutcome::Run) << outcome.error;
    EXPECT_EQ(options.transport, c.transport);
    EXPECT_EQ(options.listenAddress, c.listen);
    EXPECT_EQ(options.port, c.port);
    EXPECT_EQ(options.comPort, c.comPort);
    EXPECT_EQ(options.line.baudRate, c.baud);
    EXPECT_EQ(options.line.dataBits, c.dataBits);
    EXPECT_EQ(options.line.parity, c.parity);
    EXPECT_EQ(options.line.stopBits, c.stopBits);
    EXPECT_EQ(options.scriptPath, c.script);
}

INSTANTIATE_TEST_SUITE_P(Table, ControllerArgsAccepted, ::testing::Values(
    ControllerRun{"tcp --port 5555", Transport::Tcp, "0.0.0.0", 5555, 0, 9600, 8, 0, 0, ""},
    ControllerRun{"tcp --listen 127.0.0.1 --port 0 --script s.txt", Transport::Tcp, "127.0.0.1", 0, 0, 9600, 8, 0, 0, "s.txt"},
    ControllerRun{"serial COM3", Transport::Serial, "0.0.0.0", -1, 3, 9600, 8, 0, 0, ""},
    ControllerRun{"serial com21 --baud 4", Transport::Serial, "0.0.0.0", -1, 21, 115200, 8, 0, 0, ""},
    ControllerRun{"serial COM1 --baud 0", Transport::Serial, "0.0.0.0", -1, 1, 4800, 8, 0, 0, ""},
    ControllerRun{"serial COM256 --baud 57600 --parity even --stop 1.5 --data 7", Transport::Serial, "0.0.0.0", -1, 256, 57600, 7, 2, 1, ""},
    ControllerRun{"serial COM2 --parity 3 --stop 2", Transport::Serial, "0.0.0.0", -1, 2, 9600, 8, 3, 2, ""},
    ControllerRun{"serial COM2 --parity SPACE --stop 1", Transport::Serial, "0.0.0.0", -1, 2, 9600, 8, 4, 0, ""}));

struct Rejected {
    const char* args;
    const char* reason;  // a part of the one-line error
};

class ControllerArgsRejected : public ::testing::TestWithParam<Rejected> {};

TEST_P(ControllerArgsRejected, WithAClearReason)
{
    ControllerOptions options;
    ParseOutcome outcome = ParseControllerArgs(Split(GetParam().args), options);
    ASSERT_EQ(outcome.kind, ParseOutcome::Error);
    EXPECT_NE(outcome.error.find(GetParam().reason), std::string::npos) << outcome.error;
    EXPECT_EQ(outcome.error.find('\n'), std::string::npos);
    EXPECT_EQ(options.port, -1) << "options are left alone on error";
}

INSTANTIATE_TEST_SUITE_P(Table, ControllerArgsRejected, ::testing::Values(
    Rejected{"", "no transport"},
    Rejected{"udp --port 1", "unknown transport 'udp'"},
    Rejected{"tcp", "tcp needs --port"},
    Rejected{"tcp --port", "--port needs a value"},
    Rejected{"tcp --port 65536", "bad --port '65536'"},
    Rejected{"tcp --port -1", "bad --port"},
    Rejected{"tcp --port 80x", "bad --port"},
    Rejected{"tcp --listen localhost --port 1", "bad --listen 'localhost'"},
    Rejected{"tcp --listen 1.2.3.256 --port 1", "bad --listen"},
    Rejected{"tcp --listen 1.2.3 --port 1", "bad --listen"},
    Rejected{"tcp --port 1 --baud 9600", "unknown option '--baud' for tcp"},
    Rejected{"serial", "serial needs a port"},
    Rejected{"serial --baud 1", "serial needs a port"},
    Rejected{"serial COM0", "COM1 to COM256"},
    Rejected{"serial COM257", "COM1 to COM256"},
    Rejected{"serial LPT1", "not a serial port name"},
    Rejected{"serial COM3 --port 5", "unknown option '--port' for serial"},
    Rejected{"serial COM3 --baud 5", "bad --baud '5'"},
    Rejected{"serial COM3 --baud fast", "bad --baud"},
    Rejected{"serial COM3 --parity maybe", "bad --parity"},
    Rejected{"serial COM3 --parity 5", "bad --parity"},
    Rejected{"serial COM3 --stop 0", "bad --stop '0'"},
    Rejected{"serial COM3 --data 9", "bad --data '9'"},
    Rejected{"serial COM3 --script", "--script needs a value"}));

TEST(ControllerArgs, HelpWinsOverEverythingElse)
{
    ControllerOptions options;
    EXPECT_EQ(ParseControllerArgs({"tcp", "--bogus", "--help"}, options).kind, ParseOutcome::Help);
    EXPECT_EQ(ParseControllerArgs({"/?"}, options).kind, ParseOutcome::Help);
}

struct ScriptCase {
    const char* line;
    InputLine::Kind kind;
    const char* text;  // Send: the bytes; Error: a part of the reason
    unsigned long pauseMs;
};

class ScriptLines : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(ScriptLines, MeanThis)
{
    const ScriptCase& c = GetParam();
    InputLine line = ParseInputLine(c.line);
    ASSERT_EQ(line.kind, c.kind) << c.line;
    if (c.kind == InputLine::Send) {
        EXPECT_EQ(line.text, c.text);
    } else if (c.kind == InputLine::Error) {
        EXPECT_NE(line.text.find(c.text), std::string::npos) << line.text;
    } else if (c.kind == InputLine::Pause) {
        EXPECT_EQ(line.pauseMs, c.pauseMs);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ScriptLines, ::testing::Values(
    ScriptCase{"START_TEST 7+", InputLine::Send, "START_TEST 7+", 0},
    ScriptCase{"START_TEST 7+\r", InputLine::Send, "START_TEST 7+", 0},
    ScriptCase{"  TIME_OUT 30+  ", InputLine::Send, "  TIME_OUT 30+  ", 0},
    ScriptCase{"x@pause 1s", InputLine::Send, "x@pause 1s", 0},
    ScriptCase{"@@pause 1s", InputLine::Send, "@pause 1s", 0},
    ScriptCase{"", InputLine::Nothing, "", 0},
    ScriptCase{"\r", InputLine::Nothing, "", 0},
    ScriptCase{"@pause 500ms", InputLine::Pause, "", 500},
    ScriptCase{"@pause 0ms", InputLine::Pause, "", 0},
    ScriptCase{"@pause 2s", InputLine::Pause, "", 2000},
    ScriptCase{"@pause 1.5s", InputLine::Pause, "", 1500},
    ScriptCase{"@pause 0.25s\r", InputLine::Pause, "", 250},
    ScriptCase{"@pause 600s", InputLine::Pause, "", 600000},
    ScriptCase{"@pause 601s", InputLine::Error, "bad pause", 0},
    ScriptCase{"@pause 500", InputLine::Error, "bad pause", 0},
    ScriptCase{"@pause 1.s", InputLine::Error, "bad pause", 0},
    ScriptCase{"@pause -1s", InputLine::Error, "bad pause", 0},
    ScriptCase{"@pause ", InputLine::Error, "bad pause", 0},
    ScriptCase{"@pause", InputLine::Error, "unknown directive", 0},
    ScriptCase{"@sleep 1s", InputLine::Error, "write @@", 0},
    ScriptCase{"@", InputLine::Error, "unknown directive", 0}));

struct HostCase {
    const char* args;
    bool ok;
    const char* expect;  // ok: "address:port" or "COMn index baud eight stop parity"; else part of the error
};

class HostArgs : public ::testing::TestWithParam<HostCase> {};

TEST_P(HostArgs, Parse)
{
    const HostCase& c = GetParam();
    HostOptions options;
    HostParseOutcome outcome = ParseHostArgs(Split(c.args), options);
    if (!c.ok) {
        ASSERT_EQ(outcome.kind, HostParseOutcome::Error);
        EXPECT_NE(outcome.error.find(c.expect), std::string::npos) << outcome.error;
        return;
    }
    ASSERT_EQ(outcome.kind, HostParseOutcome::Run) << outcome.error;
    std::string got;
    if (options.serial) {
        ComArguments com = ComArgumentsFor(options);
        got = "COM" + std::to_string(options.comPort) + " " + std::to_string(com.portIndex) + " " +
              std::to_string(com.baudCode) + " " + std::to_string(com.eightDataBits) + " " +
              std::to_string(com.stopBits) + " " + std::to_string(com.parity);
    } else {
        got = options.serverAddress + ":" + std::to_string(options.port);
    }
    EXPECT_EQ(got, c.expect);
}

INSTANTIATE_TEST_SUITE_P(Table, HostArgs, ::testing::Values(
    HostCase{"tcp --port 5555", true, "127.0.0.1:5555"},
    HostCase{"tcp --server 10.0.0.7 --port 1", true, "10.0.0.7:1"},
    HostCase{"serial COM1", true, "COM1 0 1 1 0 0"},
    HostCase{"serial COM21 --baud 115200 --data 7 --stop 2 --parity odd", true, "COM21 20 4 0 2 1"},
    HostCase{"serial COM10 --baud 0 --stop 1.5 --parity mark", true, "COM10 9 0 1 1 3"},
    HostCase{"serial COM3 --baud 38400", true, "COM3 2 3 1 0 0"},
    HostCase{"tcp", false, "tcp needs --port"},
    HostCase{"tcp --port 0", false, "bad --port '0'"},
    HostCase{"tcp --server localhost --port 1", false, "bad --server 'localhost'"},
    HostCase{"serial COM3 --baud 57600", false, "supports 4800, 9600, 19200, 38400 and 115200"},
    HostCase{"serial COMX", false, "not a serial port name"},
    HostCase{"serial COM3 --server 1.2.3.4", false, "unknown option '--server'"},
    HostCase{"pipe", false, "unknown transport"}));

TEST(SampleHost, NamesEveryCodeTheLibrarySends)
{
    EXPECT_EQ(CommandName(0), "CMD_AUTO_DOWNLOAD");
    EXPECT_EQ(CommandName(4), "CMD_TEST_DONE");
    EXPECT_EQ(CommandName(8), "CMD_MKB_ERROR");
    EXPECT_EQ(CommandName(20), "CMD_NONE");
    EXPECT_EQ(CommandName(9), "code 9");
    EXPECT_EQ(CommandName(-1), "code -1");
}

TEST(SampleHost, AnswersTestDoneWithItsArgument)
{
    EXPECT_EQ(ResultTextFor(" PASS"), "RESULT PASS");
    EXPECT_EQ(ResultTextFor(" FAIL 3 "), "RESULT FAIL 3");
    EXPECT_EQ(ResultTextFor(""), "RESULT");
    EXPECT_EQ(ResultTextFor("   "), "RESULT");
    EXPECT_EQ(ResultTextFor("TEST_DONE+"), "RESULT TEST_DONE+");
}

TEST(SampleHost, TellsArrivalFromRemoval)
{
    EXPECT_NE(DriveChangeText(1).find("arrival"), std::string::npos);
    EXPECT_NE(DriveChangeText(0).find("removal"), std::string::npos);
    EXPECT_NE(DriveChangeText(7).find("unknown"), std::string::npos);
}

TEST(Printable, EscapesWhatAConsoleCannotShow)
{
    EXPECT_EQ(Printable(std::string("A \r\n\t\\\x01\xff\0", 9)), "A \\r\\n\\t\\\\\\x01\\xFF\\x00");
}

}  // namespace
