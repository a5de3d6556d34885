// A simulated platform that records nothing, for benchmarks: a few windows,
// the US layout, a mixer that accepts everything.
#pragma once

#include <string>
#include <vector>

#include "fake_input.h"
#include "link/connection_state.h"
#include "link/ui_mailbox.h"
#include "recording_notifier.h"
#include "platform/notifier.h"
#include "platform/input_injector.h"
#include "platform/mixer_api.h"
#include "platform/sleeper.h"
#include "platform/system_services.h"
#include "platform/window_manager.h"

namespace vork::bench {

struct NullWindow {
    WindowHandle handle;
    std::string title;
    std::string className;
};

class NullDesktop final : public WindowManager {
public:
    WindowHandle add(std::string title, std::string className) {
        windows.push_back({WindowHandle{windows.size() + 1}, std::move(title), std::move(className)});
        return windows.back().handle;
    }
    WindowHandle foregroundWindow() override { return foreground; }
    std::string windowText(WindowHandle window, std::size_t bufferSize) override {
        const NullWindow* found = find(window);
        return found ? found->title.substr(0, bufferSize - 1) : std::string();
    }
    std::string className(WindowHandle window, std::size_t bufferSize) override {
        const NullWindow* found = find(window);
        return found ? found->className.substr(0, bufferSize - 1) : std::string();
    }
    std::string programFileName(WindowHandle) override { return "player.exe"; }
    WindowHandle findWindow(const std::optional<std::string>& className,
                            const std::optional<std::string>& title) override {
        for (const NullWindow& w : windows)
            if ((!className || w.className == *className) && (!title || w.title == *title)) return w.handle;
        return {};
    }
    void enumerateWindows(const std::function<bool(WindowHandle)>& visit) override {
        for (const NullWindow& w : windows)
            if (!visit(w.handle)) return;
    }
    void sendSysCommand(WindowHandle, std::uintptr_t, WindowHandle) override {}
    void showWindow(WindowHandle, int) override {}
    void setForegroundWindow(WindowHandle window) override { foreground = window; }
    void setFocus(WindowHandle) override {}
    bool postMessage(WindowHandle, unsigned) override { return true; }
    bool setTimer(WindowHandle, std::uintptr_t, unsigned) override { return true; }

    std::vector<NullWindow> windows;
    WindowHandle foreground;

private:
    const NullWindow* find(WindowHandle window) const {
        for (const NullWindow& w : windows)
            if (w.handle == window) return &w;
        return nullptr;
    }
};

class NullInput final : public InputInjector {
public:
    void keyEvent(std::uint8_t, std::uint8_t, std::uint32_t) override { ++events; }
    unsigned sendKeyboardInputs(std::span<const KeyboardInput> inputs) override {
        events += inputs.size();
        return static_cast<unsigned>(inputs.size());
    }
    unsigned sendMouseInput(const MouseInput&) override {
        ++events;
        return 1;
    }
    std::uint16_t keyForCharacter(char c) override { return test::usKeyForCharacter(c); }
    std::uint32_t scanCodeForKey(std::uint8_t virtualKey) override { return virtualKey; }
    std::int16_t keyState(std::uint8_t) override { return 0; }
    bool getKeyboardState(KeyboardStateArray&) override { return true; }
    bool setKeyboardState(const KeyboardStateArray&) override { return true; }
    void pumpKeyboardMessages() override {}

    std::size_t events = 0;
};

class NullSystem final : public SystemServices {
public:
    void sleep(std::uint32_t) override {}
    void beep(std::uint32_t, std::uint32_t) override {}
    std::uint32_t version() override { return 0x1DB10106; }
    bool isLeadByte(std::uint8_t) override { return false; }
};

class NullMixer final : public MixerApi {
public:
    std::uint32_t deviceCount() override { return 1; }
    std::optional<MixerHandle> open(std::uint32_t) override { return MixerHandle{1}; }
    bool readCapabilities(MixerHandle) override { return true; }
    std::optional<std::uint32_t> speakersLine(MixerHandle) override { return 1; }
    std::optional<std::uint32_t> muteControl(MixerHandle, std::uint32_t) override { return 2; }
    bool setMute(MixerHandle, std::uint32_t, bool) override { return true; }
    bool close(MixerHandle) override { return true; }
};

class NullNotifier final : public Notifier {
public:
    bool wake(unsigned) override { return true; }
};

// The user at the PC accepts the request on screen during the first pause
// of every wait.
class AcceptingSleeper final : public Sleeper {
public:
    AcceptingSleeper(UiMailbox& mailbox, ConnectionState& state) : mailbox_(mailbox), state_(state) {}
    bool sleep(std::uint32_t) override {
        state_.answer(test::take<RequestEvent>(mailbox_).number, Accepted, 0);
        return true;
    }
    [[nodiscard]] bool stopRequested() const override { return false; }
    [[nodiscard]] std::uint64_t nowMs() const override { return 0; }

private:
    UiMailbox& mailbox_;
    ConnectionState& state_;
};

}  // namespace vork::bench
