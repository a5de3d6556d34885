// Tells when the PC's network addresses change: a netlink socket on the
// kernel's address and link groups. The shell watches its descriptor and
// drains it, then reads the addresses again.
#pragma once

namespace vork::linux_x11 {

class AddressWatch {
public:
    AddressWatch();
    ~AddressWatch();
    AddressWatch(const AddressWatch&) = delete;
    AddressWatch& operator=(const AddressWatch&) = delete;

    // -1 when the kernel would not give one: the addresses are then read on activation only.
    [[nodiscard]] int descriptor() const { return socket_; }
    // Reads what the kernel told without blocking; true when anything was.
    bool drain();

private:
    int socket_ = -1;
};

}  // namespace vork::linux_x11
