// The virtual unit's insides, shared by its parts: the preset data
// (presets.cpp), request handling (requests.cpp), the flash and MCU emulation
// (flash_mcu.cpp) and the device and hot-plug side (virtual_unit.cpp).
#pragma once

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "protocol/codec.h"
#include "protocol/equalisers.h"
#include "protocol/opcodes.h"
#include "protocol/report.h"
#include "sim/virtual_unit.h"

namespace udare::sim {

using SteadyClock = std::chrono::steady_clock;
using TimePoint = SteadyClock::time_point;
using std::chrono::milliseconds;

constexpr size_t kLogLimit = 262144;
constexpr int kMaxPiece = 56;
constexpr int kFirstCode = 0x30;
constexpr int kCodeSlots = 64;
// Largest MCU image the unit can take; offsets that wrap more often than this
// allows are not stored.
constexpr uint32_t kMcuFlashSize = 1u << 20;
// How long a restarting unit stays away from the bus.
constexpr int kGoneMs = 20;
constexpr int kReenumerateMs = 300;

// Scalar addresses the unit has (see requests.cpp).
bool knownScalar(int group, int code, int protocol);

// The settings a unit starts with, and its own presets.
UnitSettings startSettings(int protocol);
UnitSettings factorySettings(int n, int protocol);

inline HidReport reply(uint8_t command) {
    HidReport r{};
    r[0] = kReportId;
    r[1] = command;
    return r;
}

inline void putText(HidReport& r, const std::string& s, size_t max) {
    size_t n = std::min(s.size(), max);
    std::memcpy(r.data() + 2, s.data(), n);
}

struct Pending {
    TimePoint at;
    HidReport report;
};


// Everything behind the interface, under one lock.
struct VirtualUnit::Core {
    explicit Core(const SimOptions& o) : opt(o), rng(o.seed) {}

    struct Handle {
        std::deque<Pending> queue;
        bool cancelled = false;
        bool gone = false;     // the unit was removed while open
        bool readFail = false;
    };

    enum class EventKind { NotifyRemoved, NotifyArrived, Unplug, Plug, KeyPress };
    struct Event {
        TimePoint at;
        EventKind kind;
        bool upgrade = false;  // for Plug: mode it comes back in
        bool restart = false;  // for Plug: reload the power-on mode
        int key = 0;           // for KeyPress: the key being learned
    };

    const SimOptions opt;
    mutable std::mutex m;
    std::condition_variable readCv;
    std::condition_variable eventCv;
    std::condition_variable waitingCv;  // a read has begun to wait
    int readsWaiting = 0;
    TimePoint epoch = SteadyClock::now();
    TimePoint lastDelivery = epoch;

    bool plugged = true;
    bool pulledOut = false;  // unplugged by hand: a pending restart does not bring it back
    bool upgrade = false;
    std::vector<std::shared_ptr<Handle>> handles;

    // Unit state.
    int imageSize = kImageSize;
    UnitSettings cur;
    std::array<UnitSettings, 4> modes;
    int currentMode = 0;
    bool noImage = false;
    // Volumes saved by power cycle, start volumes 50, maximums 99, nothing
    // locked, power-on mode automatic.
    std::array<uint8_t, machine::kSize> machine{0, 50, 50, 99, 99, 0, 0, 0, 0, 0, 0, 0};
    std::array<uint8_t, 16> remote{};
    int learning = 0;
    std::array<uint8_t, 3> levels{};
    uint32_t meterTick = 0;
    std::mt19937 rng;

    std::vector<uint8_t> mcuImage;
    uint32_t mcuHighBase = 0;
    uint32_t mcuLast = 0;
    bool mcuGap = false;
    // Blocks are opened by their marks, in order: bytes below mcuMarked may be
    // written. Data ahead of its block's mark, or a mark out of order, spoils
    // the image.
    uint32_t mcuMarked = 0;
    bool mcuBadMark = false;
    bool mcuEnded = false;
    std::array<uint8_t, 3> mcuHead{};
    int restarts = 0;

    // A sector never erased still holds the old core (empty vector); erased
    // sectors read FF until written.
    std::array<std::vector<uint8_t>, kFlashSectors> flash;
    std::vector<uint8_t> modeMemory = std::vector<uint8_t>(kModeMemorySize, 0xFF);

    std::deque<HidReport> log;
    size_t received = 0;
    bool removeFired = false;
    bool readErrorFired = false;

    // Hot-plug delivery.
    std::deque<Event> events;
    bool stopping = false;
    std::recursive_mutex listenerMutex;
    HotplugListener* listener = nullptr;

    void postEvent(Event e) {
        auto it = std::upper_bound(events.begin(), events.end(), e.at,
                                   [](TimePoint t, const Event& x) { return t < x.at; });
        events.insert(it, e);
        eventCv.notify_all();
    }

    void unplugLocked() {
        if (!plugged) return;
        plugged = false;
        learning = 0;
        for (auto& h : handles) h->gone = true;
        handles.clear();
        readCv.notify_all();
        postEvent({SteadyClock::now(), EventKind::NotifyRemoved});
    }

    void plugLocked() {
        if (plugged) return;
        plugged = true;
        postEvent({SteadyClock::now(), EventKind::NotifyArrived});
    }

    // A remote key seen while key k is learned: the unit stores and reports it.
    bool pressKeyLocked(uint8_t code) {
        if (!plugged || learning == 0) return false;
        int k = learning;
        learning = 0;
        remote[k] = code;
        if (opt.silent) return true;
        HidReport r{};
        r[0] = kReportId;
        r[1] = op::kLearnKey;
        r[2] = remote[0];
        r[3] = uint8_t(k);
        r[4] = code;
        deliver(r, SteadyClock::now() + milliseconds(opt.latencyMs));
        return true;
    }

    // Mode m becomes the current settings, its image included (a unit that had
    // no image of its own has the mode's from now on).
    void loadMode(int m) {
        cur = modes[m];
        currentMode = m;
        noImage = false;
    }

    void checkReadError() {
        if (readErrorFired || opt.readErrorAfter < 0 || received < size_t(opt.readErrorAfter))
            return;
        if (handles.empty()) return;  // fires on the first open interface
        readErrorFired = true;
        for (auto& h : handles) h->readFail = true;
        readCv.notify_all();
    }

    // Replies queue in order; each is due at its time or after the one before.
    void deliver(const HidReport& r, TimePoint at) {
        at = std::max(at, lastDelivery);
        lastDelivery = at;
        for (auto& h : handles) h->queue.push_back({at, r});
        readCv.notify_all();
    }

    // Re-enumeration after a restart into the other mode (or the same).
    void scheduleRestart(TimePoint after, bool toUpgrade, bool reload) {
        postEvent({after + milliseconds(kGoneMs), EventKind::Unplug});
        postEvent({after + milliseconds(kGoneMs + kReenumerateMs), EventKind::Plug, toUpgrade,
                   reload});
    }

    uint8_t flashStatus(uint32_t address, uint32_t len) const;
    // The core the unit shipped with: a fixed pattern with few FF bytes, so
    // that writing over it without an erase fails to verify.
    static uint8_t oldCoreByte(uint32_t a);
    uint8_t flashByte(uint32_t a) const;

    void meter() {
        // Levels follow the volumes, with a slow swell and a little noise.
        auto pct = [&](int g, int c) {
            float f = bitsFloat(cur.values[g][c - kFirstCode][0]);
            if (!(f > 0.0f)) return 0.0f;
            return std::min(f, 1.0f);
        };
        float micOn = bitsFloat(cur.values[GROUP_MIC]['3' - kFirstCode][0]) > 0.5f ? 1.0f : 0.0f;
        float musicOn = bitsFloat(cur.values[GROUP_MUSIC]['1' - kFirstCode][0]) > 0.5f ? 1.0f : 0.0f;
        float base[3] = {pct(GROUP_MIC, '0') * micOn, pct(GROUP_MIC, '2') * micOn,
                         pct(GROUP_MUSIC, '0') * musicOn};
        ++meterTick;
        std::uniform_int_distribution<int> noise(0, 12);
        for (int i = 0; i < 3; ++i) {
            double swell = 0.55 + 0.45 * std::fabs(std::sin(meterTick * 0.35 + i * 2.1));
            int v = int(base[i] * 220.0 * swell) + noise(rng);
            levels[i] = uint8_t(std::clamp(v, 0, 255));
        }
    }

    // Parameters, modes, identity, remote keys, settings (requests.cpp).
    void process(const HidReport& in, std::vector<HidReport>& out, TimePoint due);
    // The MCU transfer, the DSP flash and the mode memory (flash_mcu.cpp):
    // processUpgrade in upgrade mode, processMcuFlash for the flash and image
    // requests a running unit takes; false when the request is not one of them.
    void processUpgrade(const HidReport& in, std::vector<HidReport>& out, TimePoint due);
    bool processMcuFlash(const HidReport& in, std::vector<HidReport>& out, TimePoint due);
};

}  // namespace udare::sim
