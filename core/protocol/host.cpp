#include "protocol/host.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

namespace udare {

void SystemClock::sleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

int64_t SystemClock::nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

SystemClock& SystemClock::instance() {
    static SystemClock c;
    return c;
}

void StderrLog::log(std::string_view line) {
    static std::mutex m;
    std::lock_guard<std::mutex> l(m);
    std::fwrite(line.data(), 1, line.size(), stderr);
    if (line.empty() || line.back() != '\n') std::fputc('\n', stderr);
}

NullLog& NullLog::instance() {
    static NullLog l;
    return l;
}

NullNotifier& NullNotifier::instance() {
    static NullNotifier n;
    return n;
}

AutoPrompter& AutoPrompter::instance() {
    static AutoPrompter p;
    return p;
}

}  // namespace udare
