// Boost.Beast and Asio, header-only, all on one thread: every handler runs
// there, so the sessions, the slots and the link's shared state need no locks
// of their own. The sites, their connections and the rules they follow
// (routes, sessions, slots, the Connect page) live in their own files.
#include <utility>  // Boost 1.74's headers use std::exchange without including it

#include "web/web_server.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include <atomic>
#include <chrono>
#include <future>
#include <system_error>
#include <thread>

#include "web/connect_page.h"
#include "web/connect_site.h"
#include "web/connection_slots.h"
#include "web/page_socket.h"
#include "web/pairing_offer.h"
#include "web/remote_site.h"

namespace vork {

namespace {

constexpr auto CONNECT_PAGE_START_LIMIT = std::chrono::seconds(2);
constexpr auto STOP_LIMIT = std::chrono::seconds(2);

}  // namespace

class WebServer::Impl {
public:
    Impl(WebServerParts parts, const WebServerLimits& limits)
        : parts_(std::move(parts)),
          limits_(limits),
          offers_(*parts_.random),
          link_(*parts_.mailbox, *parts_.state, *parts_.random, *parts_.trusted, *parts_.crypto, offers_),
          connectPage_(*parts_.mailbox, *parts_.trusted, offers_, *parts_.adapters),
          remoteSlots_(limits_.connections, limits_.perAddress),
          connectSlots_(CONNECT_PAGE_CONNECTIONS, CONNECT_PAGE_CONNECTIONS),
          remote_(context_, limits_, remoteSlots_, parts_, link_, pages_),
          connect_(context_, limits_, connectSlots_, *parts_.random, parts_.pages.connect, connectPage_, remote_) {
        link_.unpairedLimitMs = limits_.unpairedMs;
    }

    ~Impl() { stop(); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    bool setRemote(std::optional<std::uint16_t> port) {
        if (!ensureThread()) return false;
        asio::post(context_, [this, port] { remote_.switchTo(port); });
        return true;
    }

    void describeSwitch(SwitchSource source) {
        if (!ensureThread()) return;
        asio::post(context_, [this, source] { connectPage_.describeSwitch(source); });
    }

    void sendToPage(ConnectionId page, std::string text) {
        if (!thread_.joinable() || failed_) return;
        asio::post(context_, [this, page, text = std::move(text)] {
            const auto found = pages_.find(page);
            if (found != pages_.end()) found->second->fromWindow(text);
        });
    }

    std::optional<std::string> connectPageAddress() {
        if (!ensureThread() || failed_) return std::nullopt;
        auto promise = std::make_shared<std::promise<std::optional<std::string>>>();
        std::future<std::optional<std::string>> address = promise->get_future();
        asio::post(context_, [this, promise] { promise->set_value(connect_.address()); });
        if (address.wait_for(CONNECT_PAGE_START_LIMIT) != std::future_status::ready) return std::nullopt;
        return address.get();
    }

    // Every socket closes and its handlers end on the server's own thread;
    // what does not end within the limit is dropped with the context.
    void stop() {
        if (!thread_.joinable()) return;
        asio::post(context_, [this] {
            remote_.close();
            connect_.close();
            work_.reset();
        });
        if (ended_.wait_for(STOP_LIMIT) != std::future_status::ready) context_.stop();
        thread_.join();
    }

private:
    bool ensureThread() {
        if (thread_.joinable()) return !failed_;
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            return false;  // the system has no thread to give
        }
        return true;
    }

    // Whatever fails on this thread (out of memory, say) ends the browser
    // remote alone: the window says so and the Bluetooth link runs on.
    void run() {
        try {
            context_.run();
        } catch (...) {
            failed_ = true;
            parts_.mailbox->publishWebServer(WebServerState::Stopped, remote_.port().value_or(0));
        }
        threadEnded_.set_value();
    }

    WebServerParts parts_;
    WebServerLimits limits_;
    PairingOffers offers_;
    WebLink link_;
    ConnectPage connectPage_;
    std::atomic<bool> failed_ = false;
    std::promise<void> threadEnded_;
    std::future<void> ended_ = threadEnded_.get_future();
    // Declared before the context: connections that die with it leave their slots.
    OpenPages pages_;
    ConnectionSlots remoteSlots_;
    ConnectionSlots connectSlots_;
    asio::io_context context_{1};
    // The thread waits for work even while nothing listens.
    asio::executor_work_guard<asio::io_context::executor_type> work_ = asio::make_work_guard(context_);
    RemoteSite remote_;
    ConnectSite connect_;
    std::thread thread_;
};

WebServer::WebServer(WebServerParts parts, const WebServerLimits& limits)
    : impl_(std::make_unique<Impl>(std::move(parts), limits)) {}

WebServer::~WebServer() = default;

bool WebServer::setRemote(std::optional<std::uint16_t> port) { return impl_->setRemote(port); }

void WebServer::describeSwitch(SwitchSource source) { impl_->describeSwitch(source); }

std::optional<std::string> WebServer::connectPageAddress() { return impl_->connectPageAddress(); }

void WebServer::sendToPage(ConnectionId page, std::string text) { impl_->sendToPage(page, std::move(text)); }

void WebServer::stop() { impl_->stop(); }

}  // namespace vork
