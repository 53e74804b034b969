#include "sim/virtual_unit.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <random>
#include <thread>

#include "protocol/codec.h"
#include "protocol/device_state.h"
#include "protocol/equalisers.h"
#include "protocol/slots.h"

namespace udare::sim {

namespace {

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

int bandsOfGroup(int group, int protocol) {
    switch (group) {
    case GROUP_MIC: return 30;
    case GROUP_ECHO:
    case GROUP_REVERB: return 7;
    case GROUP_MUSIC: return 15;
    case GROUP_MAIN:
    case GROUP_REAR: return 24;
    case GROUP_CENTER: return 10;
    case GROUP_SUB: return protocol == 1 ? 10 : 20;
    default: return 0;
    }
}

bool isDelayCode(int group, int code) {
    if (group == GROUP_MAIN || group == GROUP_REAR) return code >= '8' && code <= ';';
    if (group == GROUP_CENTER || group == GROUP_SUB) return code == '8' || code == '9';
    return false;
}

// Scalar addresses the unit has: every code of the slot table, the second
// value of feedback suppression (1 '7'), and the second codes of reverb time
// and pitch that the table lists as alternates.
bool knownScalar(int group, int code, int protocol) {
    if (group < GROUP_MIC || group > GROUP_SUB) return false;
    if (group == GROUP_MIC && code == '7') return true;
    if (protocol < 2 && isDelayCode(group, code)) return false;
    return findSlot(group, char(code)) >= 0;
}

// One compressor block value for an attack or release time.
uint32_t compressorCoefficient(float ms) {
    float t = float(double(ms) * 48.0);
    if (t == 0.0f) return floatBits(1.0f);  // exp(-inf): an instant attack
    float x = float(-1.0 / double(t));
    float e = float(std::exp(double(x)));
    return floatBits(float(1.0 - double(e)));
}

void setValue(UnitSettings& s, int group, int code, uint32_t v, int count) {
    auto& vals = s.values[group][code - kFirstCode];
    for (int i = 0; i < count; ++i) vals[i] = v;
}

UnitSettings startSettings(int protocol) {
    UnitSettings s;
    for (const SlotInfo& si : kSlots) {
        uint32_t bits = si.isFloat ? floatBits(si.initial) : uint32_t(int32_t(si.initial));
        switch (si.wire) {
        case Wire::Compressor:
            if (si.valueIndex == 0) {
                int b = outputBase(si.group);
                auto& v = s.values[si.group]['7' - kFirstCode];
                float thr = kSlots[b + COMP_THRESHOLD].initial;
                float ratio = kSlots[b + COMP_RATIO].initial;
                v[0] = floatBits(thr);
                v[1] = 0;
                v[2] = floatBits(1.0f - 1.0f / ratio);
                v[3] = 0x41A00000;  // 20.0
                v[4] = 0x3D4CCCCD;  // 0.05
                v[5] = compressorCoefficient(kSlots[b + COMP_ATTACK].initial);
                v[6] = compressorCoefficient(kSlots[b + COMP_RELEASE].initial);
            }
            break;
        case Wire::Shift:
            // Suppression off: no shift and no second value.
            setValue(s, si.group, si.code, 0, 1);
            setValue(s, GROUP_MIC, '7', 0, 1);
            break;
        case Wire::Pitch:
            for (char c : {si.code, si.altCode}) {
                auto& v = s.values[si.group][c - kFirstCode];
                v[0] = 480;  // pitch pair for no shift
                v[1] = floatBits(0.0f);
            }
            break;
        default: {
            uint32_t w = encodeSlot(si.wire, bits);
            setValue(s, si.group, si.code, w, 2);
            if (si.altCode) setValue(s, si.group, si.altCode, w, 2);
        }
        }
    }
    const uint32_t one = floatBits(1.0f);
    for (auto& g : s.coeffs)
        for (auto& band : g) band = {0, 0, one, 0, 0};  // pass-through
    DeviceState st;
    auto img = st.eqImage.copy();
    s.image.assign(img.begin(), img.end());
    if (protocol == 1) {
        // A protocol-1 unit keeps its ten Sub sections with the 100 Hz ones first.
        int base = eqInfo(Eq::Sub).base;
        for (int k = 0; k < 10; ++k) {
            auto rec = encodeBandCode(kGainCodeZero, kSubProtocol1[k]);
            std::copy(rec.begin(), rec.end(), s.image.begin() + base + 7 * k);
        }
        std::fill(s.image.begin() + kImageSizeProtocol1, s.image.end(), 0);
    }
    return s;
}

// The unit's own presets: recognisable volumes, mode n with microphone 50 + 10n.
UnitSettings factorySettings(int n, int protocol) {
    UnitSettings s = startSettings(protocol);
    setValue(s, GROUP_MIC, '0', enc::percent(50 + 10 * n), 1);
    setValue(s, GROUP_MIC, '2', enc::percent(70), 1);
    setValue(s, GROUP_ECHO, '0', enc::percent(40), 1);
    setValue(s, GROUP_REVERB, '0', enc::percent(35), 1);
    setValue(s, GROUP_MUSIC, '0', enc::percent(60), 2);
    for (int g = GROUP_MAIN; g <= GROUP_SUB; ++g) {
        for (char c = '0'; c <= '3'; ++c) setValue(s, g, c, enc::percent(100), 1);
        setValue(s, g, '5', enc::percent(g <= GROUP_REAR ? 80 : 70), 2);
    }
    // Mic1 band 8 at +3 dB.
    s.image[bandOffset(Eq::Mic1, 8)] = 0;
    s.image[bandOffset(Eq::Mic1, 8) + 1] = 180;
    return s;
}

HidReport reply(uint8_t command) {
    HidReport r{};
    r[0] = kReportId;
    r[1] = command;
    return r;
}

void putText(HidReport& r, const std::string& s, size_t max) {
    size_t n = std::min(s.size(), max);
    std::memcpy(r.data() + 2, s.data(), n);
}

struct Pending {
    TimePoint at;
    HidReport report;
};

}  // namespace

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
    std::array<uint8_t, 12> machine{0, 50, 50, 99, 99, 0, 0, 0, 0, 0, 0, 0};
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
        r[1] = 0x60;
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

    uint8_t flashStatus(uint32_t address, uint32_t len) const {
        if (address >= kFlashSectors * kFlashSectorSize ||
            kFlashSectors * kFlashSectorSize - address < len)
            return kFlashInvalidSector;
        return kFlashOk;
    }
    // The core the unit shipped with: a fixed pattern with few FF bytes, so
    // that writing over it without an erase fails to verify.
    static uint8_t oldCoreByte(uint32_t a) { return uint8_t((a * 0x9Du) ^ (a >> 8) ^ 0x5Au) & 0x7F; }
    uint8_t flashByte(uint32_t a) const {
        const auto& sec = flash[a / kFlashSectorSize];
        return sec.empty() ? oldCoreByte(a) : sec[a % kFlashSectorSize];
    }

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

    void process(const HidReport& in, std::vector<HidReport>& out, TimePoint due);
    void processUpgrade(const HidReport& in, std::vector<HidReport>& out, TimePoint due);
};

void VirtualUnit::Core::processUpgrade(const HidReport& in, std::vector<HidReport>& out,
                                       TimePoint due) {
    const uint8_t cmd = in[1];
    switch (cmd) {
    case 0x01:
        if (in[2] == 0xE4 && in[3] == 0x00 && in[4] == 0x20) {
            mcuImage.clear();
            mcuHighBase = 0;
            mcuLast = 0;
            mcuGap = false;
            mcuMarked = 0;
            mcuBadMark = false;
            mcuEnded = false;
        } else {
            // Block mark: the 16-bit start of the next 512-byte block.
            uint32_t mark = uint32_t(in[2]) << 8 | in[3];
            if (mark == (mcuMarked & 0xFFFF))
                mcuMarked += 512;
            else
                mcuBadMark = true;
        }
        out.push_back(reply(cmd));
        return;
    case 0x02:
        if (in[2] == 0xE4 && in[3] == 0x00 && in[4] == 0x03) {
            mcuEnded = true;
            mcuHead = {in[5], in[6], in[7]};
        } else {
            uint32_t off = uint32_t(in[2]) << 8 | in[3];
            int n = std::min<int>(in[4], kMaxPiece);
            uint32_t full = mcuHighBase + off;
            if (!mcuImage.empty() && full < mcuLast) {
                mcuHighBase += 0x10000;  // offsets travel modulo 65536
                full += 0x10000;
            }
            if (full != mcuImage.size()) mcuGap = true;
            if (full + uint32_t(n) > mcuMarked) mcuBadMark = true;
            mcuLast = full;
            if (full + uint32_t(n) > kMcuFlashSize) {
                mcuGap = true;  // beyond the MCU's flash: not kept
            } else {
                if (mcuImage.size() < full + n) mcuImage.resize(full + n);
                std::memcpy(mcuImage.data() + full, in.data() + 5, size_t(n));
            }
        }
        out.push_back(reply(cmd));
        return;
    case 0x04:
        // Restart into the new firmware.
        out.push_back(reply(cmd));
        ++restarts;
        scheduleRestart(due, false, true);
        return;
    case 0x05: {
        int addr = in[2] << 8 | in[3];
        int n = std::min<int>(in[4], kMaxPiece);
        if (addr + n <= kModeMemorySize) std::memcpy(modeMemory.data() + addr, in.data() + 5, size_t(n));
        out.push_back(reply(cmd));
        return;
    }
    default:
        process(in, out, due);
    }
}

void VirtualUnit::Core::process(const HidReport& in, std::vector<HidReport>& out,
                                TimePoint due) {
    const uint8_t cmd = in[1];
    const int protocol = opt.protocol;
    switch (cmd) {
    case 0x03: {
        HidReport r = reply(0x03);
        if (in[2] == 0x00 && in[3] == 0x01 && in[4] == 0x02) {
            // Prepare for an image: the unit tells its firmware-version bytes.
            r[3] = 0x01;
            r[5] = opt.fwVersionHi;
            r[6] = opt.fwVersionLo;
        } else if (in[2] == 0xE4 && in[3] == 0x00 && in[4] == 0x03) {
            // Image check: echo the head only for a complete, gap-free image,
            // every block opened by its mark, that carries this unit's
            // firmware-version bytes in bytes 1 and 2.
            bool good = mcuEnded && !mcuGap && !mcuBadMark && mcuImage.size() >= 3 &&
                        mcuImage[0] == mcuHead[0] && mcuImage[1] == opt.fwVersionHi &&
                        mcuImage[2] == opt.fwVersionLo;
            r[2] = 0xE4;
            for (int i = 0; i < 3; ++i) r[5 + i] = good ? mcuHead[i] : uint8_t(~mcuHead[i]);
        } else {
            if (in[2] <= 3) currentMode = in[2];
            r[2] = in[2];
        }
        out.push_back(r);
        return;
    }
    case 0x04:
        if (in[2] <= 3) {
            modes[in[2]] = cur;
            currentMode = in[2];
        }
        out.push_back(reply(cmd));
        return;
    case 0x05:
        if (in[2] <= 3) loadMode(in[2]);
        out.push_back(reply(cmd));
        return;
    case 0x06:
        if (in[2] <= 3) {
            modes[in[2]] = factorySettings(in[2], protocol);
            loadMode(in[2]);
        }
        out.push_back(reply(cmd));
        return;
    case 0x07: {
        HidReport r = reply(cmd);
        r[2] = uint8_t(currentMode);
        out.push_back(r);
        return;
    }
    case 0x09: {
        int g = in[3], code = in[4], count = in[5];
        if (g >= GROUP_MIC && g <= GROUP_SUB && count >= 1 && count <= 7) {
            if (code < kFirstCode) {
                if (count == 5 && code < bandsOfGroup(g, protocol))
                    for (int k = 0; k < 5; ++k) cur.coeffs[g][code][k] = getBe32(in.data() + 6 + 4 * k);
            } else if (code < kFirstCode + kCodeSlots) {
                for (int k = 0; k < count; ++k)
                    cur.values[g][code - kFirstCode][k] = getBe32(in.data() + 6 + 4 * k);
            }
        }
        HidReport r = in;  // the acknowledgement repeats the write
        out.push_back(r);
        return;
    }
    case 0x0A: {
        int g = in[3], code = in[4], count = std::min<int>(in[5], 7);
        HidReport r = reply(cmd);
        r[3] = in[3];
        r[4] = in[4];
        r[5] = uint8_t(count);
        const uint32_t* vals = nullptr;
        if (code < kFirstCode) {
            if (g >= GROUP_MIC && g <= GROUP_SUB && code < bandsOfGroup(g, protocol))
                vals = cur.coeffs[g][code].data();
            count = std::min(count, 5);
            r[5] = uint8_t(count);
        } else if (knownScalar(g, code, protocol)) {
            vals = cur.values[g][code - kFirstCode].data();
        }
        if (!vals) {
            r[2] = kErrBadAddress;
        } else {
            for (int k = 0; k < count; ++k) putBe32(r.data() + 6 + 4 * k, vals[k]);
        }
        out.push_back(r);
        return;
    }
    case 0x0E: {
        meter();
        HidReport r = reply(cmd);
        r[2] = levels[0];
        r[3] = levels[1];
        r[4] = levels[2];
        out.push_back(r);
        return;
    }
    case 0x60:
        // Learning: the answer comes when a key is pressed.
        if (in[2] >= 1 && in[2] <= 15) {
            learning = in[2];
            if (opt.learnMs >= 0) {
                Event e{due + milliseconds(opt.learnMs), EventKind::KeyPress};
                e.key = in[2];
                postEvent(e);
            }
            return;
        }
        out.push_back(reply(0x61));
        return;
    case 0x61:
        learning = 0;
        out.push_back(reply(cmd));
        return;
    case 0x62: {
        HidReport r = reply(cmd);
        std::copy(remote.begin(), remote.end(), r.begin() + 2);
        out.push_back(r);
        return;
    }
    case 0x63:
        std::copy(in.begin() + 2, in.begin() + 18, remote.begin());
        out.push_back(reply(cmd));
        return;
    case 0x68:
        out.push_back(reply(cmd));
        if (in[2] == 0xAA) {
            ++restarts;
            scheduleRestart(due, false, true);
        }
        return;
    case 0x7E: {
        HidReport r = reply(cmd);
        putText(r, opt.dspVersion, 10);
        out.push_back(r);
        return;
    }
    case 0x7F: {
        HidReport r = reply(cmd);
        r[2] = uint8_t(opt.protocol);
        out.push_back(r);
        return;
    }
    case 0x80: {
        HidReport r = reply(cmd);
        putText(r, opt.model, 29);
        out.push_back(r);
        return;
    }
    case 0x81: {
        HidReport r = reply(cmd);
        putText(r, opt.mcuVersion, 10);
        out.push_back(r);
        return;
    }
    case 0x85: {
        int o = in[2] << 8 | in[3];
        int n = std::min<int>(in[4], kMaxPiece);
        if (o < imageSize) {
            n = std::min(n, imageSize - o);
            std::memcpy(cur.image.data() + o, in.data() + 5, size_t(n));
            noImage = false;
        }
        HidReport r = reply(cmd);
        r[2] = in[2];
        r[3] = in[3];
        r[4] = in[4];
        out.push_back(r);
        return;
    }
    case 0x86: {
        int o = in[2] << 8 | in[3];
        int n = std::min<int>(in[4], kMaxPiece);
        n = o < imageSize ? std::min(n, imageSize - o) : 0;
        HidReport r = reply(cmd);
        r[2] = in[2];
        r[3] = in[3];
        r[4] = uint8_t(n);
        if (noImage)
            std::fill(r.begin() + 5, r.begin() + 5 + std::max(n, 2), 0xFF);
        else if (n > 0)
            std::memcpy(r.data() + 5, cur.image.data() + o, size_t(n));
        out.push_back(r);
        return;
    }
    case 0x91:
        std::copy(in.begin() + 2, in.begin() + 14, machine.begin());
        out.push_back(reply(cmd));
        return;
    case 0x92: {
        HidReport r = reply(cmd);
        std::copy(machine.begin(), machine.end(), r.begin() + 2);
        out.push_back(r);
        return;
    }
    case 0x94: {
        HidReport r = reply(cmd);
        r[2] = uint8_t(opt.extended);
        out.push_back(r);
        return;
    }
    case 0x95: {
        HidReport r = reply(cmd);
        r[2] = uint8_t(opt.extended);
        out.push_back(r);
        return;
    }
    case 0xD1:
        out.push_back(reply(cmd));
        scheduleRestart(due, true, false);
        return;
    case 0xDA: {
        int addr = in[2] << 8 | in[3];
        int n = std::min<int>(in[4], kMaxPiece);
        if (addr + n <= kModeMemorySize) std::memcpy(modeMemory.data() + addr, in.data() + 5, size_t(n));
        out.push_back(reply(cmd));
        return;
    }
    case 0xDC:
    case 0xDD:
    case 0xDE: {
        uint32_t a = getBe32(in.data() + 3);
        HidReport r = reply(cmd);
        std::copy(in.begin() + 3, in.begin() + 7, r.begin() + 3);
        uint8_t status = flashStatus(a, cmd == 0xDC ? 1 : 32);
        if (status == kFlashOk) {
            if (cmd == 0xDC) {
                flash[a / kFlashSectorSize].assign(kFlashSectorSize, 0xFF);
            } else if (cmd == 0xDD) {
                const uint32_t base = a - a % kFlashSectorSize;
                auto& sec = flash[a / kFlashSectorSize];
                if ((a % kFlashSectorSize) + 32 > kFlashSectorSize) {
                    status = kFlashInvalidSector;  // a piece never spans two sectors
                } else {
                    if (sec.empty()) {
                        sec.resize(kFlashSectorSize);
                        for (uint32_t i = 0; i < kFlashSectorSize; ++i) sec[i] = oldCoreByte(base + i);
                    }
                    // Flash bits only clear; a byte that needed a set bit fails to verify.
                    for (uint32_t i = 0; i < 32; ++i) {
                        uint32_t at = a % kFlashSectorSize + i;
                        uint8_t want = in[7 + i];
                        sec[at] &= want;
                        if (sec[at] != want) status = kFlashVerifyWrite;
                    }
                }
            } else {
                for (uint32_t i = 0; i < 32; ++i) r[7 + i] = flashByte(a + i);
            }
        }
        r[2] = status;
        out.push_back(r);
        return;
    }
    default:
        out.push_back(reply(cmd));  // a short acknowledgement
        return;
    }
}

namespace {

class VirtualDevice final : public HidDevice {
public:
    VirtualDevice(std::shared_ptr<VirtualUnit::Core> core,
                  std::shared_ptr<VirtualUnit::Core::Handle> h)
        : core_(std::move(core)), h_(std::move(h)) {}
    ~VirtualDevice() override {
        std::lock_guard<std::mutex> l(core_->m);
        auto& hs = core_->handles;
        hs.erase(std::remove(hs.begin(), hs.end(), h_), hs.end());
    }

    int read(uint8_t* buf, size_t capacity, int timeoutMs) override {
        std::unique_lock<std::mutex> l(core_->m);
        const TimePoint deadline = SteadyClock::now() + milliseconds(std::max(timeoutMs, 0));
        while (true) {
            if (h_->cancelled || h_->gone || h_->readFail) return -1;
            TimePoint now = SteadyClock::now();
            if (!h_->queue.empty() && h_->queue.front().at <= now) {
                HidReport r = h_->queue.front().report;
                h_->queue.pop_front();
                size_t n = std::min(capacity, size_t(kReportSize));
                std::memcpy(buf, r.data(), n);
                return int(n);
            }
            if (timeoutMs >= 0 && now >= deadline) return 0;
            if (!h_->queue.empty()) {
                TimePoint wake = h_->queue.front().at;
                if (timeoutMs >= 0) wake = std::min(wake, deadline);
                core_->readCv.wait_until(l, wake);
            } else if (timeoutMs >= 0) {
                core_->readCv.wait_until(l, deadline);
            } else {
                core_->readCv.wait(l);
            }
        }
    }

    int write(const uint8_t* data, size_t len) override {
        TimePoint sendAt;
        {
            std::lock_guard<std::mutex> l(core_->m);
            Core& c = *core_;
            if (h_->gone || !c.plugged) return -1;
            if (len == 0 || len > size_t(kReportSize) || data[0] != kReportId) return -1;
            HidReport in{};
            std::memcpy(in.data(), data, len);
            c.log.push_back(in);
            if (c.log.size() > kLogLimit) c.log.pop_front();
            ++c.received;

            TimePoint now = SteadyClock::now();
            sendAt = now;
            TimePoint due = now;
            if (c.opt.frames) {
                // The report leaves at the next frame; the reply is taken one frame later.
                auto since = std::chrono::duration_cast<milliseconds>(now - c.epoch).count();
                sendAt = c.epoch + milliseconds(since + 1);
                due = sendAt + milliseconds(1);
            }
            due += milliseconds(c.opt.latencyMs);

            std::vector<HidReport> out;
            if (c.upgrade)
                c.processUpgrade(in, out, due);
            else
                c.process(in, out, due);

            if (!c.removeFired && c.opt.removeAfter > 0 && c.received >= size_t(c.opt.removeAfter)) {
                c.removeFired = true;
                c.unplugLocked();
                return int(len);
            }
            if (!c.opt.silent) {
                for (const HidReport& r : out) {
                    if (c.opt.garbage && c.rng() % 8 == 0) {
                        HidReport junk{};
                        for (auto& b : junk) b = uint8_t(c.rng());
                        c.deliver(junk, due);
                    }
                    c.deliver(r, due);
                }
            }
            c.checkReadError();
        }
        if (core_->opt.frames) std::this_thread::sleep_until(sendAt);
        return int(len);
    }

    bool attributes(uint16_t& vendorId, uint16_t& productId) override {
        std::lock_guard<std::mutex> l(core_->m);
        if (h_->gone) return false;
        vendorId = UNIT_VENDOR_ID;
        productId = UNIT_PRODUCT_ID;
        return true;
    }

    void cancel() override {
        std::lock_guard<std::mutex> l(core_->m);
        h_->cancelled = true;
        core_->readCv.notify_all();
    }

private:
    using Core = VirtualUnit::Core;
    std::shared_ptr<Core> core_;
    std::shared_ptr<Core::Handle> h_;
};

}  // namespace

namespace {

void eventLoop(VirtualUnit::Core* c) {
    using Kind = VirtualUnit::Core::EventKind;
    std::unique_lock<std::mutex> l(c->m);
    while (!c->stopping) {
        if (c->events.empty()) {
            c->eventCv.wait(l);
            continue;
        }
        if (SteadyClock::now() < c->events.front().at) {
            c->eventCv.wait_until(l, c->events.front().at);
            continue;
        }
        auto e = c->events.front();
        c->events.pop_front();
        switch (e.kind) {
        case Kind::Unplug: c->unplugLocked(); break;
        case Kind::Plug:
            if (c->pulledOut) break;
            c->upgrade = e.upgrade;
            if (e.restart) {
                int m = c->machine[9] >= 1 && c->machine[9] <= 4 ? c->machine[9] - 1 : c->currentMode;
                c->loadMode(m);
            }
            c->plugLocked();
            break;
        case Kind::KeyPress:
            // Only if that key is still being learned.
            if (c->learning == e.key) c->pressKeyLocked(uint8_t(0x40 + 0x1D * e.key));
            break;
        case Kind::NotifyRemoved:
        case Kind::NotifyArrived: {
            std::string path = c->opt.path;
            l.unlock();
            {
                std::lock_guard<std::recursive_mutex> ll(c->listenerMutex);
                if (c->listener) {
                    if (e.kind == Kind::NotifyRemoved)
                        c->listener->deviceRemoved(path);
                    else
                        c->listener->deviceArrived(path);
                }
            }
            l.lock();
            break;
        }
        }
    }
}

}  // namespace

VirtualUnit::VirtualUnit(const SimOptions& options)
    : options_(options), core_(std::make_shared<Core>(options)) {
    Core& c = *core_;
    c.imageSize = options.protocol == 1 ? kImageSizeProtocol1 : kImageSize;
    c.cur = startSettings(options.protocol);
    for (int n = 0; n < 4; ++n) c.modes[n] = factorySettings(n, options.protocol);
    std::copy(std::begin(kInitialRemoteKeys), std::end(kInitialRemoteKeys), c.remote.begin());
    c.upgrade = options.upgradeMode;
    c.noImage = options.noImage;
    if (c.noImage) std::fill(c.cur.image.begin(), c.cur.image.end(), 0xFF);
    events_ = std::thread(eventLoop, core_.get());
}

VirtualUnit::~VirtualUnit() {
    stopMonitor();
    {
        std::lock_guard<std::mutex> l(core_->m);
        core_->stopping = true;
        core_->eventCv.notify_all();
    }
    if (events_.joinable()) events_.join();
}

std::vector<HidInterfaceInfo> VirtualUnit::enumerate(bool* ok) {
    if (ok) *ok = true;
    std::lock_guard<std::mutex> l(core_->m);
    if (!core_->plugged) return {};
    HidInterfaceInfo info;
    info.path = options_.path;
    info.vendorId = UNIT_VENDOR_ID;
    info.productId = UNIT_PRODUCT_ID;
    info.releaseNumber = 0x0100;
    info.manufacturer = "udare virtual unit";
    info.product = core_->upgrade ? "Karaoke DSP Upgrade" : "Karaoke DSP";
    info.active = true;
    return {info};
}

std::unique_ptr<HidDevice> VirtualUnit::open(const std::string& path) {
    std::lock_guard<std::mutex> l(core_->m);
    if (!core_->plugged || path != options_.path) return nullptr;
    auto h = std::make_shared<Core::Handle>();
    core_->handles.push_back(h);
    core_->checkReadError();
    return std::make_unique<VirtualDevice>(core_, h);
}

bool VirtualUnit::startMonitor(HotplugListener* listener) {
    std::lock_guard<std::recursive_mutex> l(core_->listenerMutex);
    core_->listener = listener;
    return listener != nullptr;
}

void VirtualUnit::stopMonitor() {
    std::lock_guard<std::recursive_mutex> l(core_->listenerMutex);
    core_->listener = nullptr;
}

void VirtualUnit::unplug() {
    std::lock_guard<std::mutex> l(core_->m);
    core_->pulledOut = true;
    core_->unplugLocked();
}

void VirtualUnit::replug() {
    std::lock_guard<std::mutex> l(core_->m);
    core_->pulledOut = false;
    core_->plugLocked();
}

bool VirtualUnit::plugged() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->plugged;
}

bool VirtualUnit::pressRemoteKey(uint8_t code) {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->pressKeyLocked(code);
}

int VirtualUnit::learningKey() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->learning;
}

std::vector<uint32_t> VirtualUnit::wireValues(int group, int code, int count) const {
    std::lock_guard<std::mutex> l(core_->m);
    std::vector<uint32_t> v;
    if (group < 0 || group > 8) return v;
    count = std::clamp(count, 0, 7);
    if (code < kFirstCode) {
        if (code < 0 || code >= 30) return v;
        for (int k = 0; k < std::min(count, 5); ++k) v.push_back(core_->cur.coeffs[group][code][k]);
    } else if (code < kFirstCode + kCodeSlots) {
        for (int k = 0; k < count; ++k) v.push_back(core_->cur.values[group][code - kFirstCode][k]);
    }
    return v;
}

void VirtualUnit::frontPanelEdit(int group, int code, const std::vector<uint32_t>& values) {
    setWireValues(group, code, values);
    std::lock_guard<std::mutex> l(core_->m);
    if (!core_->plugged || core_->opt.silent) return;
    HidReport r = reply(0x14);
    r[3] = uint8_t(group);
    r[4] = uint8_t(code);
    core_->deliver(r, SteadyClock::now() + milliseconds(core_->opt.latencyMs));
}

void VirtualUnit::setWireValues(int group, int code, const std::vector<uint32_t>& values) {
    std::lock_guard<std::mutex> l(core_->m);
    if (group < 0 || group > 8) return;
    if (code < kFirstCode) {
        if (code < 0 || code >= 30) return;
        for (size_t k = 0; k < std::min<size_t>(values.size(), 5); ++k)
            core_->cur.coeffs[group][code][k] = values[k];
    } else if (code < kFirstCode + kCodeSlots) {
        for (size_t k = 0; k < std::min<size_t>(values.size(), 7); ++k)
            core_->cur.values[group][code - kFirstCode][k] = values[k];
    }
}

std::array<uint32_t, 5> VirtualUnit::coefficients(int group, int band) const {
    std::lock_guard<std::mutex> l(core_->m);
    if (group < 0 || group > 8 || band < 0 || band >= 30) return {};
    return core_->cur.coeffs[group][band];
}

std::vector<uint8_t> VirtualUnit::image() const {
    std::lock_guard<std::mutex> l(core_->m);
    return {core_->cur.image.begin(), core_->cur.image.begin() + core_->imageSize};
}

void VirtualUnit::setImage(const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> l(core_->m);
    size_t n = std::min(bytes.size(), size_t(core_->imageSize));
    std::copy(bytes.begin(), bytes.begin() + long(n), core_->cur.image.begin());
    core_->noImage = false;
}

UnitSettings VirtualUnit::current() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->cur;
}

UnitSettings VirtualUnit::storedMode(int n) const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->modes[std::clamp(n, 0, 3)];
}

UnitSettings VirtualUnit::factoryPreset(int n) const {
    return factorySettings(std::clamp(n, 0, 3), options_.protocol);
}

int VirtualUnit::currentMode() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->currentMode;
}

std::array<uint8_t, 12> VirtualUnit::machineSettings() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->machine;
}

void VirtualUnit::setMachineSettings(const std::array<uint8_t, 12>& s) {
    std::lock_guard<std::mutex> l(core_->m);
    core_->machine = s;
}

std::array<uint8_t, 16> VirtualUnit::remoteKeys() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->remote;
}

void VirtualUnit::setRemoteKeys(const std::array<uint8_t, 16>& t) {
    std::lock_guard<std::mutex> l(core_->m);
    core_->remote = t;
}

std::array<uint8_t, 3> VirtualUnit::meterLevels() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->levels;
}

bool VirtualUnit::upgradeMode() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->upgrade;
}

std::vector<uint8_t> VirtualUnit::mcuImage() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->mcuImage;
}

std::array<uint8_t, 3> VirtualUnit::mcuImageHead() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->mcuHead;
}

bool VirtualUnit::mcuImageEnded() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->mcuEnded;
}

int VirtualUnit::restarts() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->restarts;
}

std::vector<uint8_t> VirtualUnit::dspFlash(uint32_t address, uint32_t length) const {
    std::lock_guard<std::mutex> l(core_->m);
    std::vector<uint8_t> v;
    v.reserve(length);
    for (uint32_t i = 0; i < length; ++i) {
        uint32_t a = address + i;
        v.push_back(a < kFlashSectors * kFlashSectorSize ? core_->flashByte(a) : 0xFF);
    }
    return v;
}

std::vector<uint8_t> VirtualUnit::modeMemory() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->modeMemory;
}

std::vector<HidReport> VirtualUnit::received() const {
    std::lock_guard<std::mutex> l(core_->m);
    return {core_->log.begin(), core_->log.end()};
}

size_t VirtualUnit::receivedCount() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->received;
}

void VirtualUnit::clearReceived() {
    std::lock_guard<std::mutex> l(core_->m);
    core_->log.clear();
}

}  // namespace udare::sim
