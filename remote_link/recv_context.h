// The one receive context both transports share: whichever receive call came
// last has set the accumulator and the callback, for every running worker.
#ifndef QUORLIN_RECV_CONTEXT_H
#define QUORLIN_RECV_CONTEXT_H

#include "exports/quorlin.h"

#include <mutex>
#include <string>

enum class Framing {
    EachChunk,  // TCP: every non-empty chunk ends a message
    UntilPlus,  // serial: a message ends with the read that brought a "+"
    Hold,       // keep the bytes, end no message (a read that failed half-way)
};

// Serial text is collected until a "+" arrives; a device that never sends one
// must not grow the accumulator without bound. Past this size the oldest
// bytes are dropped.
constexpr std::string::size_type kMaxAccumulated = 64 * 1024;

// Plain decision: does appending this chunk complete a message?
bool CompletesMessage(Framing framing, const std::string& accumulated, const std::string& chunk);

// Keeps at most kMaxAccumulated bytes, the newest ones.
void BoundAccumulator(std::string& accumulated);

struct CompleteMessage {
    std::string text;
    RecvCallback callback = nullptr;
};

class RecvContext {
public:
    void Seed(const std::string& initial, RecvCallback callback);

    // Appends a chunk; when that completes a message, hands it out with the
    // current callback and empties the accumulator. The caller then calls the
    // host outside the lock.
    bool Append(const std::string& chunk, Framing framing, CompleteMessage& out);

private:
    std::mutex mutex_;
    std::string acc_;
    RecvCallback callback_ = nullptr;
};

RecvContext& SharedRecvContext();

#endif
