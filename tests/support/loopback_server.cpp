#include "loopback_server.h"

namespace {

bool WaitReadable(SOCKET s, DWORD timeoutMs)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval period{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
    return select(0, &readable, nullptr, nullptr, &period) == 1;
}

sockaddr_in Loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    return address;
}

}  // namespace

LoopbackServer::LoopbackServer()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_.reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = Loopback(0);
    bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
    listen(listener_.get(), 4);
    int length = sizeof(address);
    getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

bool LoopbackServer::Accept(DWORD timeoutMs)
{
    if (!WaitReadable(listener_.get(), timeoutMs)) return false;
    client_.reset(accept(listener_.get(), nullptr, nullptr));
    return client_.valid();
}

bool LoopbackServer::Send(const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n = send(client_.get(), bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

std::string LoopbackServer::Receive(size_t count, DWORD timeoutMs)
{
    std::string received;
    DWORD start = GetTickCount();
    char buffer[65536];
    while (received.size() < count && GetTickCount() - start < timeoutMs) {
        if (!WaitReadable(client_.get(), 50)) continue;
        int n = recv(client_.get(), buffer, sizeof(buffer), 0);
        if (n <= 0) break;
        received.append(buffer, static_cast<size_t>(n));
    }
    return received;
}

bool LoopbackServer::PeerClosed(DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    char buffer[4096];
    while (GetTickCount() - start < timeoutMs) {
        if (!WaitReadable(client_.get(), 50)) continue;
        if (recv(client_.get(), buffer, sizeof(buffer), 0) <= 0) return true;
    }
    return false;
}

int UnusedPort()
{
    LoopbackServer probe;
    return probe.port();
}
