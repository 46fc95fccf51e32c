// The library's state and its exported functions. Each export checks its
// arguments, takes what it needs from the state under the lock, and does the
// slow or blocking work (connecting, boxes) with no lock held.
#include "exports/quorlin.h"

#include "quorlin_app.h"
#include "recv_context.h"
#include "serial_link.h"
#include "tcp_link.h"

#include <memory>
#include <mutex>

namespace {

struct TcpState {
    std::mutex mutex;
    int port = 0;
    std::string serverAddress;
    sockaddr_in serverAddr{};
    std::shared_ptr<TcpConnection> connection;
};

TcpState& Tcp()
{
    static TcpState state;
    return state;
}

// A failed open leaves no port behind: the exports then act as on a closed
// port instead of retrying writes on a handle that never opened.
struct SerialState {
    std::mutex mutex;
    std::shared_ptr<SerialPort> port;
};

SerialState& Serial()
{
    static SerialState state;
    return state;
}

std::shared_ptr<SerialPort> CurrentPort()
{
    std::lock_guard<std::mutex> lock(Serial().mutex);
    return Serial().port;
}

// Closes the current port; a port the system refused to close stays current.
bool CloseCurrentPort()
{
    std::shared_ptr<SerialPort> port = CurrentPort();
    if (!port) return true;
    if (!port->Close()) return false;
    std::lock_guard<std::mutex> lock(Serial().mutex);
    if (Serial().port == port) Serial().port.reset();
    return true;
}

std::shared_ptr<TcpConnection> CurrentConnection()
{
    std::lock_guard<std::mutex> lock(Tcp().mutex);
    return Tcp().connection;
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

sockaddr_in ServerAddress(const std::string& address, int port)
{
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = inet_addr(address.c_str());
    server.sin_port = htons(static_cast<u_short>(port & 0xFFFF));
    return server;
}

}  // namespace

bool uInitialClient(char* serverAddress, int port)
{
    // A null address fails the connect like any text that is not an address.
    std::string address = serverAddress ? serverAddress : "";
    CheckSocketLayer();

    auto connection = std::make_shared<TcpConnection>();
    std::shared_ptr<TcpConnection> earlier;
    sockaddr_in server;
    {
        TcpState& tcp = Tcp();
        std::lock_guard<std::mutex> lock(tcp.mutex);
        tcp.serverAddress = address;
        tcp.port = port;
        tcp.serverAddr = ServerAddress(address, port);
        server = tcp.serverAddr;
        earlier = std::exchange(tcp.connection, connection);
    }
    // The earlier socket is closed, not leaked; its worker ends quietly.
    int ignored;
    if (earlier) earlier->Close(ignored);

    int error = 0;
    if (!connection->Create(error) || !connection->Connect(server, error)) {
        ShowSocketError(error);
        return false;
    }
    return true;
}

bool uSendViaLan(std::string text)
{
    std::shared_ptr<TcpConnection> connection = CurrentConnection();
    if (!connection || !connection->connected()) return false;
    return connection->Send(text);
}

void uRecvFromServer(std::string& initial, RecvCallback callback)
{
    SharedRecvContext().Seed(initial, callback);
    std::shared_ptr<TcpConnection> connection = CurrentConnection();
    if (!connection || !connection->connected()) return;
    StartWorker([connection] { LanReceiveLoop(connection); });
}

bool uCloseConnection()
{
    std::shared_ptr<TcpConnection> connection = CurrentConnection();
    int error = WSAENOTSOCK;
    if (connection && connection->Close(error)) return true;
    ShowSocketError(error);
    return false;
}

bool uInitialCom(int portIndex, int baudCode, int eightDataBits, int stopBits, int parity)
{
    CloseCurrentPort();
    std::shared_ptr<SerialPort> port = SerialPort::Open(portIndex, {baudCode, eightDataBits, stopBits, parity});
    if (!port) return false;
    std::lock_guard<std::mutex> lock(Serial().mutex);
    Serial().port = port;
    return true;
}

bool uSendViaCom(std::string text)
{
    std::shared_ptr<SerialPort> port = CurrentPort();
    if (!port) return false;
    return port->Write(text);
}

void uRecvFromCom(std::string& initial, RecvCallback callback)
{
    std::shared_ptr<SerialPort> port = CurrentPort();
    if (!port) return;
    SharedRecvContext().Seed(initial, callback);
    StartWorker([port] { ComReceiveLoop(port); });
}

bool uCloseCom()
{
    return CloseCurrentPort();
}
