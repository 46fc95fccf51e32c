// One open serial port. Reads never block (see ApplyTimeouts), so every call
// that uses the handle runs under the port's lock, and a close from the host's
// thread can never release the handle while a worker's read is using it.
#ifndef QUORLIN_SERIAL_LINK_H
#define QUORLIN_SERIAL_LINK_H

#include "../common/unique_handle.h"
#include "serial_settings.h"

#include <memory>
#include <mutex>
#include <string>

class SerialPort {
public:
    // Opens and configures the port; shows the matching box and returns null
    // on failure.
    static std::shared_ptr<SerialPort> Open(int portIndex, const LineSettings& settings);

    // Writes every byte, going on after short writes; at most 6 failed
    // attempts, 100 ms apart. A write may block up to its time-out, and the
    // worker's next read waits for it.
    bool Write(const std::string& bytes);

    // One non-blocking read of up to 128 bytes, cut at the first NUL. False
    // when the read call failed.
    bool Read(std::string& out);

    // False when the system refused to close the handle; the port then stays
    // open.
    bool Close();

    bool open();

private:
    bool Configure(const LineSettings& settings);

    std::mutex ioMutex_;     // guards handle_ during every call that uses it
    std::mutex writeMutex_;  // keeps two hosts' writes from interleaving
    UniqueFile handle_;
};

// The polling receive worker: text is collected until it holds a "+".
void ComReceiveLoop(const std::shared_ptr<SerialPort>& port);

#endif
