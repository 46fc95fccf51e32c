// Command-line pieces both tools share: COM port names and serial line
// settings. Plain code, no system calls, so it is tested directly.
#ifndef VEXO_TOOLS_LINE_OPTIONS_H
#define VEXO_TOOLS_LINE_OPTIONS_H

#include <string>
#include <vector>

// Serial line settings in the encodings of the system's DCB record, which are
// also the codes Quorlin.dll takes.
struct SerialLine {
    unsigned long baudRate = 9600;
    int dataBits = 8;
    int parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0;  // 0 one, 1 one and a half, 2 two
};

// Each parser returns an empty text on success and a one-line reason
// otherwise; the output is changed only on success.

// "COM7" (any case) gives 7. Windows numbers ports 1 to 256.
std::string ParseComPort(const std::string& text, int& number);

// A Quorlin baud code 0..4, or a rate in bit/s.
std::string ParseBaud(const std::string& text, unsigned long& rate);
// none|odd|even|mark|space, or the code 0..4.
std::string ParseParity(const std::string& text, int& parity);
// The number of stop bits: 1, 1.5 or 2.
std::string ParseStopBits(const std::string& text, int& stopBits);
std::string ParseDataBits(const std::string& text, int& dataBits);

// Applies one of --baud, --parity, --stop, --data. False when option is not
// one of them; then error is left alone.
bool ApplyLineOption(const std::string& option, const std::string& value, SerialLine& line, std::string& error);

// The Quorlin baud code for a rate, or -1 when the library has none for it.
int BaudCodeForRate(unsigned long rate);

// The value after option args[i] (i moves onto it); false with a reason when
// the command line ends after the option.
bool TakeOptionValue(const std::vector<std::string>& args, size_t& i, std::string& value, std::string& error);

// --help, -h or /? anywhere on the command line.
bool AsksForHelp(const std::vector<std::string>& args);

// Dotted-decimal IPv4 text: the only address form Quorlin.dll reads.
bool IsDottedQuad(const std::string& text);

// Whole number in [low, high]; false for anything else, signs and spaces
// included.
bool ParseNumber(const std::string& text, long low, long high, long& value);

std::string ParityName(int parity);
std::string StopBitsName(int stopBits);

// "8N1"-style summary with the rate, e.g. "9600 bit/s, 8 data bits, no parity, 1 stop bit".
std::string DescribeLine(const SerialLine& line);

// Text as printable ASCII: \r, \n, \t, \\ and \xNN for other bytes.
std::string Printable(const std::string& bytes);

#endif
