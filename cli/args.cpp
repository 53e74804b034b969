#include "args.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "protocol/equalisers.h"

namespace udare::cli {

std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string s;
    if (n > 0) {
        s.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(s.data(), s.size(), fmt, ap2);
        s.resize(static_cast<size_t>(n));
    }
    va_end(ap2);
    return s;
}

namespace {

bool lowerEquals(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (!b[i]) return false;
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    }
    return b[i] == 0;
}

// "--name=value" or "--name value".
bool optionValue(const std::vector<std::string>& args, size_t& i, const char* name,
                 std::string& value, bool& matched, std::string& error, int lang) {
    const std::string& a = args[i];
    const std::string n = name;
    matched = false;
    if (a == n) {
        matched = true;
        if (i + 1 >= args.size()) {
            error = format(Tr{"选项 %s 需要一个值", "option %s needs a value"}.in(lang), name);
            return false;
        }
        value = args[++i];
        return true;
    }
    if (a.size() > n.size() && a.compare(0, n.size(), n) == 0 && a[n.size()] == '=') {
        matched = true;
        value = a.substr(n.size() + 1);
        return true;
    }
    return true;
}

int indexOf(const std::string& s, std::initializer_list<const char*> names) {
    int i = 0;
    for (const char* n : names) {
        if (lowerEquals(s, n)) return i;
        ++i;
    }
    return -1;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& opt, size_t& first,
                  std::string& error) {
    // The language first, so that errors about the other options use it.
    for (size_t k = 0; k + 1 < args.size(); ++k)
        if (args[k] == "--lang" && args[k + 1] == "zh") opt.lang = LANG_ZH;
    for (const std::string& a : args)
        if (a == "--lang=zh") opt.lang = LANG_ZH;
    const int lang = opt.lang;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() < 2 || a[0] != '-' || a[1] != '-') {
            if (a == "-h") {
                opt.help = true;
                continue;
            }
            break;  // the command word (or a stray single-dash word, refused by the caller)
        }
        if (a == "--") {
            ++i;
            break;
        }
        if (a == "--simulate") {
            opt.simulate = true;
            continue;
        }
        if (a.rfind("--simulate=", 0) == 0) {
            opt.simulate = true;
            opt.simulateOptions = a.substr(11);
            continue;
        }
        if (a == "--json") { opt.json = true; continue; }
        if (a == "--debug") { opt.debug = true; continue; }
        if (a == "--yes") { opt.yes = true; continue; }
        if (a == "--help") { opt.help = true; continue; }
        std::string v;
        bool matched = false;
        if (!optionValue(args, i, "--device", v, matched, error, lang)) return false;
        if (matched) {
            if (v.empty()) {
                error = Tr{"选项 --device 需要一个路径", "option --device needs a path"}.in(lang);
                return false;
            }
            opt.device = v;
            continue;
        }
        if (!optionValue(args, i, "--trace", v, matched, error, lang)) return false;
        if (matched) {
            if (v.empty()) {
                error = Tr{"选项 --trace 需要文件名或 -", "option --trace needs a file name or -"}.in(lang);
                return false;
            }
            opt.trace = v;
            continue;
        }
        if (!optionValue(args, i, "--lang", v, matched, error, lang)) return false;
        if (matched) {
            if (v == "zh") opt.lang = LANG_ZH;
            else if (v == "en") opt.lang = LANG_EN;
            else {
                error = format(Tr{"选项 --lang 只能是 zh 或 en, 不是 '%s'", "option --lang takes zh or en, not '%s'"}.in(lang), v.c_str());
                return false;
            }
            continue;
        }
        error = format(Tr{"未知选项 '%s'", "unknown option '%s'"}.in(lang), a.c_str());
        return false;
    }
    first = i;
    return true;
}

bool ParseInt(const std::string& s, long long lo, long long hi, long long& out) {
    if (s.empty() || s.size() > 40) return false;
    const char* p = s.c_str();
    if (std::isspace(static_cast<unsigned char>(*p))) return false;
    int base = 10;
    const char* digits = p;
    if (*digits == '-' || *digits == '+') ++digits;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) base = 16;
    errno = 0;
    char* end = nullptr;
    long long v = std::strtoll(p, &end, base);
    if (errno == ERANGE || end == p || *end != 0) return false;
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

bool ParseNumber(const std::string& s, double lo, double hi, double& out) {
    if (s.empty() || s.size() > 64) return false;
    const char* p = s.c_str();
    if (std::isspace(static_cast<unsigned char>(*p))) return false;
    // Decimal only: strtod would also take "nan", "inf" and hex floats.
    for (char c : s)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.' ||
              c == 'e' || c == 'E'))
            return false;
    errno = 0;
    char* end = nullptr;
    double v = std::strtod(p, &end);
    if (errno == ERANGE || end == p || *end != 0 || !std::isfinite(v)) return false;
    if (v < lo || v > hi) return false;
    out = v;
    return true;
}

const char* KindChoices(Kind k) {
    switch (k) {
        case Kind::Eq: return "mic1|mic2|echo|reverb|music|main|rear|center|sub";
        case Kind::Out: return "main|rear|center|sub";
        case Kind::Source: return "mic|echo|reverb|music";
        case Kind::Side: return "left|right";
        default: return "";
    }
}

std::string ArgForm(const ArgSpec& a) {
    std::string f = a.kind == Kind::Count ? std::string("--count ") + a.name : a.name;
    if (a.repeat) f += "...";
    if (a.optional || a.kind == Kind::Flag) f = "[" + f + "]";
    return f;
}

namespace {

std::string rangeText(const ArgSpec& a, bool integer) {
    if (integer) return format("%lld..%lld", static_cast<long long>(a.lo), static_cast<long long>(a.hi));
    return format("%g..%g", a.lo, a.hi);
}

bool parseSection(const std::string& t, dsp::BandParams& b) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t c = t.find(':', start);
        parts.push_back(t.substr(start, c == std::string::npos ? std::string::npos : c - start));
        if (c == std::string::npos) break;
        start = c + 1;
    }
    if (parts.size() != 4) return false;
    long long type;
    double f, g, q;
    if (!ParseInt(parts[0], 0, 255, type)) return false;
    if (!ParseNumber(parts[1], 1, 24000, f)) return false;
    if (!ParseNumber(parts[2], -100, 100, g)) return false;
    if (!ParseNumber(parts[3], 0.001, 1000, q)) return false;
    b = {static_cast<int>(type), static_cast<float>(g), static_cast<float>(f),
         static_cast<float>(q)};
    return true;
}

// One token against its argument description; error says what was expected.
bool parseOne(const ArgSpec& a, const std::string& t, const std::vector<Value>& before,
              Value& v, std::string& error, int lang) {
    const Tr expectedInt{"应为 %s 范围内的整数", "expected a whole number in %s"};
    const Tr expectedNum{"应为 %s 范围内的数", "expected a number in %s"};
    const Tr expectedOne{"应为 %s 之一", "expected one of %s"};
    switch (a.kind) {
        case Kind::Int:
        case Kind::Count:
            if (ParseInt(t, static_cast<long long>(a.lo), static_cast<long long>(a.hi), v.i)) return true;
            error = format(expectedInt.in(lang), rangeText(a, true).c_str());
            return false;
        case Kind::Num:
            if (ParseNumber(t, a.lo, a.hi, v.d)) return true;
            error = format(expectedNum.in(lang), rangeText(a, false).c_str());
            return false;
        case Kind::Band: {
            int bands = 0;
            if (!before.empty() && before.back().i >= 0 && before.back().i < kEqCount)
                bands = kEqualisers[static_cast<size_t>(before.back().i)].bands;
            if (bands > 0 && ParseInt(t, 0, bands - 1, v.i)) return true;
            error = format(expectedInt.in(lang), format("0..%d", bands - 1).c_str());
            return false;
        }
        case Kind::Eq: {
            int e = eqByName(t.c_str());
            if (e >= 0) {
                v.i = e;
                return true;
            }
            break;
        }
        case Kind::Out:
            v.i = indexOf(t, {"main", "rear", "center", "sub"});
            if (v.i >= 0) return true;
            break;
        case Kind::Source:
            v.i = indexOf(t, {"mic", "echo", "reverb", "music"});
            if (v.i >= 0) return true;
            break;
        case Kind::Side:
            v.i = indexOf(t, {"left", "right"});
            if (v.i >= 0) return true;
            break;
        case Kind::Path:
        case Kind::Flag:
            if (!t.empty()) {
                v.s = t;
                return true;
            }
            error = Tr{"应为文件名", "expected a file name"}.in(lang);
            return false;
        case Kind::Section:
            if (parseSection(t, v.band)) return true;
            error = Tr{"应为 TYPE:FREQ:GAIN:Q (类型 0..255, 频率 1..24000, 增益 -100..100, Q 0.001..1000)",
                       "expected TYPE:FREQ:GAIN:Q (type 0..255, frequency 1..24000, gain -100..100, "
                       "Q 0.001..1000)"}
                        .in(lang);
            return false;
    }
    error = format(expectedOne.in(lang), KindChoices(a.kind));
    return false;
}

// The named options from specs[first] on, in any order, to the end of tokens.
bool parseFlags(const std::vector<ArgSpec>& specs, size_t first, const std::vector<std::string>& tokens, size_t t,
                std::vector<Value>& out, std::string& error, int lang) {
    const size_t base = out.size();
    out.resize(base + specs.size() - first);
    while (t < tokens.size()) {
        const std::string& word = tokens[t];
        size_t k = first;
        std::string value;
        bool given = false;
        for (; k < specs.size(); ++k) {
            const std::string name(specs[k].name, std::strcspn(specs[k].name, " "));
            if (word == name) {
                if (t + 1 >= tokens.size()) {
                    error = format(Tr{"%s 后缺少值", "%s needs a value"}.in(lang), name.c_str());
                    return false;
                }
                value = tokens[t + 1];
                t += 2;
                given = true;
            } else if (word.rfind(name + "=", 0) == 0) {
                value = word.substr(name.size() + 1);
                t += 1;
                given = true;
            }
            if (given) break;
        }
        if (!given) {
            error = format(Tr{"多余的参数 '%s'", "unexpected argument '%s'"}.in(lang), word.c_str());
            return false;
        }
        if (value.empty()) {
            error = format(Tr{"%s 后缺少值", "%s needs a value"}.in(lang), word.c_str());
            return false;
        }
        Value& v = out[base + (k - first)];
        v.i = 1;
        v.s = value;
    }
    return true;
}

}  // namespace

bool ParseArgs(const std::vector<ArgSpec>& specs, const std::vector<std::string>& tokens,
               std::vector<Value>& out, std::string& error, int lang) {
    out.clear();
    size_t t = 0;
    for (size_t k = 0; k < specs.size(); ++k) {
        const ArgSpec& a = specs[k];
        if (a.kind == Kind::Flag) return parseFlags(specs, k, tokens, t, out, error, lang);
        if (a.kind == Kind::Count) {
            Value v;
            v.i = -1;
            if (t < tokens.size()) {
                std::string word = tokens[t];
                std::string num;
                if (word == "--count") {
                    if (t + 1 >= tokens.size()) {
                        error = format(Tr{"--count 后缺少 %s", "--count needs %s"}.in(lang), a.name);
                        return false;
                    }
                    num = tokens[t + 1];
                    t += 2;
                } else if (word.rfind("--count=", 0) == 0) {
                    num = word.substr(8);
                    t += 1;
                } else {
                    error = format(Tr{"多余的参数 '%s'", "unexpected argument '%s'"}.in(lang), word.c_str());
                    return false;
                }
                std::string why;
                if (!parseOne(a, num, out, v, why, lang)) {
                    error = format("%s '%s': %s", a.name, num.c_str(), why.c_str());
                    return false;
                }
            }
            out.push_back(v);
            continue;
        }
        if (t >= tokens.size()) {
            if (a.optional) continue;
            error = format(Tr{"缺少参数 %s", "missing argument %s"}.in(lang), a.name);
            return false;
        }
        do {
            Value v;
            std::string why;
            if (!parseOne(a, tokens[t], out, v, why, lang)) {
                error = format("%s '%s': %s", a.name, tokens[t].c_str(), why.c_str());
                return false;
            }
            out.push_back(v);
            ++t;
        } while (a.repeat && t < tokens.size());
    }
    if (t < tokens.size()) {
        error = format(Tr{"多余的参数 '%s'", "unexpected argument '%s'"}.in(lang), tokens[t].c_str());
        return false;
    }
    return true;
}

}  // namespace udare::cli
