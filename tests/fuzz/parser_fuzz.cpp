// libFuzzer target for the message code, built natively (no Windows headers
// involved): classification, trimming and the receive framing.
#include "command_parser.h"
#include "recv_context.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

int g_calls = 0;

unsigned char CountCall(CALLBACKCOMMAND code, void* argument)
{
    ++g_calls;
    if (!argument) abort();
    if (code > CMD_MKB_ERROR && code != CMD_NONE) abort();
    return 0;
}

void CheckClassification(const std::string& message)
{
    ParsedCommand parsed = ClassifyCommand(message);
    // The argument is always cut from the message itself.
    if (!parsed.argument.empty() && message.find(parsed.argument) == std::string::npos) abort();
    if (parsed.code == CMD_NONE && !parsed.argument.empty()) abort();

    g_calls = 0;
    ParseCommand(message, CountCall);
    if (g_calls != 1) abort();
}

void CheckTrim(const std::string& text)
{
    std::string trimmed = TrimWhiteSpace(text);
    if (text.find(trimmed) == std::string::npos) abort();
    if (TrimWhiteSpace(trimmed) != trimmed) abort();
}

// Splits the input into chunks at 0xFF bytes and feeds them as the serial
// worker would: nothing may be lost before a message completes, and the
// accumulator never exceeds its bound.
void CheckSerialFraming(const std::string& input)
{
    RecvContext context;
    context.Seed("", nullptr);
    std::string pending;
    size_t start = 0;
    while (start <= input.size()) {
        size_t end = input.find('\xff', start);
        if (end == std::string::npos) end = input.size();
        std::string chunk = input.substr(start, end - start);
        pending += chunk;
        CompleteMessage message;
        if (context.Append(chunk, Framing::UntilPlus, message)) {
            if (message.text.find('+') == std::string::npos) abort();
            if (pending.size() <= kMaxAccumulated && message.text != pending) abort();
            pending.clear();
        }
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string input(reinterpret_cast<const char*>(data), size);
    CheckClassification(input);
    CheckTrim(input);
    CheckSerialFraming(input);
    return 0;
}
