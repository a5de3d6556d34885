// How a link's notifications reach the window thread: a message with two
// parameters, delivered later, in order, on that thread.
#pragma once

#include <cstdint>

#include "platform/non_copyable.h"

namespace vork {

class Notifier : public Interface {
public:
    // False when the message could not be queued.
    virtual bool post(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    bool post(unsigned message) { return post(message, 0, 0); }
};

}  // namespace vork
