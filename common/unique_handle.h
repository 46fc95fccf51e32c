// One owner type for every kind of system handle: each kind names its empty
// value and how it is released, and nothing is ever closed by hand.
#ifndef VEXO_UNIQUE_HANDLE_H
#define VEXO_UNIQUE_HANDLE_H

#include <windows.h>
#include <dbt.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
public:
    using Value = typename Traits::Value;

    UniqueHandle() = default;
    explicit UniqueHandle(Value value) : value_(value) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }

    Value get() const { return value_; }
    bool valid() const { return value_ != Traits::Empty(); }
    explicit operator bool() const { return valid(); }

    Value release() { return std::exchange(value_, Traits::Empty()); }

    void reset(Value value = Traits::Empty())
    {
        Value old = std::exchange(value_, value);
        if (old != Traits::Empty()) Traits::Close(old);
    }

    // Closes now and reports whether the system accepted it. A handle the
    // system refused to close is kept, so the caller can report and retry.
    bool close()
    {
        if (value_ == Traits::Empty()) return true;
        if (!Traits::Close(value_)) return false;
        value_ = Traits::Empty();
        return true;
    }

private:
    Value value_ = Traits::Empty();
};

struct KernelObjectTraits {
    using Value = HANDLE;
    static Value Empty() { return nullptr; }
    static bool Close(Value h) { return CloseHandle(h) != FALSE; }
};

struct FileTraits {
    using Value = HANDLE;
    static Value Empty() { return INVALID_HANDLE_VALUE; }
    static bool Close(Value h) { return CloseHandle(h) != FALSE; }
};

struct DeviceNotifyTraits {
    using Value = HDEVNOTIFY;
    static Value Empty() { return nullptr; }
    static bool Close(Value h) { return UnregisterDeviceNotification(h) != FALSE; }
};

using UniqueKernelObject = UniqueHandle<KernelObjectTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueDeviceNotify = UniqueHandle<DeviceNotifyTraits>;

#endif
