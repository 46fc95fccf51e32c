// The sample host's command line and the decisions it makes about what it
// receives. Plain code, no system calls.
#ifndef VEXO_TOOLS_HOST_OPTIONS_H
#define VEXO_TOOLS_HOST_OPTIONS_H

#include "../shared/line_options.h"

#include <string>
#include <vector>

struct HostOptions {
    bool serial = false;
    std::string serverAddress = "127.0.0.1";
    int port = 0;
    int comPort = 0;
    SerialLine line;
};

// The arguments of uInitialCom for the chosen port and line.
struct ComArguments {
    int portIndex;
    int baudCode;
    int eightDataBits;
    int stopBits;
    int parity;
};

struct HostParseOutcome {
    enum Kind { Run, Help, Error } kind = Error;
    std::string error;
};

// args excludes the program name.
HostParseOutcome ParseHostArgs(const std::vector<std::string>& args, HostOptions& options);

extern const char kHostUsage[];

ComArguments ComArgumentsFor(const HostOptions& options);

// "CMD_START_TEST" for 2; "code 12" for a value the library never sends.
std::string CommandName(int code);

// What the host answers to a TEST_DONE: "RESULT " and the argument without
// its surrounding spaces, e.g. "RESULT PASS" for " PASS".
std::string ResultTextFor(const std::string& testDoneArgument);

// WM_DRIVE_CHANGE from the helper: wParam 1 is an arrival, 0 a removal.
std::string DriveChangeText(unsigned long long wParam);

#endif
