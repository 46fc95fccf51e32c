#include "host_options.h"

const char kHostUsage[] =
    "usage: sample_host tcp [--server ADDR] --port N\n"
    "       sample_host serial COMn [--baud CODE_OR_RATE] [--parity none|odd|even|mark|space]\n"
    "                               [--stop 1|1.5|2] [--data 7|8]\n"
    "The reference host: owns a window of class VexoPeluRERovaing, loads Quorlin.dll,\n"
    "connects to the controller at ADDR:N (default 127.0.0.1) or opens COMn, prints every\n"
    "command and every drive change, answers TEST_DONE with 'RESULT <argument>'.\n"
    "Quorlin.dll supports 4800, 9600, 19200, 38400 and 115200 bit/s (codes 0-4).\n"
    "Ends on Ctrl+C or when its window is sent WM_CLOSE.\n";

HostParseOutcome ParseHostArgs(const std::vector<std::string>& args, HostOptions& options)
{
    HostParseOutcome outcome;
    if (args.empty()) {
        outcome.error = "no transport given; use 'sample_host tcp ...' or 'sample_host serial COMn ...'";
        return outcome;
    }
    if (AsksForHelp(args)) {
        outcome.kind = HostParseOutcome::Help;
        return outcome;
    }

    HostOptions parsed;
    size_t i = 1;
    if (args[0] == "serial") {
        parsed.serial = true;
        if (args.size() < 2 || args[1].rfind("--", 0) == 0) {
            outcome.error = "serial needs a port, e.g. 'sample_host serial COM3'";
            return outcome;
        }
        outcome.error = ParseComPort(args[1], parsed.comPort);
        if (!outcome.error.empty()) return outcome;
        i = 2;
    } else if (args[0] != "tcp") {
        outcome.error = "unknown transport '" + args[0] + "'; use tcp or serial";
        return outcome;
    }

    bool havePort = false;
    for (; i < args.size(); ++i) {
        const std::string& option = args[i];
        std::string value;
        if (!parsed.serial && option == "--server") {
            if (!TakeOptionValue(args, i, value, outcome.error)) return outcome;
            // The library reads dotted-decimal text only; it looks up no names.
            if (!IsDottedQuad(value)) {
                outcome.error = "bad --server '" + value + "': use a dotted IPv4 address such as 127.0.0.1";
                return outcome;
            }
            parsed.serverAddress = value;
        } else if (!parsed.serial && option == "--port") {
            if (!TakeOptionValue(args, i, value, outcome.error)) return outcome;
            long port = 0;
            if (!ParseNumber(value, 1, 65535, port)) {
                outcome.error = "bad --port '" + value + "': use 1 to 65535";
                return outcome;
            }
            parsed.port = static_cast<int>(port);
            havePort = true;
        } else if (parsed.serial && (option == "--baud" || option == "--parity" || option == "--stop" || option == "--data")) {
            if (!TakeOptionValue(args, i, value, outcome.error)) return outcome;
            ApplyLineOption(option, value, parsed.line, outcome.error);
            if (!outcome.error.empty()) return outcome;
            if (option == "--baud" && BaudCodeForRate(parsed.line.baudRate) < 0) {
                outcome.error = "bad --baud '" + value + "': Quorlin.dll supports 4800, 9600, 19200, 38400 and 115200 bit/s";
                return outcome;
            }
        } else {
            outcome.error = "unknown option '" + option + "' for " + args[0];
            return outcome;
        }
    }
    if (!parsed.serial && !havePort) {
        outcome.error = "tcp needs --port N";
        return outcome;
    }
    options = parsed;
    outcome.kind = HostParseOutcome::Run;
    return outcome;
}

ComArguments ComArgumentsFor(const HostOptions& options)
{
    return {options.comPort - 1, BaudCodeForRate(options.line.baudRate), options.line.dataBits == 8 ? 1 : 0,
            options.line.stopBits, options.line.parity};
}

std::string CommandName(int code)
{
    static const char* const kNames[] = {"CMD_AUTO_DOWNLOAD", "CMD_DOWNLOADOK",         "CMD_START_TEST",
                                         "CMD_TIME_OUT",      "CMD_TEST_DONE",          "CMD_AUTO_DOWNLOAD_PASS",
                                         "CMD_AUTO_DOWNLOAD_FAIL", "CMD_RESET_HUB",     "CMD_MKB_ERROR"};
    if (code >= 0 && code <= 8) return kNames[code];
    if (code == 20) return "CMD_NONE";
    return "code " + std::to_string(code);
}

std::string ResultTextFor(const std::string& testDoneArgument)
{
    const char* blanks = " \t\r\n";
    size_t first = testDoneArgument.find_first_not_of(blanks);
    if (first == std::string::npos) return "RESULT";
    size_t last = testDoneArgument.find_last_not_of(blanks);
    return "RESULT " + testDoneArgument.substr(first, last - first + 1);
}

std::string DriveChangeText(unsigned long long wParam)
{
    if (wParam == 1) return "drive change 0x101C: arrival";
    if (wParam == 0) return "drive change 0x101C: removal";
    return "drive change 0x101C: unknown wParam " + std::to_string(wParam);
}
