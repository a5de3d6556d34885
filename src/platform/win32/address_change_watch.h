// Tells a window when the PC's IPv4 addresses change (a network joined or
// left), so that the addresses it shows stay true.
#pragma once

#include <windows.h>

namespace vork::win32 {

class AddressChangeWatch {
public:
    // Posts `message` to `window` on each change; does nothing where the system cannot tell.
    AddressChangeWatch(HWND window, UINT message);
    ~AddressChangeWatch();
    AddressChangeWatch(const AddressChangeWatch&) = delete;
    AddressChangeWatch& operator=(const AddressChangeWatch&) = delete;

private:
    HWND window_;
    UINT message_;
    HANDLE handle_ = nullptr;
};

}  // namespace vork::win32
