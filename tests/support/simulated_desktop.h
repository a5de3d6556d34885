// The whole simulated platform of the remote commands, sharing one event log.
#pragma once

#include "event_log.h"
#include "fake_desktop.h"
#include "fake_input.h"
#include "fake_mixer.h"
#include "fake_system.h"
#include "remote/remote_controller.h"

namespace vork::test {

struct SimulatedDesktop {
    Desktop platform() { return Desktop{desktop, input, system, mixer}; }

    EventLog log;
    FakeDesktop desktop{log};
    FakeInput input{log};
    FakeSystem system{log};
    FakeMixer mixer{log};
};

}  // namespace vork::test
