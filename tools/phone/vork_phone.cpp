// vork-phone: a command-line phone for Vork. It connects to the loopback
// build (or any host and port), sends one text per send and prints each reply
// with control bytes made visible. Scripted for tests, interactive for people.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "phone_link.h"
#include "text_escapes.h"

namespace {

using vork::phone::PhoneLink;
using vork::phone::unescape;
using vork::phone::visible;

constexpr const char* HELP = R"(Usage: vork-phone [OPTIONS] [STEP...]

A phone for Vork that speaks its text protocol over TCP (the loopback build,
vork-loopback.exe, listens on 127.0.0.1:5150).

Connection:
  --host HOST        host to connect to (default 127.0.0.1)
  --port PORT        port (default 5150)
  --from ADDRESS     connect from this local address; 127.0.0.2 is another
                     "device" than 127.0.0.1 to Vork
  --timeout MS       how long to wait for each reply (default 30000; a login
                     waits for the user at the PC)
  --retry MS         keep trying to connect for this long (default 0), also
                     when a connection is dropped before any reply

As a terminal app sends:
  --line-ending crlf|lf|cr|none
                     end every text with this (default none: each text alone,
                     as Vork's own protocol has it)
  --chunk N          split every text into sends of at most N bytes, 20 ms
                     apart, as apps with a character delay do (default 0:
                     one send per text)

Scripted steps, run in order (texts take \n \r \t \0 \\ \xNN escapes):
  -s, --send TEXT    send TEXT in one send and print the reply
  -e, --expect TEXT  the reply to the last send must be exactly TEXT
                     (--expect '' : no reply at all)
  -p, --pause MS     wait MS milliseconds
  --stdin            then send every line of standard input, one per send
  A bare STEP is the same as --send STEP.

Interactive:
  -i, --interactive  keys send the phone's texts: arrows D:U D:D D:L D:R,
                     0-9 * # D:0..D:9 D:* D:#, Enter D:E, Backspace D:C,
                     x U:X, q quits
  --name NAME        log in as NAME first (interactive mode)

Exit status: 0 every reply as expected, 1 a reply differed, 2 no connection,
a timeout or a closed link, 64 bad usage.

Example:
  vork-phone -s 'LOGIN:1MyPhone' -e 'LOGIN OK\n\r' -s D:1 -e D:1
)";

struct Step {
    enum class Kind { Send, Expect, Pause } kind;
    std::string text;
    int milliseconds = 0;
};

struct Options {
    std::string host = "127.0.0.1";
    int port = 5150;
    std::string from;
    int timeoutMs = 30000;
    int retryMs = 0;
    bool readStdin = false;
    bool interactive = false;
    std::string name;
    std::string lineEnding;
    int chunk = 0;
    std::vector<Step> steps;
};


[[noreturn]] void usage(const std::string& problem) {
    std::fprintf(stderr, "vork-phone: %s (see --help)\n", problem.c_str());
    std::exit(64);
}

std::string lineEndingOf(const std::string& name) {
    if (name == "crlf") return "\r\n";
    if (name == "lf") return "\n";
    if (name == "cr") return "\r";
    if (name == "none") return "";
    usage("--line-ending takes crlf, lf, cr or none");
}

std::string bytesOf(const std::string& option, const std::string& text) {
    const auto bytes = unescape(text);
    if (!bytes) usage("bad escape in " + option + " " + text);
    return *bytes;
}

int numberOf(const std::string& option, const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 100'000'000) usage("bad number for " + option);
    return static_cast<int>(value);
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(HELP, stdout);
            std::exit(0);
        } else if (arg == "--host") {
            options.host = value();
        } else if (arg == "--port") {
            options.port = numberOf(arg, value());
        } else if (arg == "--from") {
            options.from = value();
        } else if (arg == "--timeout") {
            options.timeoutMs = numberOf(arg, value());
        } else if (arg == "--retry") {
            options.retryMs = numberOf(arg, value());
        } else if (arg == "--line-ending") {
            options.lineEnding = lineEndingOf(value());
        } else if (arg == "--chunk") {
            options.chunk = numberOf(arg, value());
        } else if (arg == "-s" || arg == "--send") {
            options.steps.push_back({Step::Kind::Send, bytesOf(arg, value())});
        } else if (arg == "-e" || arg == "--expect") {
            if (options.steps.empty() || options.steps.back().kind != Step::Kind::Send)
                usage(arg + " must follow a --send");
            options.steps.push_back({Step::Kind::Expect, bytesOf(arg, value())});
        } else if (arg == "-p" || arg == "--pause") {
            options.steps.push_back({Step::Kind::Pause, {}, numberOf(arg, value())});
        } else if (arg == "--stdin") {
            options.readStdin = true;
        } else if (arg == "-i" || arg == "--interactive") {
            options.interactive = true;
        } else if (arg == "--name") {
            options.name = value();
        } else if (!arg.empty() && arg[0] == '-') {
            usage("unknown option " + arg);
        } else {
            options.steps.push_back({Step::Kind::Send, bytesOf("STEP", arg)});
        }
    }
    return options;
}

// The text as the phone puts it on the link: with its line ending, in one
// send or in pieces of at most `chunk` bytes with a short pause between.
bool sendText(PhoneLink& link, const std::string& text, const Options& options) {
    const std::string wire = text + options.lineEnding;
    if (options.chunk <= 0 || wire.size() <= static_cast<std::size_t>(options.chunk)) return link.send(wire);
    const auto piece = static_cast<std::size_t>(options.chunk);
    for (std::size_t start = 0; start < wire.size(); start += piece) {
        if (start > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!link.send(wire.substr(start, piece))) return false;
    }
    return true;
}

// Sends one text and prints the reply; none when the link failed.
std::optional<std::string> exchange(PhoneLink& link, const std::string& text, const Options& options,
                                    std::optional<std::size_t> expectedLength) {
    const int timeoutMs = options.timeoutMs;
    if (!sendText(link, text, options)) {
        std::fprintf(stderr, "vork-phone: send failed: %s\n", link.error().c_str());
        return std::nullopt;
    }
    std::printf("> %s\n", visible(text).c_str());
    std::fflush(stdout);
    // An empty text is echoed as nothing at all: don't wait long for it.
    const int firstWait = text.empty() || expectedLength == std::size_t{0} ? 300 : timeoutMs;
    auto reply = link.receiveReply(firstWait, expectedLength);
    if (!reply) {
        if (link.closed()) std::fprintf(stderr, "vork-phone: the link was closed\n");
        return text.empty() || expectedLength == std::size_t{0} ? std::optional<std::string>("") : std::nullopt;
    }
    std::printf("< %s\n", visible(*reply).c_str());
    std::fflush(stdout);
    return reply;
}

// `answered`: some reply came, so the connection was really served.
int runScript(PhoneLink& link, const Options& options, bool& answered) {
    std::vector<Step> steps = options.steps;
    if (options.readStdin) {
        std::string line;
        while (std::getline(std::cin, line)) steps.push_back({Step::Kind::Send, bytesOf("stdin line", line)});
    }
    int status = 0;
    std::string lastReply;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& step = steps[i];
        if (step.kind == Step::Kind::Pause) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.milliseconds));
            continue;
        }
        if (step.kind == Step::Kind::Expect) {
            if (lastReply != step.text) {
                std::fprintf(stderr, "vork-phone: expected \"%s\", got \"%s\"\n", visible(step.text).c_str(),
                             visible(lastReply).c_str());
                status = 1;
            }
            continue;
        }
        std::optional<std::size_t> expectedLength;
        if (i + 1 < steps.size() && steps[i + 1].kind == Step::Kind::Expect) expectedLength = steps[i + 1].text.size();
        const auto reply = exchange(link, step.text, options, expectedLength);
        if (!reply) {
            std::fprintf(stderr, "vork-phone: no reply to \"%s\"\n", visible(step.text).c_str());
            return 2;
        }
        answered = answered || !reply->empty();
        lastReply = *reply;
    }
    return status;
}

bool connectUntil(PhoneLink& link, const Options& options, std::chrono::steady_clock::time_point deadline) {
    while (!link.connect(options.host, options.port, options.from)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            std::fprintf(stderr, "vork-phone: cannot connect to %s:%d: %s\n", options.host.c_str(), options.port,
                         link.error().c_str());
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

}  // namespace

int runInteractive(PhoneLink& link, const std::string& name, int timeoutMs);


int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    if (!options.interactive && options.steps.empty() && !options.readStdin) usage("nothing to send");

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options.retryMs);
    for (;;) {
        PhoneLink link;
        if (!connectUntil(link, options, deadline)) return 2;
        if (options.interactive) return runInteractive(link, options.name, options.timeoutMs);
        bool answered = false;
        const int status = runScript(link, options, answered);
        // Between two phones Vork's listener may take a connection into the
        // backlog of a socket it is about to close: that one is dropped
        // unserved, so it is tried again while --retry allows.
        if (status != 2 || answered || options.readStdin || std::chrono::steady_clock::now() >= deadline)
            return status;
        std::fprintf(stderr, "vork-phone: dropped before any reply; connecting again\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}
