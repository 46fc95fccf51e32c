#include "serial_link.h"

#include "command_parser.h"
#include "quorlin_app.h"
#include "recv_context.h"

#include <algorithm>

namespace {

constexpr DWORD kReadSize = 128;
constexpr int kMaxWriteFailures = 5;
constexpr DWORD kWriteRetryMs = 100;
constexpr DWORD kPollMs = 50;

}  // namespace

std::shared_ptr<SerialPort> SerialPort::Open(int portIndex, const LineSettings& settings)
{
    std::string name = PortNameFromIndex(portIndex);
    auto port = std::make_shared<SerialPort>();
    if (!name.empty())
        port->handle_.reset(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!port->handle_) {
        ShowErrorBox("Open com port fails.");
        return nullptr;
    }
    if (!port->Configure(settings)) return nullptr;
    return port;
}

bool SerialPort::Configure(const LineSettings& settings)
{
    HANDLE h = handle_.get();

    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(h, &dcb)) {
        ShowErrorBox("Setting com DCB structure fails.");
        return false;
    }
    ApplyLineSettings(settings, dcb);
    if (!SetCommState(h, &dcb)) {
        ShowErrorBox("Setting com DCB structure fails.");
        return false;
    }

    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(h, &timeouts)) {
        ShowErrorBox("Setting com timeout parameters fails.");
        return false;
    }
    ApplyTimeouts(timeouts);
    if (!SetCommTimeouts(h, &timeouts)) {
        ShowErrorBox("Setting com timeout parameters fails.");
        return false;
    }

    // Some drivers (a pty under Wine among them) refuse these; the line
    // works without them.
    EscapeCommFunction(h, SETDTR);
    EscapeCommFunction(h, SETRTS);
    PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
    return true;
}

bool SerialPort::Write(const std::string& bytes)
{
    std::lock_guard<std::mutex> writeLock(writeMutex_);
    std::string::size_type written = 0;
    int failures = 0;
    while (written < bytes.size()) {
        DWORD count = 0;
        BOOL ok;
        {
            std::lock_guard<std::mutex> lock(ioMutex_);
            if (!handle_) return false;
            ok = WriteFile(handle_.get(), bytes.data() + written, static_cast<DWORD>(bytes.size() - written), &count, nullptr);
        }
        written += count;
        if (ok && count > 0) continue;
        if (++failures > kMaxWriteFailures) return false;
        Sleep(kWriteRetryMs);
    }
    return true;
}

bool SerialPort::Read(std::string& out)
{
    char buffer[kReadSize];
    DWORD count = 0;
    BOOL ok;
    {
        std::lock_guard<std::mutex> lock(ioMutex_);
        if (!handle_) return false;
        ok = ReadFile(handle_.get(), buffer, kReadSize, &count, nullptr);
    }
    if (!ok && count == 0) return false;
    out.assign(buffer, std::find(buffer, buffer + count, '\0'));
    return ok != FALSE;
}

bool SerialPort::Close()
{
    std::lock_guard<std::mutex> lock(ioMutex_);
    return handle_.close();
}

bool SerialPort::open()
{
    std::lock_guard<std::mutex> lock(ioMutex_);
    return handle_.valid();
}

void ComReceiveLoop(const std::shared_ptr<SerialPort>& port)
{
    while (port->open()) {
        std::string chunk;
        bool ok = port->Read(chunk);
        CompleteMessage message;
        if (SharedRecvContext().Append(chunk, ok ? Framing::UntilPlus : Framing::Hold, message))
            ParseCommand(message.text, message.callback);
        if (!ok) return;
        Sleep(kPollMs);
    }
}
