// Console output and system error texts for the tools (Win32 layer).
#ifndef VEXO_TOOLS_CONSOLE_H
#define VEXO_TOOLS_CONSOLE_H

#include <string>

// "error 5: Access denied." Number first, so a report written under another
// language's system texts stays readable.
std::string SystemErrorText(unsigned long code);

// One line on standard output, "HH:MM:SS.mmm  text", flushed at once so that
// output redirected to a file is complete even if the process is ended.
// Safe to call from several threads.
void PrintStamped(const std::string& text);

// "<program>: text" on standard error, flushed.
void PrintError(const char* program, const std::string& text);

#endif
