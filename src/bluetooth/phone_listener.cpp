#include "bluetooth/phone_listener.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <system_error>
#include <vector>

#include "bluetooth/message_framing.h"

namespace vork {

std::string setupFailureStatus(int step, int errorCode) {
    char text[64];
    std::snprintf(text, sizeof text, "Cannot find bluetooth (%d #%d)", step, errorCode);
    return text;
}

namespace {

// A cycle's offer, withdrawn on every path out of it.
class CycleOffer {
public:
    explicit CycleOffer(SerialService& service) : service_(service) {}
    ~CycleOffer() { service_.withdraw(); }
    CycleOffer(const CycleOffer&) = delete;
    CycleOffer& operator=(const CycleOffer&) = delete;

private:
    SerialService& service_;
};

}  // namespace

PhoneListener::PhoneListener(SerialService& service, UiMailbox& mailbox, ConnectionState& state, Sleeper& sleeper,
                             TrustedDevices* trusted)
    : service_(service), mailbox_(mailbox), sleeper_(sleeper), protocol_(mailbox, state, sleeper, trusted) {}

void PhoneListener::run() {
    while (runCycle()) {
    }
}

bool PhoneListener::runCycle() {
    mailbox_.publishStatus(LISTENER_ORIGIN, SEARCHING_STATUS);
    if (!sleeper_.sleep(CYCLE_PAUSE_MS)) return false;
    {
        const CycleOffer cycle(service_);
        const ServiceOffer offer = service_.offer();
        if (offer.outcome == ServiceOffer::Outcome::NotStarted) return true;
        if (offer.secured == false && !unsecuredNoticeShown_) {
            unsecuredNoticeShown_ = true;
            mailbox_.publishWarning(UNSECURED_LINK_NOTICE);
        }
        if (offer.outcome == ServiceOffer::Outcome::Offered) return serveNextPhone();
        mailbox_.publishStatus(LISTENER_ORIGIN, offer.failureText.empty()
                                                    ? setupFailureStatus(offer.failedStep, offer.errorCode)
                                                    : offer.failureText);
    }  // what the failed setup opened is closed before the pause
    return sleeper_.sleep(SETUP_FAILURE_PAUSE_MS);
}

bool PhoneListener::serveNextPhone() {
    mailbox_.publishStatus(LISTENER_ORIGIN, WAITING_STATUS);
    const std::optional<PhoneConnection> connection = service_.nextPhone();
    if (!connection) return true;  // not reported; a stop shows at the next pause
    return serve(*connection);
}

bool PhoneListener::serve(const PhoneConnection& connection) {
    const SocketHandle socket = connection.socket;
    protocol_.beginConnection(connection.address, [this, socket] { return service_.peerConnected(socket); });

    service_.limitSendTime(socket, SEND_LIMIT_MS);
    const std::uint64_t acceptedAtMs = sleeper_.nowMs();
    std::array<char, RECEIVE_BUFFER_SIZE> buffer{};
    MessageFraming framing;
    std::vector<std::string> messages;
    bool ended = false;
    bool stopped = false;
    while (!ended && awaitData(socket, acceptedAtMs)) {
        const int received = service_.receive(socket, buffer);
        if (received <= 0) break;
        messages.clear();
        framing.receive(std::string_view(buffer.data(), static_cast<std::size_t>(received)), messages);
        for (const std::string& message : messages) {
            auto reply = protocol_.handleRequest(message);
            if (!reply) {
                stopped = sleeper_.stopRequested();
                ended = true;
                break;
            }
            // A line never holds CR or LF and a login reply always does, so
            // this is an echo: back as a line of its own for a terminal.
            if (framing.lineMode() && *reply == message) reply->append(LINE_ENDING);
            if (!sendWhole(socket, *reply)) {
                ended = true;
                break;
            }
        }
    }
    service_.close(socket);
    // The window stops whatever the gone phone was holding.
    mailbox_.publishDeparture(protocol_.origin().connection);
    return !stopped;
}

bool PhoneListener::sendWhole(SocketHandle socket, std::string_view reply) {
    // However the link splits it; other errors end nothing here, the next
    // receive notices a broken link. An empty reply is still one (empty) send.
    std::string_view rest = reply;
    do {
        const int sent = service_.send(socket, rest);
        if (sent <= 0) return sent != SEND_TIMED_OUT;
        rest.remove_prefix(std::min(rest.size(), static_cast<std::size_t>(sent)));
    } while (!rest.empty());
    return true;
}

bool PhoneListener::awaitData(SocketHandle socket, std::uint64_t acceptedAtMs) {
    if (protocol_.loginSeen()) return true;  // the receive itself waits
    const std::uint64_t elapsed = sleeper_.nowMs() - acceptedAtMs;
    if (elapsed >= LOGIN_LIMIT_MS) return false;
    // An error shows in the receive that follows.
    return service_.waitForData(socket, static_cast<std::uint32_t>(LOGIN_LIMIT_MS - elapsed)) != 0;
}

struct ListenerThread::Shared {
    Shared(std::unique_ptr<SerialService> ownService, std::shared_ptr<UiMailbox> ownMailbox,
           std::shared_ptr<ConnectionState> ownState, std::shared_ptr<TrustedDevices> ownTrusted)
        : service(std::move(ownService)),
          mailbox(std::move(ownMailbox)),
          state(std::move(ownState)),
          trusted(std::move(ownTrusted)),
          listener(*service, *mailbox, *state, stop, trusted.get()) {}

    std::unique_ptr<SerialService> service;
    std::shared_ptr<UiMailbox> mailbox;
    std::shared_ptr<ConnectionState> state;
    std::shared_ptr<TrustedDevices> trusted;
    StopSignal stop;
    PhoneListener listener;
    std::mutex doneMutex;
    std::condition_variable doneChanged;
    bool done = false;
};

ListenerThread::ListenerThread(std::unique_ptr<SerialService> service, std::shared_ptr<UiMailbox> mailbox,
                               std::shared_ptr<ConnectionState> state, std::shared_ptr<TrustedDevices> trusted,
                               std::uint32_t joinLimitMs, Launcher launch)
    : shared_(std::make_shared<Shared>(std::move(service), std::move(mailbox), std::move(state), std::move(trusted))),
      joinLimitMs_(joinLimitMs),
      launch_(std::move(launch)) {}

bool ListenerThread::start() {
    if (thread_.joinable()) return false;
    // The thread keeps its own share, so a thread that outlives a bounded
    // join never touches freed memory.
    std::function<void()> body = [shared = shared_] {
        shared->listener.run();
        const std::lock_guard lock(shared->doneMutex);
        shared->done = true;
        shared->doneChanged.notify_all();
    };
    try {
        if (launch_)
            thread_ = launch_(std::move(body));
        else
            thread_ = std::thread(std::move(body));
    } catch (const std::system_error&) {
        return false;  // the system has no thread to give
    }
    return thread_.joinable();
}

void ListenerThread::requestStop() {
    shared_->stop.requestStop();
    shared_->listener.closeSockets();
}

bool ListenerThread::stop() {
    if (!thread_.joinable()) return true;
    requestStop();
    bool finished = false;
    {
        std::unique_lock lock(shared_->doneMutex);
        finished = shared_->doneChanged.wait_for(lock, std::chrono::milliseconds(joinLimitMs_),
                                                 [this] { return shared_->done; });
    }
    if (finished)
        thread_.join();
    else
        thread_.detach();
    return finished;
}

}  // namespace vork
