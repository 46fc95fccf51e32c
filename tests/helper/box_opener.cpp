// Test tool: "helper_box_opener <token> <caption as hex>" shows one message
// box with that caption (hex, so that the bytes reach MessageBoxA unchanged
// by any code page) and the token as its text, then reports
// "<token> result <n>" on the debugger output, so that 7 (IDNO) shows the box
// was answered No. "helper_box_opener <token> --ui-language" reports
// GetSystemDefaultUILanguage() the same way.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void Report(const std::string& token, int value)
{
    OutputDebugStringA((token + " result " + std::to_string(value)).c_str());
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    const char* space = strchr(commandLine, ' ');
    const std::string token = space ? std::string(commandLine, space - commandLine) : std::string(commandLine);
    const char* argument = space ? space + 1 : "";
    if (strcmp(argument, "--ui-language") == 0) {
        Report(token, GetSystemDefaultUILanguage());
        return 0;
    }
    std::string caption;
    for (const char* p = argument; p[0] && p[1]; p += 2) {
        const int high = HexDigit(p[0]), low = HexDigit(p[1]);
        if (high < 0 || low < 0) return 100;
        caption += static_cast<char>(high * 16 + low);
    }
    const int result = MessageBoxA(nullptr, token.c_str(), caption.c_str(), MB_OK);
    Report(token, result);
    return result;
}
