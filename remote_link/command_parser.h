// Turning one received message into a command code and its argument. Plain
// code: no system calls, so it can be tested and fuzzed anywhere.
#ifndef QUORLIN_COMMAND_PARSER_H
#define QUORLIN_COMMAND_PARSER_H

#include "exports/quorlin.h"

#include <string>

struct ParsedCommand {
    CALLBACKCOMMAND code;
    std::string argument;
};

// substring() with the clamping the argument rules rely on: a negative start
// or count counts as 0, a count past the end stops at the end, a start past
// the end gives "".
std::string ClampedSubstring(const std::string& text, long start, long count);

// Removes space, tab, LF, VT, FF and CR at both ends.
std::string TrimWhiteSpace(const std::string& text);

ParsedCommand ClassifyCommand(const std::string& message);

// Classifies the message and calls the callback exactly once with the code
// and the argument text. A null callback drops the message.
void ParseCommand(const std::string& message, RecvCallback callback);

#endif
