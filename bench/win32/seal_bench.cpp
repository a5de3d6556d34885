// Vork's side of sealing under Wine, on libgcrypt as vork.exe carries it: one
// tap's message ("key D:1") opened, and one labels message sealed. Prints
// "pc-seal median p10 p90" in microseconds, per tap.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/gcrypt/gcrypt_crypto.h"
#include "web/secure_channel.h"

namespace {

double nowMicroseconds() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1e6 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main() {
    constexpr int COUNT = 20000;
    constexpr int WARM_UP = 2000;
    vork::GcryptCrypto crypto;
    vork::SealedChannel page(crypto, vork::Bytes(32, 1), vork::Bytes(32, 2));
    vork::SealedChannel pc(crypto, vork::Bytes(32, 2), vork::Bytes(32, 1));
    const std::string labels = "labels VLC media player\tD:1=Previous\tD:2=Vol +\tD:3=Next\tD:4=Back\tD:5=Play/Pause";
    std::vector<double> times;
    for (int i = 0; i < COUNT + WARM_UP; ++i) {
        const std::optional<std::string> frame = page.seal("key D:1");
        const double start = nowMicroseconds();
        const std::optional<std::string> opened = frame ? pc.open(*frame) : std::nullopt;
        const std::optional<std::string> reply = pc.seal(labels);
        const double took = nowMicroseconds() - start;
        if (!opened || *opened != "key D:1" || !reply || page.open(*reply) != labels) return 1;
        if (i >= WARM_UP) times.push_back(took);
    }
    std::sort(times.begin(), times.end());
    const auto at = [&times](double q) { return times[static_cast<std::size_t>(q * static_cast<double>(times.size() - 1))]; };
    std::printf("pc-seal %.1f %.1f %.1f\n", at(0.5), at(0.1), at(0.9));
    return 0;
}
