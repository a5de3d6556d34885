// A POSIX file descriptor, closed with its owner.
#pragma once

#include <unistd.h>

#include "platform/unique_resource.h"

namespace vork::linux_x11 {

struct CloseDescriptor {
    void operator()(int descriptor) const { ::close(descriptor); }
};
using Descriptor = UniqueResource<int, CloseDescriptor, -1>;

}  // namespace vork::linux_x11
