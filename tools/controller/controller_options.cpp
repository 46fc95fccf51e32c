#include "controller_options.h"

const char kControllerUsage[] =
    "usage: controller tcp [--listen ADDR] --port N [--script FILE]\n"
    "       controller serial COMn [--baud CODE_OR_RATE] [--parity none|odd|even|mark|space]\n"
    "                              [--stop 1|1.5|2] [--data 7|8] [--script FILE]\n"
    "Plays the remote controller: sends each input line (standard input, or FILE)\n"
    "exactly as given and prints everything the host sends, with a time stamp.\n"
    "In FILE or on input, '@pause 500ms' or '@pause 2s' waits, '@@text' sends '@text'.\n"
    "tcp listens on ADDR (default 0.0.0.0, all interfaces) and accepts one host;\n"
    "--port 0 picks a free port. serial defaults to 9600 bit/s, 8 data bits, no parity,\n"
    "1 stop bit; --baud takes Quorlin's codes 0-4 or a rate in bit/s.\n";

ParseOutcome ParseControllerArgs(const std::vector<std::string>& args, ControllerOptions& options)
{
    ParseOutcome outcome;
    if (args.empty()) {
        outcome.error = "no transport given; use 'controller tcp ...' or 'controller serial COMn ...'";
        return outcome;
    }
    if (AsksForHelp(args)) {
        outcome.kind = ParseOutcome::Help;
        return outcome;
    }

    ControllerOptions parsed;
    size_t i = 1;
    if (args[0] == "tcp") {
        parsed.transport = Transport::Tcp;
    } else if (args[0] == "serial") {
        parsed.transport = Transport::Serial;
        if (args.size() < 2 || args[1].rfind("--", 0) == 0) {
            outcome.error = "serial needs a port, e.g. 'controller serial COM3'";
            return outcome;
        }
        outcome.error = ParseComPort(args[1], parsed.comPort);
        if (!outcome.error.empty()) return outcome;
        i = 2;
    } else {
        outcome.error = "unknown transport '" + args[0] + "'; use tcp or serial";
        return outcome;
    }

    for (; i < args.size(); ++i) {
        const std::string& option = args[i];
        std::string value;
        bool tcp = parsed.transport == Transport::Tcp;
        if (option == "--script") {
            if (!TakeOptionValue(args, i, value, outcome.error)) return outcome;
            parsed.scriptPath = value;
        } else if (tcp && option == "--listen") {
            if (!TakeOptionValue(args, i, value, outcome.error)) return outcome;
            if (!IsDottedQuad(value)) {
                outcome.error = "bad --listen '" + value + "': use an IPv4 address such as 127.0.0.1";
                return outcome;
            }
            parsed.listenAddress = value;
        } else if (tcp && option == "--port") {
            if (!TakeOptionValue(args, i, value, outcome.error)) return outcome;
            long port = 0;
            if (!ParseNumber(value, 0, 65535, port)) {
                outcome.error = "bad --port '" + value + "': use 1 to 65535, or 0 for any free port";
                return outcome;
            }
            parsed.port = static_cast<int>(port);
        } else if (!tcp && (option == "--baud" || option == "--parity" || option == "--stop" || option == "--data")) {
            if (!TakeOptionValue(args, i, value, outcome.error)) return outcome;
            ApplyLineOption(option, value, parsed.line, outcome.error);
            if (!outcome.error.empty()) return outcome;
        } else {
            outcome.error = "unknown option '" + option + "' for " + args[0];
            return outcome;
        }
    }
    if (parsed.transport == Transport::Tcp && parsed.port < 0) {
        outcome.error = "tcp needs --port N";
        return outcome;
    }
    options = parsed;
    outcome.kind = ParseOutcome::Run;
    return outcome;
}

namespace {

// "500ms", "2s" or "1.5s"; at most 10 minutes.
bool ParseDuration(const std::string& text, unsigned long& ms)
{
    long value = 0;
    if (text.size() > 2 && text.compare(text.size() - 2, 2, "ms") == 0) {
        if (!ParseNumber(text.substr(0, text.size() - 2), 0, 600000, value)) return false;
        ms = static_cast<unsigned long>(value);
        return true;
    }
    if (text.size() < 2 || text.back() != 's') return false;
    std::string number = text.substr(0, text.size() - 1);
    size_t dot = number.find('.');
    long whole = 0, fraction = 0;
    std::string wholeText = number.substr(0, dot);
    if (!ParseNumber(wholeText, 0, 600, whole)) return false;
    if (dot != std::string::npos) {
        std::string digits = number.substr(dot + 1);
        if (digits.empty() || digits.size() > 3 || !ParseNumber(digits, 0, 999, fraction)) return false;
        while (digits.size() < 3) {
            digits += '0';
            fraction *= 10;
        }
    }
    ms = static_cast<unsigned long>(whole * 1000 + fraction);
    return ms <= 600000;
}

}  // namespace

InputLine ParseInputLine(std::string line)
{
    InputLine result;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return result;
    if (line[0] != '@') {
        result.kind = InputLine::Send;
        result.text = line;
        return result;
    }
    if (line.size() > 1 && line[1] == '@') {
        result.kind = InputLine::Send;
        result.text = line.substr(1);
        return result;
    }
    const std::string pause = "@pause ";
    if (line.compare(0, pause.size(), pause) == 0 && ParseDuration(line.substr(pause.size()), result.pauseMs)) {
        result.kind = InputLine::Pause;
        return result;
    }
    result.kind = InputLine::Error;
    result.text = line.compare(0, pause.size(), pause) == 0
                      ? "bad pause '" + line + "': use e.g. '@pause 500ms' or '@pause 2s'"
                      : "unknown directive '" + line + "'; to send a line starting with @, write @@";
    return result;
}
