// What the controller's command line and its input lines mean. Plain code,
// no system calls.
#ifndef VEXO_TOOLS_CONTROLLER_OPTIONS_H
#define VEXO_TOOLS_CONTROLLER_OPTIONS_H

#include "../shared/line_options.h"

#include <string>
#include <vector>

enum class Transport { Tcp, Serial };

struct ControllerOptions {
    Transport transport = Transport::Tcp;
    std::string listenAddress = "0.0.0.0";
    int port = -1;  // 0 lets the system choose
    int comPort = 0;
    SerialLine line;
    std::string scriptPath;  // empty: read standard input
};

struct ParseOutcome {
    enum Kind { Run, Help, Error } kind = Error;
    std::string error;
};

// args excludes the program name.
ParseOutcome ParseControllerArgs(const std::vector<std::string>& args, ControllerOptions& options);

extern const char kControllerUsage[];

// One line of input. "@pause 500ms" or "@pause 2s" waits; "@@text" sends
// "@text"; any other line beginning with "@" is an error, so a mistyped
// directive is never sent to the host. Empty lines send nothing.
struct InputLine {
    enum Kind { Send, Pause, Nothing, Error } kind = Nothing;
    std::string text;    // Send: the bytes; Error: the reason
    unsigned long pauseMs = 0;
};

// line has no line end; a trailing CR (from a Windows text file) is dropped.
InputLine ParseInputLine(std::string line);

#endif
