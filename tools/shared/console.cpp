#include "console.h"

#include <windows.h>

#include <cstdio>
#include <mutex>

namespace {

std::mutex& OutputMutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace

std::string SystemErrorText(unsigned long code)
{
    char text[512] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof(text), nullptr);
    std::string message(text, n);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    std::string result = "error " + std::to_string(code);
    return message.empty() ? result : result + ": " + message;
}

void PrintStamped(const std::string& text)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof(stamp), "%02u:%02u:%02u.%03u  ", now.wHour, now.wMinute, now.wSecond,
                  now.wMilliseconds);
    std::lock_guard<std::mutex> lock(OutputMutex());
    std::fputs(stamp, stdout);
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintError(const char* program, const std::string& text)
{
    std::lock_guard<std::mutex> lock(OutputMutex());
    std::fflush(stdout);
    std::fprintf(stderr, "%s: %s\n", program, text.c_str());
    std::fflush(stderr);
}
