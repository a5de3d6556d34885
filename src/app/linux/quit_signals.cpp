#include "app/linux/quit_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace vork::linux_x11 {

namespace {

// A signal handler reaches only what is global: the pipe's write end, set
// before the handlers go in and cleared after they are gone.
std::atomic<int> signalPipe{-1};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free store");

void onQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // Async-signal-safe; a full pipe already holds a wake.
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe.load(), &byte, 1);
    errno = saved;
}

}  // namespace

QuitSignals::QuitSignals(std::function<void()> onSignal) {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;  // the signals then end the program as before
    readEnd_.reset(ends[0]);
    writeEnd_.reset(ends[1]);
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_.get(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(),
                     [this, onSignal = std::move(onSignal)] {
                         char bytes[16];
                         while (::read(readEnd_.get(), bytes, sizeof bytes) > 0) {
                         }
                         // A second signal, while Vork puts things back, ends it at once.
                         restoreFormer();
                         notifier_->setEnabled(false);
                         onSignal();
                     });
    signalPipe.store(writeEnd_.get());
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < SIGNALS.size(); ++i) {
        // A signal the starter ignores (nohup's SIGHUP) stays ignored.
        if (sigaction(SIGNALS[i], nullptr, &former_[i]) != 0 || former_[i].sa_handler == SIG_IGN) continue;
        installed_[i] = sigaction(SIGNALS[i], &action, nullptr) == 0;
    }
}

QuitSignals::~QuitSignals() {
    restoreFormer();
    signalPipe.store(-1);
}

void QuitSignals::restoreFormer() {
    for (std::size_t i = 0; i < SIGNALS.size(); ++i)
        if (installed_[i]) installed_[i] = sigaction(SIGNALS[i], &former_[i], nullptr) != 0;
}

}  // namespace vork::linux_x11
