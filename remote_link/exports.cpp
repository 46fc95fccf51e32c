// The library's state and its exported functions. Each export takes what it
// needs from the state under the lock and does the slow or blocking work
// (connecting, boxes) with no lock held. No exception leaves an export.
#include "exports/quorlin.h"

#include "quorlin_app.h"
#include "recv_context.h"
#include "serial_link.h"
#include "tcp_link.h"

#include <memory>
#include <mutex>

namespace {

// The transport the exports currently work on, swapped under its own lock.
// Workers keep their own reference, so a swap never pulls an object from
// under them.
template <typename Link>
class CurrentLink {
public:
    std::shared_ptr<Link> Get()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return link_;
    }

    std::shared_ptr<Link> Exchange(std::shared_ptr<Link> next)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::exchange(link_, std::move(next));
    }

    // Clears only if nobody has put another link in meanwhile.
    void ClearIf(const std::shared_ptr<Link>& expected)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (link_ == expected) link_.reset();
    }

private:
    std::mutex mutex_;
    std::shared_ptr<Link> link_;
};

CurrentLink<TcpConnection>& Tcp()
{
    static CurrentLink<TcpConnection> current;
    return current;
}

// A failed open leaves no port behind: the exports then act as on a closed
// port instead of retrying writes on a handle that never opened.
CurrentLink<SerialPort>& Serial()
{
    static CurrentLink<SerialPort> current;
    return current;
}

// Closes the current port; a port the system refused to close stays current.
bool CloseCurrentPort()
{
    std::shared_ptr<SerialPort> port = Serial().Get();
    if (!port) return true;
    if (!port->Close()) return false;
    Serial().ClearIf(port);
    return true;
}

void ShowSocketError(int error)
{
    ShowErrorBox(FormatSystemError(static_cast<unsigned long>(error)));
}

// The socket layer was started at load; this only confirms that it offers
// version 2, as a connect needs.
void CheckSocketLayer()
{
    WSADATA data;
    int result = WSAStartup(MAKEWORD(2, 0), &data);
    if (result != 0) {
        ShowSocketError(result);
        return;
    }
    if (data.wVersion < MAKEWORD(2, 0)) ShowSocketError(WSAVERNOTSUPPORTED);
    WSACleanup();
}

// Dotted-decimal text only, no name lookup: anything else becomes the
// all-ones address, and the connect fails.
sockaddr_in ServerAddress(const std::string& address, int port)
{
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = inet_addr(address.c_str());
    server.sin_port = htons(static_cast<u_short>(port & 0xFFFF));
    return server;
}

bool InitialClient(const char* serverAddress, int port)
{
    // A null address fails the connect like any text that is not an address.
    std::string address = serverAddress ? serverAddress : "";
    CheckSocketLayer();

    auto connection = std::make_shared<TcpConnection>();
    // The earlier socket is closed, not leaked; its worker ends quietly.
    std::shared_ptr<TcpConnection> earlier = Tcp().Exchange(connection);
    int ignored;
    if (earlier) earlier->Close(ignored);

    int error = 0;
    if (connection->Create(error) && connection->Connect(ServerAddress(address, port), error)) return true;
    if (error != 0) ShowSocketError(error);
    return false;
}

bool SendViaLan(const std::string& text)
{
    std::shared_ptr<TcpConnection> connection = Tcp().Get();
    if (!connection || !connection->connected()) return false;
    return connection->Send(text);
}

void RecvFromServer(const std::string& initial, RecvCallback callback)
{
    SharedRecvContext().Seed(initial, callback);
    std::shared_ptr<TcpConnection> connection = Tcp().Get();
    if (!connection || !connection->connected()) return;
    StartWorker([connection] { LanReceiveLoop(connection); });
}

bool CloseConnection()
{
    std::shared_ptr<TcpConnection> connection = Tcp().Get();
    int error = WSAENOTSOCK;
    if (connection && connection->Close(error)) return true;
    ShowSocketError(error);
    return false;
}

bool InitialCom(int portIndex, const LineSettings& settings)
{
    CloseCurrentPort();
    std::shared_ptr<SerialPort> port = SerialPort::Open(portIndex, settings);
    if (!port) return false;
    Serial().Exchange(port);
    return true;
}

bool SendViaCom(const std::string& text)
{
    std::shared_ptr<SerialPort> port = Serial().Get();
    if (!port) return false;
    return port->Write(text);
}

void RecvFromCom(const std::string& initial, RecvCallback callback)
{
    std::shared_ptr<SerialPort> port = Serial().Get();
    if (!port) return;
    SharedRecvContext().Seed(initial, callback);
    StartWorker([port] { ComReceiveLoop(port); });
}

// Out of memory or a broken lock is reported as a failed call, never thrown
// into a host that cannot catch our exceptions.
template <typename Body>
bool Guarded(Body body)
{
    try {
        return body();
    } catch (...) {
        return false;
    }
}

template <typename Body>
void GuardedVoid(Body body)
{
    try {
        body();
    } catch (...) {
    }
}

}  // namespace

bool uInitialClient(char* serverAddress, int port)
{
    return Guarded([&] { return InitialClient(serverAddress, port); });
}

bool uSendViaLan(std::string text)
{
    return Guarded([&] { return SendViaLan(text); });
}

void uRecvFromServer(std::string& initial, RecvCallback callback)
{
    GuardedVoid([&] { RecvFromServer(initial, callback); });
}

bool uCloseConnection()
{
    return Guarded([] { return CloseConnection(); });
}

bool uInitialCom(int portIndex, int baudCode, int eightDataBits, int stopBits, int parity)
{
    return Guarded([&] { return InitialCom(portIndex, {baudCode, eightDataBits, stopBits, parity}); });
}

bool uSendViaCom(std::string text)
{
    return Guarded([&] { return SendViaCom(text); });
}

void uRecvFromCom(std::string& initial, RecvCallback callback)
{
    GuardedVoid([&] { RecvFromCom(initial, callback); });
}

bool uCloseCom()
{
    return Guarded([] { return CloseCurrentPort(); });
}
