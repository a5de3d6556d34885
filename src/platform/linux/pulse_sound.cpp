#include "platform/linux/pulse_sound.h"

#include <pulse/pulseaudio.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace vork::linux_x11 {

namespace {

constexpr auto ANSWER_TIME = std::chrono::milliseconds(1000);
constexpr pa_volume_t VOLUME_STEP = PA_VOLUME_NORM / 20;

struct FreeMainloop {
    void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct FreeContext {
    void operator()(pa_context* context) const {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
};
struct FreeOperation {
    void operator()(pa_operation* operation) const { pa_operation_unref(operation); }
};
using Operation = std::unique_ptr<pa_operation, FreeOperation>;

struct DefaultSink {
    std::string name;
    bool mute = false;
    pa_cvolume volume{};
};

// One connection to the sound server, run by hand until each answer comes or
// the time is up: one time for all its steps, so that a server that hangs
// holds the window for no more than that.
class PulseConnection {
public:
    PulseConnection() : until_(std::chrono::steady_clock::now() + ANSWER_TIME), loop_(pa_mainloop_new()) {
        if (!loop_) return;
        context_.reset(pa_context_new(pa_mainloop_get_api(loop_.get()), "Vork"));
        if (!context_ || pa_context_connect(context_.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return;
        ready_ = runUntil([this] {
            const pa_context_state_t state = pa_context_get_state(context_.get());
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        }) && pa_context_get_state(context_.get()) == PA_CONTEXT_READY;
    }

    [[nodiscard]] bool ready() const { return ready_; }

    std::optional<DefaultSink> defaultSink() {
        std::optional<std::string> name;
        const auto gotServer = [](pa_context*, const pa_server_info* info, void* data) {
            *static_cast<std::optional<std::string>*>(data) = info && info->default_sink_name ? info->default_sink_name : "";
        };
        if (!wait(Operation(pa_context_get_server_info(context_.get(), gotServer, &name)), [&] { return name.has_value(); }) ||
            name->empty())
            return std::nullopt;
        struct Found {
            bool done = false;
            std::optional<DefaultSink> sink;
        } found;
        const auto gotSink = [](pa_context*, const pa_sink_info* info, int last, void* data) {
            auto* result = static_cast<Found*>(data);
            if (last != 0 || !info) {
                result->done = true;
                return;
            }
            result->sink = DefaultSink{info->name, info->mute != 0, info->volume};
        };
        if (!wait(Operation(pa_context_get_sink_info_by_name(context_.get(), name->c_str(), gotSink, &found)),
                  [&] { return found.done; }))
            return std::nullopt;
        return found.sink;
    }

    bool setMute(const std::string& sink, bool on) {
        std::optional<bool> ok;
        return wait(Operation(pa_context_set_sink_mute_by_name(context_.get(), sink.c_str(), on ? 1 : 0, answered, &ok)),
                    [&] { return ok.has_value(); }) &&
               *ok;
    }

    bool setVolume(const std::string& sink, const pa_cvolume& volume) {
        std::optional<bool> ok;
        return wait(Operation(pa_context_set_sink_volume_by_name(context_.get(), sink.c_str(), &volume, answered, &ok)),
                    [&] { return ok.has_value(); }) &&
               *ok;
    }

private:
    static void answered(pa_context*, int success, void* data) { *static_cast<std::optional<bool>*>(data) = success != 0; }

    template <class Done>
    bool wait(Operation operation, Done done) {
        return operation && runUntil(done);
    }

    template <class Done>
    bool runUntil(Done done) {
        while (!done()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(until_ - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            if (pa_mainloop_prepare(loop_.get(), static_cast<int>(left.count()) * 1000) < 0 ||
                pa_mainloop_poll(loop_.get()) < 0 || pa_mainloop_dispatch(loop_.get()) < 0)
                return false;
        }
        return true;
    }

    std::chrono::steady_clock::time_point until_;
    std::unique_ptr<pa_mainloop, FreeMainloop> loop_;
    std::unique_ptr<pa_context, FreeContext> context_;
    bool ready_ = false;
};

}  // namespace

MuteOutcome PulseSound::setMasterMute(bool on) {
    PulseConnection pulse;
    if (!pulse.ready()) return MuteOutcome::NoControl;
    const auto sink = pulse.defaultSink();
    if (!sink) return MuteOutcome::NoControl;
    return pulse.setMute(sink->name, on) ? MuteOutcome::Set : MuteOutcome::Refused;
}

VolumeOutcome PulseSound::stepVolume(bool up) {
    PulseConnection pulse;
    if (!pulse.ready()) return VolumeOutcome::Failed;
    auto sink = pulse.defaultSink();
    if (!sink) return VolumeOutcome::Failed;
    if (up)
        pa_cvolume_inc_clamp(&sink->volume, VOLUME_STEP, PA_VOLUME_NORM);
    else
        pa_cvolume_dec(&sink->volume, VOLUME_STEP);
    return pulse.setVolume(sink->name, sink->volume) ? VolumeOutcome::Stepped : VolumeOutcome::Failed;
}

}  // namespace vork::linux_x11
