// One move-only owner for every platform handle: the deleter runs exactly once.
#pragma once

#include <utility>

namespace vork {

template <typename T, typename Deleter, T Invalid = T{}>
class UniqueResource {
public:
    UniqueResource() = default;
    explicit UniqueResource(T value) : value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    [[nodiscard]] T get() const { return value_; }
    [[nodiscard]] bool valid() const { return value_ != Invalid; }
    explicit operator bool() const { return valid(); }

    T release() { return std::exchange(value_, Invalid); }
    void reset(T value = Invalid) {
        T old = std::exchange(value_, value);
        if (old != Invalid) Deleter{}(old);
    }

private:
    T value_ = Invalid;
};

}  // namespace vork
