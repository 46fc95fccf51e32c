#include "recv_context.h"

bool CompletesMessage(Framing framing, const std::string& accumulated, const std::string& chunk)
{
    if (chunk.empty()) return false;
    switch (framing) {
    case Framing::EachChunk: return true;
    case Framing::UntilPlus: return accumulated.find('+') != std::string::npos;
    case Framing::Hold: return false;
    }
    return false;
}

void BoundAccumulator(std::string& accumulated)
{
    if (accumulated.size() <= kMaxAccumulated) return;
    accumulated.erase(0, accumulated.size() - kMaxAccumulated);
}

void RecvContext::Seed(const std::string& initial, RecvCallback callback)
{
    std::lock_guard<std::mutex> lock(mutex_);
    acc_ = initial;
    callback_ = callback;
}

bool RecvContext::Append(const std::string& chunk, Framing framing, CompleteMessage& out)
{
    std::lock_guard<std::mutex> lock(mutex_);
    acc_ += chunk;
    if (!CompletesMessage(framing, acc_, chunk)) {
        BoundAccumulator(acc_);
        return false;
    }
    out.text.swap(acc_);
    out.callback = callback_;
    acc_.clear();
    return true;
}

RecvContext& SharedRecvContext()
{
    static RecvContext context;
    return context;
}
