// Owners of the GDI and user objects the window makes.
#pragma once

#include <windows.h>

#include "platform/unique_resource.h"
#include "platform/win32/win32_handles.h"

namespace vork::win32 {

struct DeleteGdiObject {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DestroyIconHandle {
    void operator()(HICON icon) const { DestroyIcon(icon); }
};

using UniqueFont = UniqueResource<HFONT, DeleteGdiObject>;
using UniqueBrush = UniqueResource<HBRUSH, DeleteGdiObject>;
using UniqueBitmap = UniqueResource<HBITMAP, DeleteGdiObject>;
using UniqueIcon = UniqueResource<HICON, DestroyIconHandle>;

}  // namespace vork::win32
