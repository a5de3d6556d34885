// Conversions between the seam's window handle and the platform's HWND.
#pragma once

#include <windows.h>

#include "platform/unique_resource.h"
#include "platform/window_handle.h"

namespace vork::win32 {

struct CloseKernelHandle {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = UniqueResource<HANDLE, CloseKernelHandle>;

inline HWND toHwnd(WindowHandle window) { return reinterpret_cast<HWND>(window.value); }
inline WindowHandle fromHwnd(HWND window) { return WindowHandle{reinterpret_cast<std::uintptr_t>(window)}; }

}  // namespace vork::win32
