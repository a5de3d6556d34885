// The interactive phone: single keys send the phone's texts.
#include <cstdio>
#include <string>

#include "phone_link.h"
#include "text_escapes.h"

#ifdef _WIN32
#include <conio.h>
#else
#include <termios.h>
#include <unistd.h>
#endif

namespace {

using vork::phone::PhoneLink;
using vork::phone::visible;

#ifndef _WIN32
// Puts the terminal in single-key mode for its lifetime.
class RawTerminal {
public:
    RawTerminal() {
        active_ = tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (!active_) return;
        termios raw = saved_;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
    ~RawTerminal() {
        if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

private:
    termios saved_{};
    bool active_ = false;
};

int readKey() {
    unsigned char c = 0;
    if (read(STDIN_FILENO, &c, 1) != 1) return -1;
    if (c != 0x1B) return c;
    unsigned char sequence[2];
    if (read(STDIN_FILENO, sequence, 2) != 2 || sequence[0] != '[') return 0x1B;
    switch (sequence[1]) {
    case 'A': return 0x100;  // up
    case 'B': return 0x101;  // down
    case 'C': return 0x102;  // right
    case 'D': return 0x103;  // left
    default: return 0;
    }
}
#else
int readKey() {
    const int c = _getch();
    if (c != 0 && c != 0xE0) return c;
    switch (_getch()) {
    case 72: return 0x100;
    case 80: return 0x101;
    case 77: return 0x102;
    case 75: return 0x103;
    default: return 0;
    }
}
#endif

std::string textForKey(int key) {
    switch (key) {
    case 0x100: return "D:U";
    case 0x101: return "D:D";
    case 0x102: return "D:R";
    case 0x103: return "D:L";
    case '\n':
    case '\r': return "D:E";
    case 0x7F:
    case 0x08: return "D:C";
    case '*': return "D:*";
    case '#': return "D:#";
    case 'x': return "U:X";
    default: break;
    }
    if (key >= '0' && key <= '9') return std::string("D:") + static_cast<char>(key);
    return {};
}

bool exchange(PhoneLink& link, const std::string& text, int timeoutMs) {
    if (!link.send(text)) {
        std::printf("send failed: %s\n", link.error().c_str());
        return false;
    }
    const auto reply = link.receiveReply(timeoutMs, text.size());
    std::printf("> %-16s < %s\n", visible(text).c_str(), reply ? visible(*reply).c_str() : "(no reply)");
    std::fflush(stdout);
    return !link.closed();
}

}  // namespace

int runInteractive(PhoneLink& link, const std::string& name, int timeoutMs) {
    if (!name.empty()) {
        std::printf("Logging in as %s; accept it on the PC...\n", name.c_str());
        std::fflush(stdout);
        if (!link.send("LOGIN:1" + name)) return 2;
        const auto reply = link.receiveReply(timeoutMs, std::nullopt);
        std::printf("< %s\n", reply ? visible(*reply).c_str() : "(no reply)");
        if (!reply) return 2;
    }
    std::printf("arrows move, Enter/Backspace click, 0-9 * # keys, x forgets this phone, q quits\n");
    std::fflush(stdout);
#ifndef _WIN32
    RawTerminal raw;
#endif
    for (;;) {
        const int key = readKey();
        if (key < 0 || key == 'q') return 0;
        const std::string text = textForKey(key);
        if (!text.empty() && !exchange(link, text, 2000)) return 2;
    }
}
