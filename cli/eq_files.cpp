#include "eq_files.h"

#include <cctype>
#include <cstring>
#include <ctime>
#include <iostream>
#include <iterator>

#include "protocol/commands.h"
#include "protocol/eq_curve.h"
#include "protocol/eq_filters.h"
#include "protocol/mode_file.h"
#include "protocol/opcodes.h"

namespace udare::cli {

namespace {

using V = std::vector<Value>;

Eq eqOf(const Value& v) { return static_cast<Eq>(v.i); }

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string extensionOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return lower(path.substr(dot));
}

// "800x400" within the sizes the control can be drawn at.
bool parseSize(const std::string& t, int& w, int& h) {
    const size_t x = lower(t).find('x');
    if (x == std::string::npos) return false;
    long long a, b;
    if (!ParseInt(t.substr(0, x), 160, 4096, a) || !ParseInt(t.substr(x + 1), 100, 4096, b)) return false;
    w = static_cast<int>(a);
    h = static_cast<int>(b);
    return true;
}

// The mirror the command works on: the mode file named by --from, or the
// unit (its model checked, and its equaliser image read when asked).
int loadSource(Session& s, const Value& from, bool readImage) {
    if (from.i) return LoadModeFile(s.ctx(), from.s) ? EXIT_OK : EXIT_FAILED;
    // The unit's protocol decides how many Sub sections and image bytes there are.
    if (int rc = s.knowUnit()) return rc;
    if (readImage) {
        ReadEqImage(s.ctx());
        if (int rc = s.checkAnswering()) return rc;
    }
    return EXIT_OK;
}

bool readInput(Session& s, const std::string& path, std::string& text) {
    if (path == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (!std::cin.bad()) return true;
    } else if (ReadTextFile(path, text)) {
        return true;
    }
    s.fail(format(s.t({"无法读取 %s", "cannot read %s"}), path.c_str()));
    return false;
}

int writeOutput(Session& s, const std::string& path, const std::string& text) {
    if (path == "-") {
        s.out << text << std::flush;
        return EXIT_OK;
    }
    const int err = ReplaceFileContents(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (err == 0) return EXIT_OK;
    s.fail(format(s.t({"无法写入 %s (%s)", "cannot write %s (%s)"}), path.c_str(), std::strerror(err)));
    return EXIT_FAILED;
}

}  // namespace

int cmdEqImport(Session& s, const V& v) {
    const std::string& path = v[1].s;
    std::string text;
    if (!readInput(s, path, text)) return EXIT_FAILED;
    const FilterFile file = ParseFilterText(text);
    if (!file.errors.empty()) {
        for (const FilterError& e : file.errors) s.fail(path + ": " + FilterErrorText(e, s.lang()));
        s.fail(s.t({"未导入任何滤波器", "nothing was imported"}));
        return EXIT_FAILED;
    }
    if (file.filters.empty()) {
        // An empty set would flatten the equaliser: more likely the wrong file.
        s.fail(format(s.t({"%s 中没有滤波器, 未导入", "%s holds no filter; nothing was imported"}), path.c_str()));
        return EXIT_FAILED;
    }
    if (int rc = loadSource(s, v[2], false)) return rc;
    const EqImport plan = PlanEqImport(file, s.st, eqOf(v[0]));
    for (const FilterNote& n : plan.notes) s.out << FilterNoteText(n, s.lang()) << '\n';
    ApplyEqImport(s.ctx(), plan);
    if (v[2].i) return SaveModeFile(s.ctx(), v[2].s) ? EXIT_OK : EXIT_FAILED;
    return s.checkAnswering();
}

std::string checkEqExport(const V& v, int lang) {
    if (v[2].i && lower(v[2].s) != "apo" && lower(v[2].s) != "rew")
        return Tr{"--format 应为 apo 或 rew", "--format is apo or rew"}.in(lang);
    return {};
}

int cmdEqExport(Session& s, const V& v) {
    if (int rc = loadSource(s, v[3], true)) return rc;
    const FilterFormat format = v[2].i && lower(v[2].s) == "rew" ? FilterFormat::Rew : FilterFormat::Apo;
    return writeOutput(s, v[1].s, WriteFilterText(s.st, eqOf(v[0]), format, std::time(nullptr)));
}

std::string checkCurveExport(const V& v, int lang) {
    const std::string ext = extensionOf(v[1].s);
    const bool csv = ext == ".csv" || v[1].s == "-";
    if (!csv && ext != ".png") return Tr{"文件名应以 .csv 或 .png 结尾", "the file name ends in .csv or .png"}.in(lang);
    long long points;
    if (v[2].i && (!csv || !ParseInt(v[2].s, 2, 100000, points)))
        return Tr{"--points 用于 CSV, 为 2..100000", "--points is for CSV, 2..100000"}.in(lang);
    int w, h;
    if (v[3].i && (csv || !parseSize(v[3].s, w, h)))
        return Tr{"--size 用于 PNG, 如 800x400 (160..4096 x 100..4096)",
                  "--size is for PNG, such as 800x400 (160..4096 x 100..4096)"}
            .in(lang);
    return {};
}

int cmdCurveExport(Session& s, const V& v) {
    const std::string& path = v[1].s;
    const bool png = extensionOf(path) == ".png" && path != "-";
    if (png && !s.hooks().writeCurvePng) {
        s.fail(s.t({"此 udare-ctl 构建不含 PNG 输出", "this build of udare-ctl has no PNG output"}));
        return EXIT_FAILED;
    }
    if (int rc = loadSource(s, v[4], true)) return rc;
    const Eq eq = eqOf(v[0]);
    if (!png) {
        long long points = 0;
        if (v[2].i) ParseInt(v[2].s, 2, 100000, points);
        return writeOutput(s, path, CurveCsv(EqCurve(s.st, eq, static_cast<int>(points))));
    }
    int w = 860, h = 400;
    if (v[3].i) parseSize(v[3].s, w, h);
    dsp::EqModel model;
    LoadCurveModel(s.st, eq, model);
    std::string error;
    if (s.hooks().writeCurvePng(model, s.lang(), w, h, path, error)) return EXIT_OK;
    s.fail(format(s.t({"无法写入 %s (%s)", "cannot write %s (%s)"}), path.c_str(), error.c_str()));
    return EXIT_FAILED;
}

}  // namespace udare::cli
