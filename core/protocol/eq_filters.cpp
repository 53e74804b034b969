#include "protocol/eq_filters.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "dsp/eq_model.h"
#include "dsp/filter.h"
#include "protocol/commands.h"

namespace udare {

namespace {

constexpr double kSqrtHalf = 0.70710678118654752;
constexpr double kDefaultShelfSlope = 0.9;  // a shelf written without Q or slope

std::string printf_(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string printf_(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list again;
    va_copy(again, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(s.data(), s.size() + 1, fmt, again);
    va_end(again);
    return s;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> words(std::string_view s) {
    std::vector<std::string_view> w;
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
        size_t j = i;
        while (j < s.size() && !std::isspace(static_cast<unsigned char>(s[j]))) ++j;
        if (j > i) w.push_back(s.substr(i, j - i));
        i = j;
    }
    return w;
}

// A whole-token finite number; a decimal comma counts as a point.
std::optional<double> number(std::string_view t) {
    std::string s(t);
    std::replace(s.begin(), s.end(), ',', '.');
    if (!s.empty() && s[0] == '+') s.erase(0, 1);
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

// "10.8dB" or "10.8" followed by "dB": a shelf slope in dB per octave.
std::optional<double> slopeWord(const std::vector<std::string_view>& w, size_t& i) {
    if (i >= w.size()) return std::nullopt;
    std::string_view t = w[i];
    if (t.size() > 2 && equalsNoCase(t.substr(t.size() - 2), "dB")) {
        if (auto v = number(t.substr(0, t.size() - 2))) {
            ++i;
            return v;
        }
        return std::nullopt;
    }
    if (i + 1 < w.size() && equalsNoCase(w[i + 1], "dB")) {
        if (auto v = number(t)) {
            i += 2;
            return v;
        }
    }
    return std::nullopt;
}

struct Hint {
    int type;
    double gain;
    double q;
};

// "# udare: type 18 gain 0.0 Q 1.414"
std::optional<Hint> readHint(std::string_view line) {
    line = trim(line.substr(1));
    constexpr std::string_view tag = "udare:";
    if (line.substr(0, tag.size()) != tag) return std::nullopt;
    const auto w = words(line.substr(tag.size()));
    std::optional<double> type, gain, q;
    for (size_t i = 0; i + 1 < w.size(); i += 2) {
        auto v = number(w[i + 1]);
        if (!v) return std::nullopt;
        if (equalsNoCase(w[i], "type")) type = v;
        else if (equalsNoCase(w[i], "gain")) gain = v;
        else if (equalsNoCase(w[i], "Q")) q = v;
    }
    if (!type || !gain || !q || *type < 0 || *type > 255 || *type != std::floor(*type)) return std::nullopt;
    return Hint{static_cast<int>(*type), *gain, *q};
}

bool isFilterCommand(std::string_view cmd) {
    if (cmd.substr(0, 6) != "Filter") return false;
    std::string_view rest = trim(cmd.substr(6));
    return std::all_of(rest.begin(), rest.end(), [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)); });
}

// Commands of Equalizer APO that change the sound but mean nothing here.
bool isIgnoredCommand(std::string_view cmd) {
    for (const char* c : {"Channel", "Device", "Include", "GraphicEQ", "Convolution", "Copy", "Delay", "Stage",
                          "VSTPlugin", "LoudnessCorrection", "If", "ElseIf", "Else", "EndIf", "Eval"})
        if (cmd == c) return true;
    return false;
}

// The filter body after "Filter n:". Returns false for a malformed line;
// skip is set for OFF filters and empty slots.
bool parseFilter(std::string_view body, const std::optional<Hint>& hint, ParsedFilter& f, bool& skip) {
    skip = false;
    const auto w = words(body);
    if (w.empty()) return false;
    const bool on = equalsNoCase(w[0], "ON");
    if (!on && !equalsNoCase(w[0], "OFF")) return false;
    if (!on && !hint) {
        skip = true;
        return true;
    }
    if (w.size() < 2) return false;
    if (equalsNoCase(w[1], "None")) {
        skip = true;
        return true;
    }
    size_t i = 2;
    std::string_view type = w[1];
    f.typeWord = std::string(type);
    enum { Centre, Corner6, Corner12 } shelf = Centre;
    std::optional<double> slope;
    if (equalsNoCase(type, "PK") || equalsNoCase(type, "PEQ") || equalsNoCase(type, "Modal")) {
        f.kind = FilterKind::Peq;
    } else if (equalsNoCase(type, "LP") || equalsNoCase(type, "LPQ")) {
        f.kind = FilterKind::LowPass;
    } else if (equalsNoCase(type, "HP") || equalsNoCase(type, "HPQ")) {
        f.kind = FilterKind::HighPass;
    } else if (equalsNoCase(type, "LS") || equalsNoCase(type, "HS") || equalsNoCase(type, "LSC") ||
               equalsNoCase(type, "HSC")) {
        f.kind = std::tolower(static_cast<unsigned char>(type[0])) == 'l' ? FilterKind::LowShelf : FilterKind::HighShelf;
        if (type.size() == 2 && i < w.size() && (equalsNoCase(w[i], "6dB") || equalsNoCase(w[i], "12dB"))) {
            shelf = equalsNoCase(w[i], "6dB") ? Corner6 : Corner12;
            f.typeWord += " " + std::string(w[i]);
            ++i;
        } else if (type.size() == 3) {
            slope = slopeWord(w, i);
        }
    } else if (equalsNoCase(type, "NO") || equalsNoCase(type, "AP") || equalsNoCase(type, "BP") ||
               equalsNoCase(type, "IIR")) {
        f.kind = FilterKind::Unsupported;
        return true;  // left out whatever follows
    } else {
        return false;
    }

    std::optional<double> fc, gain, q, bw;
    while (i < w.size()) {
        const std::string_view key = w[i++];
        if (equalsNoCase(key, "Fc")) {
            if (i >= w.size() || !(fc = number(w[i++]))) return false;
            if (i < w.size() && equalsNoCase(w[i], "Hz")) {
                ++i;
            } else if (i < w.size() && equalsNoCase(w[i], "kHz")) {
                *fc *= 1000.0;
                ++i;
            }
        } else if (equalsNoCase(key, "Gain")) {
            if (i >= w.size() || !(gain = number(w[i++]))) return false;
            if (i < w.size() && equalsNoCase(w[i], "dB")) ++i;
        } else if (equalsNoCase(key, "Q")) {
            if (i >= w.size() || !(q = number(w[i++]))) return false;
        } else if (equalsNoCase(key, "BW")) {
            if (i >= w.size() || !equalsNoCase(w[i++], "Oct")) return false;
            if (i >= w.size() || !(bw = number(w[i++]))) return false;
        } else if (equalsNoCase(key, "T60")) {
            break;  // a modal filter's decay target: nothing for the unit
        } else {
            return false;
        }
    }
    if (!fc || *fc <= 0) return false;
    if ((q && *q <= 0) || (bw && *bw <= 0)) return false;
    if (bw) q = QFromBandwidth(*bw);
    f.freqHz = *fc;
    if (hint) {
        f.kind = FilterKind::Exact;
        f.exactType = hint->type;
        f.gainDb = hint->gain;
        f.q = hint->q;
        return true;
    }
    switch (f.kind) {
        case FilterKind::Peq:
            if (!gain || !q) return false;
            f.gainDb = *gain;
            f.q = *q;
            break;
        case FilterKind::LowPass:
        case FilterKind::HighPass:
            f.gainDb = 0;  // gain means nothing to a pass filter here
            f.q = q ? *q : kSqrtHalf;
            break;
        default: {  // shelves
            if (!gain) return false;
            f.gainDb = *gain;
            const double sign = f.kind == FilterKind::LowShelf ? 1.0 : -1.0;
            if (shelf == Corner12) {
                // Poles at the corner: the centre lies a quarter of the gain away.
                f.freqHz = *fc * std::pow(10.0, sign * f.gainDb / 80.0);
                f.q = kSqrtHalf;
            } else if (shelf == Corner6) {
                f.freqHz = *fc * std::pow(10.0, sign * f.gainDb / 40.0);
                f.q = QFromShelfSlope(0.5, f.gainDb);
                f.approximated = true;
            } else if (q) {
                f.q = *q;
            } else {
                f.q = QFromShelfSlope(slope ? *slope / 12.0 : kDefaultShelfSlope, f.gainDb);
            }
            break;
        }
    }
    return true;
}

int resetFrequency(Eq eq, int k) { return eq == Eq::Sub ? kSubReset[k].freq : eqInfo(eq).resetFreqs[k]; }

int typeOf(const ParsedFilter& f) {
    switch (f.kind) {
        case FilterKind::Peq: return dsp::FT_PEQ;
        case FilterKind::LowPass: return dsp::FT_LP;
        case FilterKind::HighPass: return dsp::FT_HP;
        case FilterKind::LowShelf: return dsp::FT_LS;
        case FilterKind::HighShelf: return dsp::FT_HS;
        default: return f.exactType;
    }
}

// The Q a low- or high-pass section runs with, for tools that know only Q;
// 0.707 for the sections that have none (first-order, Chebyshev).
double effectiveQ(int type, double bandQ) {
    if (type == 6 || type == 7 || type == 10 || type == 11) return kSqrtHalf;
    return dsp::SectionQ(type, bandQ);
}

// The record keeps trunc(Q x 1000) of the single-precision Q, and many
// three-decimal values (0.251) fall just below their own code as floats.
// A Q written with three decimals is meant to be that code: take the float
// nearest to it that encodes to it.
float recordQ(double q) {
    const double target = std::floor(q * 1000.0 + 1e-6);
    float f = static_cast<float>(q);
    auto code = [](float v) {
        const auto rec = encodeBandRecord(0.0f, 0, v, 0);
        return (rec[4] << 8) | rec[5];
    };
    for (int i = 0; i < 4 && code(f) < target; ++i) f = std::nextafter(f, 1e9f);
    return f;
}

}  // namespace

double QFromBandwidth(double octaves) {
    const double p = std::pow(2.0, octaves);
    return std::sqrt(p) / (p - 1.0);
}

double QFromShelfSlope(double slope, double gainDb) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double inv = (a + 1.0 / a) * (1.0 / slope - 1.0) + 2.0;
    // A slope steeper than the gain allows has no real Q: take the steepest.
    return inv > 0 ? 1.0 / std::sqrt(inv) : 30.0;
}

FilterFile ParseFilterText(std::string_view text) {
    FilterFile out;
    std::optional<Hint> hint;
    int lineNo = 0;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        if (lineNo == 1 && raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);  // byte-order mark
        const std::string_view line = trim(raw);
        if (line.empty()) {
            if (end == text.size()) break;
            continue;
        }
        if (line[0] == '#') {
            hint = readHint(line);
            continue;
        }
        const size_t colon = line.find(':');
        const std::string_view cmd = colon == std::string_view::npos ? line : trim(line.substr(0, colon));
        const std::string_view body = colon == std::string_view::npos ? std::string_view() : line.substr(colon + 1);
        if (colon != std::string_view::npos && isFilterCommand(cmd)) {
            ParsedFilter f;
            f.line = lineNo;
            f.text = std::string(raw);
            bool skip = false;
            if (!parseFilter(body, hint, f, skip)) out.errors.push_back({lineNo, std::string(raw)});
            else if (!skip) out.filters.push_back(std::move(f));
        } else if (colon != std::string_view::npos && cmd == "Preamp") {
            auto w = words(body);
            std::optional<double> v = w.empty() ? std::nullopt : number(w[0]);
            if (!v || w.size() > 2 || (w.size() == 2 && !equalsNoCase(w[1], "dB")))
                out.errors.push_back({lineNo, std::string(raw)});
            else
                out.notes.push_back({lineNo, NoteKind::PreampNotApplied, {}, *v, 0});
        } else if (colon != std::string_view::npos && isIgnoredCommand(cmd)) {
            out.notes.push_back({lineNo, NoteKind::CommandIgnored, std::string(cmd), 0, 0});
        }
        // Anything else (REW's header, comments, other commands) says nothing about the bands.
        hint.reset();
        if (end == text.size()) break;
    }
    return out;
}

EqImport PlanEqImport(const FilterFile& file, const DeviceState& st, Eq eq) {
    EqImport plan;
    plan.targets = {eq};
    plan.notes = file.notes;
    const int n = st.eqBands(eq);
    for (const ParsedFilter& f : file.filters) {
        if (f.kind == FilterKind::Unsupported) {
            plan.notes.push_back({f.line, NoteKind::Unsupported, f.typeWord, 0, 0});
            continue;
        }
        if (static_cast<int>(plan.bands.size()) >= n) {
            plan.notes.push_back({f.line, NoteKind::BeyondBands, {}, double(n), 0});
            continue;
        }
        if (f.approximated) plan.notes.push_back({f.line, NoteKind::Approximated, f.typeWord, 0, 0});
        const int type = typeOf(f);
        double gain = f.gainDb;
        if (std::abs(gain) > 15.0) {
            const double held = std::clamp(gain, -15.0, 15.0);
            plan.notes.push_back({f.line, NoteKind::GainClamped, {}, gain, held});
            gain = held;
        }
        double freq = std::round(f.freqHz);
        if (freq < 20.0 || freq > 20000.0) {
            const double held = std::clamp(freq, 20.0, 20000.0);
            plan.notes.push_back({f.line, NoteKind::FrequencyClamped, {}, f.freqHz, held});
            freq = held;
        }
        double q = f.q;
        const double held = dsp::ClampStoredQ(type, static_cast<float>(q));
        if (std::abs(held - q) > 1e-6) {
            plan.notes.push_back({f.line, NoteKind::QClamped, {}, q, held});
            q = held;
        }
        plan.bands.push_back({static_cast<float>(gain), static_cast<int>(freq), recordQ(q), type});
    }
    const int used = static_cast<int>(plan.bands.size());
    if (used < n) plan.notes.push_back({0, NoteKind::BandsReset, {}, double(used + 1), double(n)});
    for (int k = used; k < n; ++k) plan.bands.push_back({0.0f, resetFrequency(eq, k), dsp::kPeqDefaultQ, dsp::FT_PEQ});
    return plan;
}

void ApplyEqImport(Ctx& c, const EqImport& plan) {
    for (Eq eq : plan.targets)
        for (size_t k = 0; k < plan.bands.size(); ++k) {
            const EqBandValue& b = plan.bands[k];
            SetEqBand(c, eq, static_cast<int>(k), b.type, b.freqHz, b.gainDb, b.q);
        }
}

std::string WriteFilterText(const DeviceState& st, Eq eq, FilterFormat format, std::time_t when) {
    const EqInfo& e = eqInfo(eq);
    const int n = st.eqBands(eq);
    std::string out;
    if (format == FilterFormat::Rew) {
        std::tm tm{};
        localtime_r(&when, &tm);
        char date[64];
        std::strftime(date, sizeof date, "%d-%m-%Y %H:%M:%S", &tm);
        out += "Filter Settings file\n\nRoom EQ V5.20\nDated: ";
        out += date;
        out += printf_("\n\nNotes:udare %s equaliser, %d bands\n\nEqualiser: Generic\nudare %s\n", e.name, n, e.name);
    } else {
        out += printf_("# udare %s equaliser, %d bands\n", e.name, n);
    }
    for (int k = 0; k < n; ++k) {
        const EqBandValue b = readBand(st, eq, k);
        // Low- and high-pass sections: 2, 3 and the crossover codes 6-21 (the
        // shelves 4 and 5 fall between them by parity only).
        const bool pass = b.type == dsp::FT_LP || b.type == dsp::FT_HP || (b.type >= 6 && b.type <= 21);
        const bool plain = b.type >= dsp::FT_PEQ && b.type <= dsp::FT_HS && !(pass && b.gainDb != 0.0f);
        if (!plain) out += printf_("# udare: type %d gain %.1f Q %.3f\n", b.type, double(b.gainDb), double(b.q));
        const char* word = "PK";
        const bool on = b.type >= dsp::FT_PEQ && b.type <= 21;
        if (pass) word = b.type % 2 == 0 ? "LPQ" : "HPQ";
        else if (b.type == dsp::FT_LS) word = "LSC";
        else if (b.type == dsp::FT_HS) word = "HSC";
        const double q = pass ? effectiveQ(b.type, b.q) : b.q;
        if (format == FilterFormat::Rew) {
            out += printf_("Filter %2d: %-3s %-9sFc %7d Hz", k + 1, on ? "ON" : "OFF", word, b.freqHz);
            if (!pass) out += printf_("  Gain %5.1f dB", double(b.gainDb));
            out += printf_("  Q %6.3f\n", q);
        } else {
            out += printf_("Filter %d: %s %s Fc %d Hz", k + 1, on ? "ON" : "OFF", word, b.freqHz);
            if (!pass) out += printf_(" Gain %.1f dB", double(b.gainDb));
            out += printf_(" Q %.3f\n", q);
        }
    }
    return out;
}

std::string FilterNoteText(const FilterNote& n, int lang) {
    const bool zh = lang == 0;
    std::string where = n.line > 0 ? printf_(zh ? "第 %d 行: " : "line %d: ", n.line) : std::string();
    switch (n.kind) {
        case NoteKind::PreampNotApplied:
            return where + printf_(zh ? "前级增益 %.1f dB 未应用 (机器的均衡器没有前级增益)"
                                      : "Preamp %.1f dB not applied (the unit's equalisers have none)",
                                   n.value);
        case NoteKind::CommandIgnored:
            return where + printf_(zh ? "忽略 %s" : "%s ignored", n.what.c_str());
        case NoteKind::Unsupported:
            return where + printf_(zh ? "%s 滤波器未导入 (机器不支持)" : "%s filter left out (the unit has none)",
                                   n.what.c_str());
        case NoteKind::BeyondBands:
            return where + printf_(zh ? "未导入, 该均衡器只有 %d 段" : "left out, the equaliser has only %d bands",
                                   static_cast<int>(n.value));
        case NoteKind::Approximated:
            return where + printf_(zh ? "%s 以二阶搁架近似" : "%s made a second-order shelf", n.what.c_str());
        case NoteKind::GainClamped:
            return where + printf_(zh ? "增益 %.1f dB 限制为 %.1f dB" : "gain %.1f dB held to %.1f dB", n.value, n.to);
        case NoteKind::FrequencyClamped:
            return where + printf_(zh ? "频率 %g Hz 限制为 %g Hz" : "frequency %g Hz held to %g Hz", n.value, n.to);
        case NoteKind::QClamped:
            return where + printf_(zh ? "Q %.3f 限制为 %.3f" : "Q %.3f held to %.3f", n.value, n.to);
        case NoteKind::BandsReset: {
            const int a = static_cast<int>(n.value), b = static_cast<int>(n.to);
            if (a == b) return printf_(zh ? "第 %d 段: 复位为平直 PEQ" : "band %d: flat PEQ at its reset frequency", a);
            return printf_(zh ? "第 %d-%d 段: 复位为平直 PEQ" : "bands %d-%d: flat PEQ at their reset frequencies", a, b);
        }
    }
    return where;
}

std::string FilterErrorText(const FilterError& e, int lang) {
    return printf_(lang == 0 ? "第 %d 行: 无法识别 \"%s\"" : "line %d: cannot read \"%s\"", e.line, e.text.c_str());
}

bool ReadTextFile(const std::string& path, std::string& out) {
    std::error_code ec;
    // A filter set is a few kilobytes; anything this large is not one.
    constexpr uintmax_t kLargest = 4u << 20;
    if (!std::filesystem::is_regular_file(path, ec) || std::filesystem::file_size(path, ec) > kLargest || ec)
        return false;
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return !f.bad();
}

}  // namespace udare
