#include "command_parser.h"

namespace {

bool Contains(const std::string& text, const char* keyword)
{
    return text.find(keyword) != std::string::npos;
}

long FirstSpace(const std::string& text)
{
    std::string::size_type p = text.find(' ');
    return p == std::string::npos ? -1 : static_cast<long>(p);
}

// From the first space up to, not including, the last byte: the last byte is
// the message's terminator ("+" on a well-formed message).
std::string RestMinusLast(const std::string& message)
{
    long p = FirstSpace(message);
    long n = static_cast<long>(message.size());
    return ClampedSubstring(message, p, n - p - 1);
}

std::string RestAfterSpace(const std::string& message)
{
    long p = FirstSpace(message);
    return ClampedSubstring(message, p + 1, static_cast<long>(message.size()));
}

bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::string ClampedSubstring(const std::string& text, long start, long count)
{
    if (start < 0) start = 0;
    if (count < 0) count = 0;
    long size = static_cast<long>(text.size());
    if (start >= size) return std::string();
    if (count > size - start) count = size - start;
    return text.substr(static_cast<std::string::size_type>(start), static_cast<std::string::size_type>(count));
}

std::string TrimWhiteSpace(const std::string& text)
{
    std::string::size_type begin = 0;
    std::string::size_type end = text.size();
    while (begin < end && IsWhiteSpace(text[begin])) ++begin;
    while (end > begin && IsWhiteSpace(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

// The tests run in a fixed order and a later match overwrites an earlier one;
// controllers rely on that order, so it must not be "improved".
ParsedCommand ClassifyCommand(const std::string& message)
{
    ParsedCommand result{CMD_NONE, std::string()};
    bool hasSpace = FirstSpace(message) >= 0;

    if (Contains(message, "DOWNLOADOK")) result = {CMD_DOWNLOADOK, std::string()};
    if (Contains(message, "START_TEST"))
        result = {CMD_START_TEST, hasSpace ? RestMinusLast(message) : std::string()};
    if (Contains(message, "TIME_OUT"))
        result = {CMD_TIME_OUT, hasSpace ? RestMinusLast(message) : std::string()};
    if (Contains(message, "TEST_DONE")) result = {CMD_TEST_DONE, RestMinusLast(message)};
    if (Contains(message, "MKB_ERROR")) result = {CMD_MKB_ERROR, std::string()};
    if (Contains(message, "RESET_HUB")) result = {CMD_RESET_HUB, std::string()};

    if (Contains(message, "AUTO_DOWNLOAD PASS"))
        result = {CMD_AUTO_DOWNLOAD_PASS, std::string()};
    else if (Contains(message, "AUTO_DOWNLOAD FAIL"))
        result = {CMD_AUTO_DOWNLOAD_FAIL, std::string()};
    else if (Contains(message, "AUTO_DOWNLOAD"))
        result = {CMD_AUTO_DOWNLOAD, RestAfterSpace(message)};

    return result;
}

void ParseCommand(const std::string& message, RecvCallback callback)
{
    if (!callback) return;
    ParsedCommand command = ClassifyCommand(message);
    callback(command.code, command.argument.data());
}
