// The core path on the simulated platform: protocol, dispatch, key language,
// detection and the repeat tick. Allocations are counted per iteration.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "bluetooth/phone_protocol.h"
#include "fake_system.h"
#include "recording_notifier.h"
#include "simulated_desktop.h"
#include "remote/action_table.h"
#include "remote/remote_controller.h"

namespace {

std::atomic<std::size_t> allocations{0};

}  // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace vork::bench {
namespace {

// Reports the heap allocations per iteration of the timed loop.
class AllocationCounter {
public:
    explicit AllocationCounter(benchmark::State& state) : state_(state), start_(allocations.load()) {}
    ~AllocationCounter() {
        state_.counters["allocs/iter"] = benchmark::Counter(
            static_cast<double>(allocations.load() - start_), benchmark::Counter::kAvgIterations);
    }
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

private:
    benchmark::State& state_;
    std::size_t start_;
};

// The simulated platform, quiet: it records nothing. The user at the PC
// accepts the one request, during its first pause.
struct Platform : test::SimulatedDesktop {
    test::RecordingNotifier notifier;
    UiMailbox mailbox{notifier};
    ConnectionState state;
    test::FakeSleeper sleeper;
    PhoneProtocol protocol{mailbox, state, sleeper};
    RemoteController controller{platform()};

    Platform() {
        log.quiet = true;
        notifier.quiet = true;
        desktop.setForeground(desktop.addWindow("clip.mp4 - VLC media player", "QWidget"));
        sleeper.onPause = [this](std::size_t) { state.answer(test::take<RequestEvent>(mailbox).number, Accepted, 0); };
        protocol.beginConnection("00:11:22:33:44:55");
        protocol.handleRequest("LOGIN:1MyPhone");  // the user accepts: trusted from now on
        test::take<NoticeEvent>(mailbox);
    }
};

// A quiet simulated desktop alone.
struct QuietDesktop : test::SimulatedDesktop {
    QuietDesktop() { log.quiet = true; }
};

void HandleRequest_AcceptedCommand(benchmark::State& state) {
    Platform p;
    for (int i = 0; i < 100; ++i) {  // warm up the mailbox's buffers
        p.protocol.handleRequest("D:1");
        test::take<CommandEvent>(p.mailbox);
    }
    AllocationCounter counter(state);
    for (auto _ : state) {
        auto reply = p.protocol.handleRequest("D:1");
        benchmark::DoNotOptimize(reply);
        benchmark::DoNotOptimize(test::take<CommandEvent>(p.mailbox));  // the window's side: keeps the queue short
    }
}
BENCHMARK(HandleRequest_AcceptedCommand);

void HandleRequest_TrustedLogin(benchmark::State& state) {
    Platform p;
    for (auto _ : state) {
        p.protocol.beginConnection("00:11:22:33:44:55");
        auto reply = p.protocol.handleRequest("LOGIN:1MyPhone");
        benchmark::DoNotOptimize(reply);
        test::take<NoticeEvent>(p.mailbox);
        test::take<StatusEvent>(p.mailbox);
    }
}
BENCHMARK(HandleRequest_TrustedLogin);

void Dispatch(benchmark::State& state, const char* command, const char* title) {
    Platform p;
    p.desktop.setForeground(p.desktop.addWindow(title, "Other"));
    for (auto _ : state) p.controller.dispatch(command);
    benchmark::DoNotOptimize(p.log.quietEvents);
}
BENCHMARK_CAPTURE(Dispatch, table_key_vlc, "D:1", "clip.mp4 - VLC media player");
BENCHMARK_CAPTURE(Dispatch, table_key_unknown_app, "D:1", "Untitled - Notepad");
BENCHMARK_CAPTURE(Dispatch, held_key, "D:R", "clip.mp4 - VLC media player");
BENCHMARK_CAPTURE(Dispatch, click, "D:E", "clip.mp4 - VLC media player");
BENCHMARK_CAPTURE(Dispatch, mute, "D:0", "Untitled - Notepad");

// The same command behind a user key map of 50 rules (25 by class, 25 by
// title), none of which matches: every rule is tried, then the built-in table.
void Dispatch_KeyMap50(benchmark::State& state, const char* command, const char* title) {
    Platform p;
    p.desktop.setForeground(p.desktop.addWindow(title, "Other"));
    auto map = std::make_shared<KeyMap>();
    for (int i = 0; i < 50; ++i) {
        AppRule rule;
        if (i % 2 == 0)
            rule.className = "PlayerClass" + std::to_string(i);
        else
            rule.title = " - Player " + std::to_string(i);
        rule.keys = {{"1", "a"}, {"5", " "}};
        map->rules.push_back(std::move(rule));
    }
    p.controller.setKeyMap(map);
    for (auto _ : state) p.controller.dispatch(command);
    benchmark::DoNotOptimize(p.log.quietEvents);
}
BENCHMARK_CAPTURE(Dispatch_KeyMap50, table_key_vlc, "D:1", "clip.mp4 - VLC media player");

// handleRequest through dispatch to the last injected event: the whole core path.
void CommandEndToEnd(benchmark::State& state) {
    Platform p;
    AllocationCounter counter(state);
    for (auto _ : state) {
        auto reply = p.protocol.handleRequest("D:1");
        p.controller.dispatch(test::take<CommandEvent>(p.mailbox).command);
        benchmark::DoNotOptimize(reply);
    }
}
BENCHMARK(CommandEndToEnd);

void KeySenderStrings(benchmark::State& state) {
    QuietDesktop d;
    AppActivator activator(d.desktop, d.system);
    KeySender sender(d.input, d.system, activator);
    std::vector<std::string_view> strings;
    for (const ActionRow& row : ACTION_TABLE)
        for (const Action& action : row.byApp)
            if (action.kind == Action::Kind::Keys) strings.push_back(action.keys);
    for (const VolumeStep& step : VOLUME_STEPS) {
        strings.push_back(step.up);
        strings.push_back(step.down);
    }
    for (auto _ : state)
        for (const std::string_view text : strings) sender.send(text, false);
    state.counters["strings"] = static_cast<double>(strings.size());
    state.counters["ns/string"] = benchmark::Counter(static_cast<double>(strings.size()),
                                                     benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
}
BENCHMARK(KeySenderStrings);

void DetectForegroundApp_WorstCase(benchmark::State& state) {
    QuietDesktop d;
    for (int i = 0; i < 30; ++i) d.desktop.addWindow("Window " + std::to_string(i), "Class" + std::to_string(i));
    d.desktop.setForeground(d.desktop.addWindow("A title that matches no application at all", "Unlisted"));
    for (auto _ : state) benchmark::DoNotOptimize(detectForegroundApp(d.desktop, d.system));
}
BENCHMARK(DetectForegroundApp_WorstCase);

void Tick_HeldPointer(benchmark::State& state) {
    Platform p;
    p.controller.dispatch("D:R");
    for (auto _ : state) p.controller.tick();
}
BENCHMARK(Tick_HeldPointer);

void Tick_NothingHeld(benchmark::State& state) {
    Platform p;
    for (auto _ : state) p.controller.tick();
}
BENCHMARK(Tick_NothingHeld);

}  // namespace
}  // namespace vork::bench

BENCHMARK_MAIN();
