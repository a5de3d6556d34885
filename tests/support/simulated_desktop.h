// The whole simulated platform of the remote commands, sharing one event log.
#pragma once

#include "event_log.h"
#include "fake_desktop.h"
#include "fake_input.h"
#include "fake_sound.h"
#include "fake_system.h"
#include "remote/remote_controller.h"

namespace vork::test {

struct SimulatedDesktop {
    Desktop platform() { return Desktop{desktop, input, system, sound}; }

    EventLog log;
    FakeDesktop desktop{log};
    FakeInput input{log};
    FakeSystem system{log};
    FakeSound sound{log};
};

}  // namespace vork::test
