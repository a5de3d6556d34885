#include "platform/linux/address_watch.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vork::linux_x11 {

AddressWatch::AddressWatch() {
    socket_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (socket_ < 0) return;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

AddressWatch::~AddressWatch() {
    if (socket_ >= 0) ::close(socket_);
}

bool AddressWatch::drain() {
    bool any = false;
    char buffer[8192];
    while (socket_ >= 0 && ::recv(socket_, buffer, sizeof buffer, 0) > 0) any = true;
    return any;
}

}  // namespace vork::linux_x11
