// Test tool: shows one message box whose caption is given as hex bytes (so
// that the bytes reach MessageBoxA unchanged by any code page) and exits with
// the box's result, so that IDNO (7) shows the box was answered No.
// With --ui-language it exits with GetSystemDefaultUILanguage() instead.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    if (strcmp(commandLine, "--ui-language") == 0) return GetSystemDefaultUILanguage();
    std::string caption;
    for (const char* p = commandLine; p[0] && p[1]; p += 2) {
        const int high = HexDigit(p[0]), low = HexDigit(p[1]);
        if (high < 0 || low < 0) return 100;
        caption += static_cast<char>(high * 16 + low);
    }
    return MessageBoxA(nullptr, "test box", caption.c_str(), MB_OK);
}
