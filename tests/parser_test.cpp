#include "command_parser.h"
#include "recv_context.h"

#include <gtest/gtest.h>

namespace {

struct ParserCase {
    const char* message;
    CALLBACKCOMMAND code;
    const char* argument;
};

class ParserTable : public ::testing::TestWithParam<ParserCase> {};

TEST_P(ParserTable, ClassifiesMessage)
{
    const ParserCase& c = GetParam();
    ParsedCommand parsed = ClassifyCommand(c.message);
    EXPECT_EQ(parsed.code, c.code) << c.message;
    EXPECT_EQ(parsed.argument, c.argument) << c.message;
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ParserTable,
    ::testing::Values(
        // The controller's usual messages.
        ParserCase{"START_TEST 15+", CMD_START_TEST, " 15"},
        ParserCase{"START_TEST 15", CMD_START_TEST, " 1"},
        ParserCase{"START_TEST", CMD_START_TEST, ""},
        ParserCase{"TIME_OUT 30+", CMD_TIME_OUT, " 30"},
        ParserCase{"TIME_OUT+", CMD_TIME_OUT, ""},
        ParserCase{"TEST_DONE PASS+", CMD_TEST_DONE, " PASS"},
        ParserCase{"TEST_DONE+", CMD_TEST_DONE, "TEST_DONE+"},
        ParserCase{"AUTO_DOWNLOAD fw.bin+", CMD_AUTO_DOWNLOAD, "fw.bin+"},
        ParserCase{"AUTO_DOWNLOAD+", CMD_AUTO_DOWNLOAD, "AUTO_DOWNLOAD+"},
        ParserCase{"AUTO_DOWNLOAD PASS+", CMD_AUTO_DOWNLOAD_PASS, ""},
        ParserCase{"AUTO_DOWNLOAD FAIL+", CMD_AUTO_DOWNLOAD_FAIL, ""},
        ParserCase{"DOWNLOADOK+", CMD_DOWNLOADOK, ""},
        ParserCase{"RESET_HUB+", CMD_RESET_HUB, ""},
        ParserCase{"MKB_ERROR+", CMD_MKB_ERROR, ""},
        ParserCase{"hello+", CMD_NONE, ""},
        ParserCase{"+", CMD_NONE, ""},
        ParserCase{"", CMD_NONE, ""},
        // Later tests overwrite earlier ones; the AUTO_DOWNLOAD chain stops at
        // its first match.
        ParserCase{"MKB_ERROR RESET_HUB", CMD_RESET_HUB, ""},
        ParserCase{"TEST_DONE+TIME_OUT", CMD_TEST_DONE, "TEST_DONE+TIME_OUT"},
        ParserCase{"START_TEST 1+TIME_OUT 2+", CMD_TIME_OUT, " 1+TIME_OUT 2"},
        ParserCase{"AUTO_DOWNLOAD FAIL AUTO_DOWNLOAD PASS+", CMD_AUTO_DOWNLOAD_PASS, ""},
        ParserCase{"AUTO_DOWNLOADOK x+", CMD_AUTO_DOWNLOAD, "x+"},
        ParserCase{"START_TEST 3 DOWNLOADOK+", CMD_START_TEST, " 3 DOWNLOADOK"},
        // The argument is cut at the first space, wherever it is.
        ParserCase{"x START_TEST 5+", CMD_START_TEST, " START_TEST 5"},
        ParserCase{"START_TEST  +", CMD_START_TEST, "  "},
        // Keywords are case-sensitive.
        ParserCase{"start_test 5+", CMD_NONE, ""},
        ParserCase{"Time_Out 5+", CMD_NONE, ""}));

TEST(ClampedSubstring, ClampsEveryOutOfRangeValue)
{
    EXPECT_EQ(ClampedSubstring("abcdef", -3, 2), "ab");
    EXPECT_EQ(ClampedSubstring("abcdef", 2, -1), "");
    EXPECT_EQ(ClampedSubstring("abcdef", 4, 100), "ef");
    EXPECT_EQ(ClampedSubstring("abcdef", 6, 1), "");
    EXPECT_EQ(ClampedSubstring("abcdef", 60, 1), "");
}

TEST(TrimWhiteSpace, RemovesTheSixWhiteSpaceBytesAtBothEndsOnly)
{
    EXPECT_EQ(TrimWhiteSpace(" \t\n\v\f\rSTART_TEST 5\r\n"), "START_TEST 5");
    EXPECT_EQ(TrimWhiteSpace("a \t b"), "a \t b");
    EXPECT_EQ(TrimWhiteSpace(" \r\n "), "");
    EXPECT_EQ(TrimWhiteSpace("\x01x\xa0"), "\x01x\xa0");
}

std::vector<std::pair<CALLBACKCOMMAND, std::string>> g_calls;

unsigned char Record(CALLBACKCOMMAND code, void* argument)
{
    g_calls.emplace_back(code, static_cast<const char*>(argument));
    return 0;
}

TEST(ParseCommand, CallsTheCallbackExactlyOnceWithANulTerminatedArgument)
{
    g_calls.clear();
    ParseCommand("TIME_OUT 30+", Record);
    ParseCommand("nothing here", Record);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0], std::make_pair(CMD_TIME_OUT, std::string(" 30")));
    EXPECT_EQ(g_calls[1], std::make_pair(CMD_NONE, std::string()));
}

TEST(ParseCommand, NullCallbackDropsTheMessage)
{
    ParseCommand("START_TEST 1+", nullptr);
}

struct FramingCase {
    Framing framing;
    const char* accumulated;
    const char* chunk;
    bool complete;
};

class FramingTable : public ::testing::TestWithParam<FramingCase> {};

TEST_P(FramingTable, DecidesWhenAMessageIsComplete)
{
    const FramingCase& c = GetParam();
    EXPECT_EQ(CompletesMessage(c.framing, c.accumulated, c.chunk), c.complete)
        << c.accumulated << " / " << c.chunk;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FramingTable,
    ::testing::Values(FramingCase{Framing::EachChunk, "START_TEST 5", "START_TEST 5", true},
                      FramingCase{Framing::EachChunk, "seed", "", false},
                      FramingCase{Framing::UntilPlus, "START_TEST 12", "START_TEST 12", false},
                      FramingCase{Framing::UntilPlus, "START_TEST 12+", "+", true},
                      FramingCase{Framing::UntilPlus, "a+b", "b", true},
                      FramingCase{Framing::UntilPlus, "a+", "", false}));

TEST(RecvContext, KeepsOnlyTheNewestBytesOfAnEndlessMessage)
{
    RecvContext context;
    context.Seed("", nullptr);
    CompleteMessage message;
    std::string block(1000, 'x');
    for (int i = 0; i < 100; ++i) EXPECT_FALSE(context.Append(block, Framing::UntilPlus, message));
    ASSERT_TRUE(context.Append("tail+", Framing::UntilPlus, message));
    EXPECT_LE(message.text.size(), kMaxAccumulated + 5);
    EXPECT_EQ(message.text.substr(message.text.size() - 5), "tail+");
}

TEST(RecvContext, SeedStartsTheFirstMessageAndTheLastSeedWins)
{
    RecvContext context;
    context.Seed("first ", Record);
    context.Seed("START_TEST ", nullptr);
    CompleteMessage message;
    ASSERT_TRUE(context.Append("9+", Framing::EachChunk, message));
    EXPECT_EQ(message.text, "START_TEST 9+");
    EXPECT_EQ(message.callback, nullptr);
    ASSERT_TRUE(context.Append("x", Framing::EachChunk, message));
    EXPECT_EQ(message.text, "x");
}

}  // namespace
