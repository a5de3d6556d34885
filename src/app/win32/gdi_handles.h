// Owners of the GDI and user objects the window makes.
#pragma once

#include <windows.h>

#include "platform/unique_resource.h"

namespace vork::win32 {

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DestroyIconHandle {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};
struct CloseKernelHandle {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};

using UniqueFont = UniqueResource<HFONT, DeleteGdiObject>;
using UniqueBrush = UniqueResource<HBRUSH, DeleteGdiObject>;
using UniqueBitmap = UniqueResource<HBITMAP, DeleteGdiObject>;
using UniqueIcon = UniqueResource<HICON, DestroyIconHandle>;
using UniqueHandle = UniqueResource<HANDLE, CloseKernelHandle>;

}  // namespace vork::win32
