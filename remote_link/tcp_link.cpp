#include "tcp_link.h"

#include "command_parser.h"
#include "quorlin_app.h"
#include "recv_context.h"

#include <algorithm>

namespace {

constexpr int kChunkSize = 1024;
constexpr int kMaxSendCall = 1 << 20;
constexpr char kControllerClosed[] = "The controller closed the connection.";

std::string TextUpToNul(const char* bytes, int count)
{
    return std::string(bytes, std::find(bytes, bytes + count, '\0'));
}

}  // namespace

bool TcpConnection::Create(int& error)
{
    std::lock_guard<std::mutex> lock(ioMutex_);
    socket_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket_) {
        error = WSAGetLastError();
        return false;
    }
    socketEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    stopEvent_.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!socketEvent_ || !stopEvent_) {
        error = static_cast<int>(GetLastError());
        socket_.reset();
        return false;
    }
    // Non-blocking from the start: every wait happens on events, outside the
    // lock, so the host's close can always wake a connect or a worker.
    if (WSAEventSelect(socket_.get(), socketEvent_.get(), FD_CONNECT | FD_READ | FD_CLOSE) == SOCKET_ERROR) {
        error = WSAGetLastError();
        socket_.reset();
        return false;
    }
    return true;
}

bool TcpConnection::Connect(const sockaddr_in& server, int& error)
{
    {
        std::lock_guard<std::mutex> lock(ioMutex_);
        if (!socket_ || closing_) return Fail(error, WSAENOTSOCK);
        if (connect(socket_.get(), reinterpret_cast<const sockaddr*>(&server), sizeof(server)) == 0) {
            connected_ = true;
            return true;
        }
        int code = WSAGetLastError();
        if (code != WSAEWOULDBLOCK) return Fail(error, code);
    }

    HANDLE events[2] = {socketEvent_.get(), stopEvent_.get()};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) return Fail(error, 0);

    std::lock_guard<std::mutex> lock(ioMutex_);
    if (!socket_ || closing_) return Fail(error, 0);
    WSANETWORKEVENTS happened{};
    if (WSAEnumNetworkEvents(socket_.get(), socketEvent_.get(), &happened) == SOCKET_ERROR)
        return Fail(error, WSAGetLastError());
    if (!(happened.lNetworkEvents & FD_CONNECT)) return Fail(error, WSAECONNABORTED);
    if (happened.iErrorCode[FD_CONNECT_BIT] != 0) return Fail(error, happened.iErrorCode[FD_CONNECT_BIT]);
    connected_ = true;
    return true;
}

bool TcpConnection::Fail(int& error, int code)
{
    error = code;
    return false;
}

bool TcpConnection::Send(const std::string& text)
{
    int error = 0;
    {
        std::lock_guard<std::mutex> sendLock(sendMutex_);
        error = SendAll(TextUpToNul(text.data(), static_cast<int>(text.size())));
    }
    if (error == 0) return true;
    // A close by the host while we were sending is no error to show.
    if (!closing_) ShowErrorBox(FormatSystemError(static_cast<unsigned long>(error)));
    return false;
}

int TcpConnection::SendAll(const std::string& bytes)
{
    std::string::size_type sent = 0;
    while (sent < bytes.size()) {
        int result;
        int error = 0;
        SOCKET used;
        {
            std::lock_guard<std::mutex> lock(ioMutex_);
            if (!socket_) return WSAENOTSOCK;
            used = socket_.get();
            int count = static_cast<int>(std::min<std::string::size_type>(bytes.size() - sent, kMaxSendCall));
            result = send(used, bytes.data() + sent, count, 0);
            if (result == SOCKET_ERROR) error = WSAGetLastError();
        }
        if (result >= 0) {
            sent += static_cast<std::string::size_type>(result);
            continue;
        }
        if (error != WSAEWOULDBLOCK) return error;
        WaitUntilWritable(used);
    }
    return 0;
}

// Outside the lock on purpose, on the value the last send used: a close
// meanwhile only ends the wait early, and the next send fails cleanly under
// the lock.
void TcpConnection::WaitUntilWritable(SOCKET s)
{
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(s, &writable);
    timeval period{0, 100 * 1000};
    select(0, nullptr, &writable, nullptr, &period);
}

void TcpConnection::Receive(std::string& out)
{
    char buffer[kChunkSize];
    while (connected_) {
        int result;
        int error = 0;
        {
            std::lock_guard<std::mutex> lock(ioMutex_);
            if (!socket_ || closing_) return;
            // Reset before reading: data or a close arriving after this recv
            // signals the event again.
            ResetEvent(socketEvent_.get());
            result = recv(socket_.get(), buffer, kChunkSize, 0);
            if (result == SOCKET_ERROR) error = WSAGetLastError();
        }
        if (result > 0) {
            out = TextUpToNul(buffer, result);
            return;
        }
        if (result == SOCKET_ERROR && error == WSAEWOULDBLOCK) {
            HANDLE events[2] = {socketEvent_.get(), stopEvent_.get()};
            DWORD woken = WaitForMultipleObjects(2, events, FALSE, INFINITE);
            if (woken == WAIT_OBJECT_0) continue;
            if (woken == WAIT_OBJECT_0 + 1) return;
            result = SOCKET_ERROR;
            error = static_cast<int>(GetLastError());
        }
        ReportLostConnection(result, error);
        return;
    }
}

void TcpConnection::ReportLostConnection(int receiveResult, int error)
{
    connected_ = false;
    if (closing_) return;
    ShowErrorBox(receiveResult == 0 ? std::string(kControllerClosed)
                                    : FormatSystemError(static_cast<unsigned long>(error)));
}

bool TcpConnection::Close(int& error)
{
    std::lock_guard<std::mutex> lock(ioMutex_);
    if (!socket_) return Fail(error, WSAENOTSOCK);
    // Flag first: a worker that wakes must already see a close by the host.
    bool wasClosing = closing_.exchange(true);
    if (!socket_.close()) {
        closing_ = wasClosing;
        return Fail(error, WSAGetLastError());
    }
    connected_ = false;
    SetEvent(stopEvent_.get());
    return true;
}

void LanReceiveLoop(const std::shared_ptr<TcpConnection>& connection)
{
    while (connection->connected()) {
        std::string chunk;
        connection->Receive(chunk);
        CompleteMessage message;
        if (SharedRecvContext().Append(TrimWhiteSpace(chunk), Framing::EachChunk, message))
            ParseCommand(message.text, message.callback);
    }
}
