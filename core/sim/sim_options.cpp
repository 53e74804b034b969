#include "sim/sim_options.h"

#include <charconv>
#include <cstdio>

namespace udare::sim {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool parseInt(std::string_view v, long long lo, long long hi, long long& out) {
    if (v.empty()) return false;
    int base = 10;
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        v.remove_prefix(2);
        base = 16;
    }
    long long x = 0;
    auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), x, base);
    if (ec != std::errc() || p != v.data() + v.size()) return false;
    if (x < lo || x > hi) return false;
    out = x;
    return true;
}

bool fail(std::string* error, std::string msg) {
    if (error) *error = std::move(msg);
    return false;
}

}  // namespace

const char* simOptionsHelp() {
    return "  model=TEXT          model name the unit reports (default Q9)\n"
           "  protocol=N          protocol version 1-255 (default 2; 1: 889-byte image,\n"
           "                      no output delays)\n"
           "  mcu=TEXT            MCU version text (default 2013-05-03)\n"
           "  dsp=TEXT            DSP version text (default 2013-05-01)\n"
           "  extended[=0|1]      extended flag the unit reports (default 0; alone: 1)\n"
           "  fw=HHLL             firmware-version bytes in hex (default F188)\n"
           "  latency-ms=N        delay every reply by N ms\n"
           "  frames              1 ms USB frames: two frames per request and reply\n"
           "  silent              never answer\n"
           "  remove-after=N      disappear after the N-th report\n"
           "  read-error          reads fail from the start\n"
           "  read-error-after=N  reads fail once N reports arrived\n"
           "  garbage             mix random reports in among the replies\n"
           "  upgrade-mode        present the unit in firmware-upgrade mode\n"
           "  no-image            no stored equaliser image\n"
           "  learn-ms=N          press a remote key N ms after learning starts\n"
           "  seed=N              seed for garbage and level meters\n"
           "  demo                start as an installed unit: M1 with levels, shaped\n"
           "                      microphone and main equalisers, a subwoofer\n"
           "                      crossover, compressors on\n"
           "  path=TEXT           interface path (default /dev/hidraw-virtual0)\n";
}

bool parseSimOptions(std::string_view text, SimOptions& out, std::string* error) {
    SimOptions o = out;
    std::string_view rest = text;
    while (true) {
        size_t comma = rest.find(',');
        std::string_view item = trim(rest.substr(0, comma));
        if (!item.empty()) {
            size_t eq = item.find('=');
            std::string_view key = trim(item.substr(0, eq));
            bool hasValue = eq != std::string_view::npos;
            std::string_view value = hasValue ? trim(item.substr(eq + 1)) : std::string_view{};
            std::string k(key);
            auto needValue = [&]() {
                return fail(error, "simulator option \"" + k + "\" needs a value (" + k + "=...)");
            };
            auto badValue = [&](const char* what) {
                return fail(error, "simulator option \"" + k + "\": \"" + std::string(value) +
                                       "\" is not " + what);
            };
            auto noValue = [&]() {
                return fail(error, "simulator option \"" + k + "\" takes no value");
            };
            long long n = 0;
            if (key == "model") {
                if (!hasValue || value.empty()) return needValue();
                if (value.size() > 29) return badValue("a model name of at most 29 characters");
                o.model = std::string(value);
            } else if (key == "protocol") {
                if (!hasValue) return needValue();
                if (!parseInt(value, 1, 255, n)) return badValue("a protocol version 1-255");
                o.protocol = int(n);
            } else if (key == "mcu" || key == "mcu-version") {
                if (!hasValue) return needValue();
                if (value.size() > 10) return badValue("a version of at most 10 characters");
                o.mcuVersion = std::string(value);
            } else if (key == "dsp" || key == "dsp-version") {
                if (!hasValue) return needValue();
                if (value.size() > 10) return badValue("a version of at most 10 characters");
                o.dspVersion = std::string(value);
            } else if (key == "extended") {
                if (!hasValue) {
                    o.extended = 1;
                } else {
                    if (!parseInt(value, 0, 1, n)) return badValue("0 or 1");
                    o.extended = int(n);
                }
            } else if (key == "fw") {
                if (!hasValue) return needValue();
                std::string hex = "0x" + std::string(value);
                if (value.size() != 4 || !parseInt(hex, 0, 0xFFFF, n))
                    return badValue("four hex digits such as F188");
                o.fwVersionHi = uint8_t(n >> 8);
                o.fwVersionLo = uint8_t(n);
            } else if (key == "latency-ms") {
                if (!hasValue) return needValue();
                if (!parseInt(value, 0, 60000, n)) return badValue("a delay of 0-60000 ms");
                o.latencyMs = int(n);
            } else if (key == "frames") {
                if (hasValue) return noValue();
                o.frames = true;
            } else if (key == "silent") {
                if (hasValue) return noValue();
                o.silent = true;
            } else if (key == "remove-after") {
                if (!hasValue) return needValue();
                if (!parseInt(value, 1, 1LL << 30, n)) return badValue("a report count of 1 or more");
                o.removeAfter = int(n);
            } else if (key == "read-error") {
                if (hasValue) return noValue();
                o.readErrorAfter = 0;
            } else if (key == "read-error-after") {
                if (!hasValue) return needValue();
                if (!parseInt(value, 0, 1LL << 30, n)) return badValue("a report count");
                o.readErrorAfter = int(n);
            } else if (key == "garbage") {
                if (hasValue) return noValue();
                o.garbage = true;
            } else if (key == "upgrade-mode") {
                if (hasValue) return noValue();
                o.upgradeMode = true;
            } else if (key == "no-image") {
                if (hasValue) return noValue();
                o.noImage = true;
            } else if (key == "learn-ms") {
                if (!hasValue) return needValue();
                if (!parseInt(value, 0, 600000, n)) return badValue("a delay of 0-600000 ms");
                o.learnMs = int(n);
            } else if (key == "seed") {
                if (!hasValue) return needValue();
                if (!parseInt(value, 0, 0xFFFFFFFFLL, n)) return badValue("a number");
                o.seed = uint32_t(n);
            } else if (key == "demo") {
                if (hasValue) return noValue();
                o.demo = true;
            } else if (key == "path") {
                if (!hasValue || value.empty()) return needValue();
                o.path = std::string(value);
            } else {
                return fail(error, "unknown simulator option \"" + k +
                                       "\"; known options: model, protocol, mcu, dsp, extended, "
                                       "fw, latency-ms, frames, silent, remove-after, read-error, "
                                       "read-error-after, garbage, upgrade-mode, no-image, learn-ms, "
                                       "seed, demo, path");
            }
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    out = o;
    return true;
}

}  // namespace udare::sim
