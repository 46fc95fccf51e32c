// The controller's end of a TCP link in tests: a listening socket on
// 127.0.0.1 and plain blocking calls on the accepted connection.
#ifndef VEXO_TEST_LOOPBACK_SERVER_H
#define VEXO_TEST_LOOPBACK_SERVER_H

#include "../../common/unique_socket.h"

#include <string>

class LoopbackServer {
public:
    LoopbackServer();
    int port() const { return port_; }

    // Waits for the library to connect; false after timeoutMs.
    bool Accept(DWORD timeoutMs);
    bool Send(const std::string& bytes);
    // Reads until count bytes arrived, the peer closed, or timeoutMs passed.
    std::string Receive(size_t count, DWORD timeoutMs);
    // True when the peer closed the connection within timeoutMs.
    bool PeerClosed(DWORD timeoutMs);
    void CloseClient() { client_.reset(); }

private:
    UniqueSocket listener_;
    UniqueSocket client_;
    int port_ = 0;
};

// A port on 127.0.0.1 where nobody listens.
int UnusedPort();

#endif
