#include "platform/win32/address_change_watch.h"

#include <winsock2.h>
#include <ws2tcpip.h>
// winsock2.h before iphlpapi.h: the old winsock.h must not come first.
#include <iphlpapi.h>

namespace vork::win32 {

AddressChangeWatch::AddressChangeWatch(HWND window, UINT message) : window_(window), message_(message) {
    // The callback runs on a thread of the system's: it only posts to the window.
    NotifyUnicastIpAddressChange(
        AF_INET,
        [](PVOID context, PMIB_UNICASTIPADDRESS_ROW, MIB_NOTIFICATION_TYPE) {
            const auto* self = static_cast<const AddressChangeWatch*>(context);
            PostMessageA(self->window_, self->message_, 0, 0);
        },
        this, FALSE, &handle_);
}

AddressChangeWatch::~AddressChangeWatch() {
    // Returns once no callback runs any more: `this` is not reached after.
    if (handle_) CancelMibChangeNotify2(handle_);
}

}  // namespace vork::win32
