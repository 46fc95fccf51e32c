#include "log.h"

#include "unique_handle.h"

namespace {
// Stays empty: the helper keeps nothing on disk, so the file sink is never
// opened. WriteLog still honours it should that ever change.
UniqueFile g_logFile;
}  // namespace

void OpenLog(const char* /*fileName*/)
{
    g_logFile.reset();
}

void WriteLog(const char* text)
{
    OutputDebugStringA(text);
    if (!g_logFile) return;
    DWORD written = 0;
    if (WriteFile(g_logFile.get(), text, static_cast<DWORD>(lstrlenA(text)), &written, nullptr)) {
        WriteFile(g_logFile.get(), "\r\n", 2, &written, nullptr);
    }
}

void CloseLog()
{
    g_logFile.reset();
}
