// One TCP client connection to the controller. Every call that uses the
// socket handle runs under the connection's lock and never blocks there (the
// socket is non-blocking; waits happen on events outside the lock), so a
// close from the host's thread can neither pull the handle from under a
// worker's call nor let a worker touch a handle value that was reused.
#ifndef QUORLIN_TCP_LINK_H
#define QUORLIN_TCP_LINK_H

#include "../common/unique_socket.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

class TcpConnection {
public:
    // Creates the socket; false with the WinSock error code on failure.
    bool Create(int& error);

    // Waits until connected; a close by the host meanwhile ends the wait
    // (false with error 0: nothing to report).
    bool Connect(const sockaddr_in& server, int& error);

    // Sends every byte of text up to its first NUL, going on after partial
    // sends. Shows the error box (with no lock held) and returns false on
    // failure.
    bool Send(const std::string& text);

    // Waits for the next chunk (at most 1024 bytes, cut at the first NUL).
    // On a receive failure or a close by the controller it shows the error box
    // (unless the host closed the connection) and the connection stops being
    // connected; out then stays empty.
    void Receive(std::string& out);

    // The host's close. False with the WinSock error code when the socket
    // could not be closed (or there is none); the connection then stays as it
    // was.
    bool Close(int& error);

    bool connected() const { return connected_; }

private:
    static bool Fail(int& error, int code);
    int SendAll(const std::string& bytes);
    static void WaitUntilWritable(SOCKET s);
    void ReportLostConnection(int receiveResult, int error);

    std::mutex ioMutex_;    // guards socket_ during every call that uses it
    std::mutex sendMutex_;  // keeps two hosts' sends from interleaving
    UniqueSocket socket_;
    UniqueKernelObject socketEvent_;  // FD_READ / FD_CLOSE
    UniqueKernelObject stopEvent_;    // set by Close
    std::atomic<bool> connected_{false};
    std::atomic<bool> closing_{false};
};

// The receive worker: one chunk, trimmed, is one message.
void LanReceiveLoop(const std::shared_ptr<TcpConnection>& connection);

#endif
