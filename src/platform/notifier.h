// How a link thread wakes the window thread: one wake for each thing it
// hands over, delivered later, in order, on that thread, carrying a small
// number the window gives back to the mailbox (which of its queues).
#pragma once

#include "platform/non_copyable.h"

namespace vork {

class Notifier : public Interface {
public:
    // False when the wake could not be queued.
    virtual bool wake(unsigned channel) = 0;
};

}  // namespace vork
