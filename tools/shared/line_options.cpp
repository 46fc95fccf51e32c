#include "line_options.h"

#include <cctype>

namespace {

const unsigned long kBaudByCode[] = {4800, 9600, 19200, 38400, 115200};
const char* const kParityNames[] = {"none", "odd", "even", "mark", "space"};

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

bool ParseNumber(const std::string& text, long low, long high, long& value)
{
    if (text.empty() || text.size() > 9) return false;
    long result = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        result = result * 10 + (c - '0');
    }
    if (result < low || result > high) return false;
    value = result;
    return true;
}

std::string ParseComPort(const std::string& text, int& number)
{
    long n = 0;
    if (text.size() < 4 || Lower(text.substr(0, 3)) != "com" || !ParseNumber(text.substr(3), 1, 256, n))
        return "'" + text + "' is not a serial port name; use COM1 to COM256";
    number = static_cast<int>(n);
    return {};
}

std::string ParseBaud(const std::string& text, unsigned long& rate)
{
    long n = 0;
    if (!ParseNumber(text, 0, 4000000, n) || (n > 4 && n < 50))
        return "bad --baud '" + text + "': use a code 0-4 (4800, 9600, 19200, 38400, 115200) or a rate such as 57600";
    rate = n <= 4 ? kBaudByCode[n] : static_cast<unsigned long>(n);
    return {};
}

std::string ParseParity(const std::string& text, int& parity)
{
    std::string name = Lower(text);
    for (int i = 0; i < 5; ++i) {
        if (name == kParityNames[i] || name == std::to_string(i)) {
            parity = i;
            return {};
        }
    }
    return "bad --parity '" + text + "': use none, odd, even, mark or space";
}

std::string ParseStopBits(const std::string& text, int& stopBits)
{
    if (text == "1") stopBits = 0;
    else if (text == "1.5") stopBits = 1;
    else if (text == "2") stopBits = 2;
    else return "bad --stop '" + text + "': use 1, 1.5 or 2 (stop bits)";
    return {};
}

std::string ParseDataBits(const std::string& text, int& dataBits)
{
    if (text == "7") dataBits = 7;
    else if (text == "8") dataBits = 8;
    else return "bad --data '" + text + "': use 7 or 8";
    return {};
}

bool ApplyLineOption(const std::string& option, const std::string& value, SerialLine& line, std::string& error)
{
    if (option == "--baud") error = ParseBaud(value, line.baudRate);
    else if (option == "--parity") error = ParseParity(value, line.parity);
    else if (option == "--stop") error = ParseStopBits(value, line.stopBits);
    else if (option == "--data") error = ParseDataBits(value, line.dataBits);
    else return false;
    return true;
}

int BaudCodeForRate(unsigned long rate)
{
    for (int code = 0; code < 5; ++code)
        if (kBaudByCode[code] == rate) return code;
    return -1;
}

std::string ParityName(int parity)
{
    return parity >= 0 && parity < 5 ? kParityNames[parity] : "parity " + std::to_string(parity);
}

std::string StopBitsName(int stopBits)
{
    switch (stopBits) {
    case 0: return "1";
    case 1: return "1.5";
    case 2: return "2";
    default: return "?";
    }
}

std::string DescribeLine(const SerialLine& line)
{
    std::string parity = line.parity == 0 ? "no parity" : ParityName(line.parity) + " parity";
    return std::to_string(line.baudRate) + " bit/s, " + std::to_string(line.dataBits) + " data bits, " + parity +
           ", " + StopBitsName(line.stopBits) + (line.stopBits == 0 ? " stop bit" : " stop bits");
}

std::string Printable(const std::string& bytes)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c == '\\') out += "\\\\";
        else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

bool TakeOptionValue(const std::vector<std::string>& args, size_t& i, std::string& value, std::string& error)
{
    if (i + 1 >= args.size()) {
        error = args[i] + " needs a value";
        return false;
    }
    value = args[++i];
    return true;
}

bool AsksForHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h" || arg == "/?") return true;
    return false;
}

bool IsDottedQuad(const std::string& text)
{
    int parts = 0;
    size_t start = 0;
    while (true) {
        size_t dot = text.find('.', start);
        std::string part = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        long n = 0;
        if (part.size() > 3 || !ParseNumber(part, 0, 255, n)) return false;
        ++parts;
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    return parts == 4;
}
