#include "command_table.h"
#include "docs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "link/usb_link.h"
#include "link/workers.h"
#include "eq_files.h"
#include "offline.h"
#include "protocol/commands.h"
#include "protocol/mode_file.h"
#include "protocol/opcodes.h"
#include "upgrade/mode_images.h"
#include "protocol/remote_file.h"
#include "reports.h"
#include "restore_check.h"
#include "upgrade.h"
#include "sim/sim_options.h"

namespace udare::cli {

namespace {

using V = std::vector<Value>;

Eq eqOf(const Value& v) { return static_cast<Eq>(v.i); }
int in(const Value& v) { return static_cast<int>(v.i); }
float fl(const Value& v) { return static_cast<float>(v.d); }
int grp(const Value& v) { return OutGroup(v.i); }
Source srcOf(const Value& v) { return static_cast<Source>(v.i); }
Side sideOf(const Value& v) { return static_cast<Side>(v.i); }

// Argument specs, by what they hold.
ArgSpec anyInt(const char* n) { return {Kind::Int, n, -2147483648.0, 2147483647.0}; }
// The value of a slot, within its row's range; whole numbers unless the slot
// holds a float and the operation takes one.
ArgSpec slotArg(int slot, const char* n = "V", Kind k = Kind::Int) {
    const SlotRange& r = kSlots[slot].range;
    return {k, n, r.lo, r.hi};
}
ArgSpec slotNum(int slot, const char* n) { return slotArg(slot, n, Kind::Num); }
// Milliseconds an operation raises to its slot's lowest value itself; a total
// split into two halves is twice the half's range.
ArgSpec raisedMs(int slot, int halves = 1) {
    return {Kind::Num, "MS", 0, halves * double(kSlots[slot].range.hi)};
}
ArgSpec eqArg() { return {Kind::Eq, "EQ"}; }
ArgSpec outArg() { return {Kind::Out, "OUT"}; }
ArgSpec mode() { return {Kind::Int, "N", 0, 3}; }

// Long sequences end early once the unit is gone or the user pressed Ctrl-C.
StopFn stopper(Session& s) {
    return [&s] { return s.unitLost() || s.interrupted(); };
}

// The synchronisation the mode commands start, run in turn rather than beside.
void synchronise(Session& s) { SynchronizeData(s.link(), s.ctx(), stopper(s)); }

int needSyncAfter(Session& s, void (*op)(Ctx&, int, const StartSync&), int n) {
    bool wanted = false;
    op(s.ctx(), n, [&wanted] { wanted = true; });
    if (wanted && !s.unitLost()) synchronise(s);
    return EXIT_OK;
}

// ReadAll with the model and protocol checks the view makes afterwards.
// A read cut short never counts as done: backup must not save half a unit.
int readAllChecked(Session& s) {
    const bool complete = ReadAll(s.ctx(), stopper(s));
    if (s.unitLost()) return s.checkAnswering();
    if (!s.identityMatches()) return EXIT_FAILED;
    if (!complete) {
        s.fail(s.t({"已中断", "interrupted"}));
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

std::string rightOnlyOnStereo(const V& v, int lang) {
    if (v[1].i == 1 && v[0].i >= 2)
        return Tr{"center 和 sub 只有 left", "center and sub have only left"}.in(lang);
    return {};
}

// ---- handlers that are more than one call ----------------------------------

int cmdHelp(Session& s, const V&) {
    PrintHelp(s.out, s.lang());
    return EXIT_OK;
}

int cmdDesign(Session& s, const V& v) {
    PrintDesign(s.out, in(v[0]), v[1].d, v[2].d, v[3].d);
    return EXIT_OK;
}

int cmdCurve(Session& s, const V& v) {
    std::vector<dsp::BandParams> sections;
    for (const Value& x : v) sections.push_back(x.band);
    PrintCurve(s.out, sections);
    return EXIT_OK;
}

int cmdList(Session& s, const V&) {
    HidBackend* b = s.backend();
    if (!b) return EXIT_USAGE;
    std::vector<HidInterfaceInfo> units;
    for (const HidInterfaceInfo& i : b->enumerate())
        if (i.vendorId == UNIT_VENDOR_ID && i.productId == UNIT_PRODUCT_ID) units.push_back(i);
    PrintList(s.out, units, s.opt.json, s.lang());
    if (units.empty()) {
        s.fail(s.t({"未找到机器", "no unit found"}));
        return EXIT_NO_UNIT;
    }
    return EXIT_OK;
}

int cmdInfo(Session& s, const V&) {
    s.request({op::kModelName, op::kProtocolVersion, op::kMcuVersion, op::kDspVersion, op::kCurrentMode});
    if (int rc = s.checkAnswering()) return rc;
    PrintInfo(s.out, s.st, s.link().upgradeMode.load() != 0, s.opt.json, s.lang());
    return EXIT_OK;
}

int cmdSync(Session& s, const V&) { return readAllChecked(s); }

int cmdDump(Session& s, const V&) {
    if (int rc = readAllChecked(s)) return rc;
    if (int rc = s.checkAnswering()) return rc;
    PrintDump(s.out, s.st, s.opt.json);
    return EXIT_OK;
}

int cmdBackup(Session& s, const V& v) {
    if (int rc = readAllChecked(s)) return rc;
    if (int rc = s.checkAnswering()) return rc;  // never save a half-read unit
    return SaveModeFile(s.ctx(), v[0].s) ? EXIT_OK : EXIT_FAILED;
}

// A mode file shorter than its version's whole size loads only in part and
// leaves the rest of the mirror as it was; restore would then write start-up
// values into the unit. Open failures are left to LoadModeFile's own message.
bool wholeModeFile(Session& s, const std::string& path) {
    std::vector<uint8_t> b;
    if (ReadFileHead(path, kModeFileSize, b) != 0) return true;
    const size_t need = WholeModeFileSize(b);
    if (b.size() >= need) return true;
    s.fail(format(s.t({"%s 不是完整的模式文件 (%zu 字节, 应为 %zu), 未写入机器",
                       "%s is not a whole mode file (%zu bytes, %zu expected); nothing was written"}),
                  path.c_str(), b.size(), need));
    return false;
}

int cmdRestore(Session& s, const V& v) {
    if (!wholeModeFile(s, v[0].s)) return EXIT_FAILED;
    // The file's Sub layout and the image size depend on the unit's protocol:
    // learn who it is before loading, and refuse a unit ReadAll would refuse.
    // The machine settings say whether the full write fades the volumes in.
    if (int rc = s.knowUnit()) return rc;
    if (!s.identityMatches()) return EXIT_FAILED;
    ReadMachineSettings(s.ctx());
    if (int rc = s.checkAnswering()) return rc;
    if (!LoadModeFile(s.ctx(), v[0].s)) return EXIT_FAILED;
    s.tap.startCapture();
    WriteAllData(s.link(), s.ctx(), stopper(s));
    const std::vector<HidReport> sent = s.tap.stopCapture();
    if (int rc = s.checkAnswering()) return rc;
    const WrittenState written = WrittenFromWire(sent);
    if (int rc = readAllChecked(s)) return rc;
    if (int rc = s.checkAnswering()) return rc;
    const RestoreResult r = CompareWithUnit(written, s.st);
    for (const std::string& m : r.mismatches)
        s.out << s.t({"不一致: ", "differs: "}) << m << '\n';
    if (!r.notRestored.empty()) {
        s.out << s.t({"未恢复 (完整写入不发送): ", "not restored (a full write does not send them): "});
        for (size_t i = 0; i < r.notRestored.size(); ++i) s.out << (i ? " " : "") << r.notRestored[i];
        s.out << '\n';
    }
    if (!r.mismatches.empty()) {
        s.fail(format(s.t({"机器有 %zu 项与写入的不一致", "the unit differs from what was written in %zu places"}),
                      r.mismatches.size()));
        return EXIT_MISMATCH;
    }
    return EXIT_OK;
}

int cmdRemoteSave(Session& s, const V& v) {
    // The table is read from the unit first: the mirror alone holds only the
    // start-up defaults.
    ReadRemoteKeys(s.ctx());
    if (int rc = s.checkAnswering()) return rc;
    if (!SaveRemoteKeyFile(s.ctx(), v[0].s)) {
        s.fail(format(s.t({"无法保存遥控文件 %s", "cannot save the remote-key file %s"}), v[0].s.c_str()));
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int cmdRemoteLoad(Session& s, const V& v) {
    if (!LoadRemoteKeyFile(s.ctx(), v[0].s)) {
        s.fail(format(s.t({"无法载入遥控文件 %s", "cannot load the remote-key file %s"}), v[0].s.c_str()));
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

int cmdMeter(Session& s, const V& v) {
    const long long count = v[0].i;  // -1: until interrupted
    for (long long done = 0; count < 0 || done < count; ++done) {
        if (s.interrupted()) break;
        const uint64_t before = s.tap.replies(op::kMeterLevels);
        const int64_t start = SystemClock::instance().nowMs();
        req::MeterLevels(s.ctx().out);
        if (!s.tap.waitReply(op::kMeterLevels, before, 1800)) {
            if (!s.checkAnswering()) s.fail(s.t({"机器没有回复电平", "the unit sent no levels"}));
            return EXIT_SILENT;
        }
        s.out << int(s.st.identity.meterLevels[0]) << ' ' << int(s.st.identity.meterLevels[1]) << ' '
              << int(s.st.identity.meterLevels[2]) << '\n'
              << std::flush;
        if (count >= 0 && done + 1 >= count) break;
        const int64_t left = 300 - (SystemClock::instance().nowMs() - start);
        if (left > 0) SystemClock::instance().sleepMs(static_cast<int>(left));
    }
    return EXIT_OK;
}

int cmdGetEqBand(Session& s, const V& v) {
    const EqBandValue b = readBand(s.st, eqOf(v[0]), in(v[1]));
    s.out << b.type << ' ' << b.freqHz << ' ' << Fixed(b.gainDb, 1) << ' ' << Fixed(b.q, 3) << '\n';
    return EXIT_OK;
}

int cmdLearnRemoteKey(Session& s, const V& v) {
    const int seen = s.notifier.keysLearned();
    LearnRemoteKey(s.ctx(), in(v[0]));
    const int seconds = v.size() > 1 ? in(v[1]) : 30;
    int code = -1;
    for (int waited = 0; waited < seconds * 10 && code < 0 && !s.interrupted() && !s.unitLost(); ++waited)
        code = s.notifier.waitKey(seen, 100);
    if (code < 0) {
        CancelLearning(s.ctx());
        s.fail(s.t({"没有学到按键", "no key was learned"}));
        return EXIT_FAILED;
    }
    s.out << format("%d 0x%02X\n", in(v[0]), code);
    return EXIT_OK;
}

int cmdResetMachine(Session& s, const V&) {
    if (s.prompter.messageBox(s.t({"您确定要将机器复位吗? \n机器复位后将自动重新启动并连接.", "Are you sure to reset machine? "}), "提示",
                              Prompter::Icon::Question, Prompter::Buttons::YesNo) !=
        Prompter::Answer::Yes)
        return EXIT_FAILED;
    ResetMachine(s.ctx());
    return EXIT_OK;
}

int cmdSetMachineSetting(Session& s, const V& v) {
    s.st.machine.working.set(in(v[0]), static_cast<uint8_t>(v[1].i));
    return EXIT_OK;
}

int cmdRequestCurrentMode(Session& s, const V&) {
    RequestCurrentMode(s.ctx());
    if (int rc = s.checkAnswering()) return rc;
    s.out << format("M%d\n", s.st.currentMode.load() + 1);
    return EXIT_OK;
}

int cmdSendBytes(Session& s, const V& v) {
    std::vector<int> bytes;
    for (const Value& x : v) bytes.push_back(in(x));
    bytes.push_back(-1);
    SendBytes(s.ctx().out, std::span<const int>(bytes));
    return EXIT_OK;
}

int cmdRun(Session& s, const V& v);

int cmdWriteModeImages(Session& s, const V& v) {
    std::atomic<int> progress{0};
    const int sent = WriteModeImages(s.ctx(), v[0].s, s.link().upgradeMode.load() != 0, progress);
    s.out << format(s.t({"已写入 %d 个模式图像\n", "%d mode images written\n"}), sent);
    if (sent > 0) return EXIT_OK;
    s.fail(format(s.t({"%s 中没有可写入的模式图像", "no mode image written from %s"}), v[0].s.c_str()));
    return EXIT_FAILED;
}

// ---- what depends on the unit's protocol ------------------------------------

bool always(const V&) { return true; }
// eq-import, eq-export and curve-export use the unit unless --from
// (argument N) names a mode file.
template <size_t N>
bool onUnit(const V& v) { return v[N].i == 0; }

// Sections every unit holds: a protocol-1 image ends after the tenth.
constexpr int kSubSectionsOnEveryUnit = (kImageSizeProtocol1 - bandOffset(Eq::Sub, 0)) / kBandRecordSize;
bool subEq(const V& v) { return eqOf(v[0]) == Eq::Sub; }
bool highSubSection(const V& v) { return subEq(v) && in(v[1]) >= kSubSectionsOnEveryUnit; }

std::string subSectionHeld(const V& v, const DeviceState& st, int lang) {
    if (!subEq(v) || in(v[1]) < st.subSections()) return {};
    return format(Tr{"此机器 (通信版本 %d) 只有 %d 个 sub 段, 第 %d 段未发送",
                     "this unit (protocol %d) has only %d Sub sections; section %d was not sent"}.in(lang),
                  st.protocol(), st.subSections(), in(v[1]));
}

std::string delaysHeld(const V&, const DeviceState& st, int lang) {
    if (st.hasOutputDelays()) return {};
    return format(Tr{"此机器 (通信版本 %d) 没有输出延时, 未发送", "this unit (protocol %d) has no output delays; nothing was sent"}.in(lang),
                  st.protocol());
}

// Whether this command, with these arguments, needs the unit's identity first.
bool dependsOnProtocol(const Command& c, const V& v) { return c.onProtocol && c.onProtocol(v); }

Command onProtocol(Command c, OnProtocol when, NotHeld notHeld = nullptr) {
    c.onProtocol = when;
    c.notHeld = notHeld;
    return c;
}

Command readsIdentity(Command c) {
    c.readsIdentity = true;
    return c;
}

#define OP(body) [](Session& s, const V& v) -> int { (void)v; body; return EXIT_OK; }

const std::vector<Command> kCommands = {
    // -- programs
    {"help", {}, Needs::Nothing, cmdHelp, {"列出全部命令", "list every command"}},
    {"run", {{Kind::Path, "FILE|-"}}, Needs::Nothing, cmdRun,
     {"逐行执行文件中的命令 ('#' 起注释), 遇错即停", "run one command per line ('#' starts a comment); stops at the first failing line"}},
    {"list", {}, Needs::Backend, cmdList, {"列出找到的机器", "list the units found"}},
    readsIdentity({"info", {}, Needs::Unit, cmdInfo, {"型号, 通信版本, MCU/DSP 版本, 当前模式", "model, protocol, MCU and DSP versions, current mode"}}),
    readsIdentity({"sync", {}, Needs::Unit, cmdSync, {"从机器读取全部参数 (ReadAll)", "read everything from the unit (ReadAll)"}}),
    readsIdentity({"dump", {}, Needs::Unit, cmdDump, {"读取并列出全部参数", "read and print every parameter"}}),
    readsIdentity({"backup", {{Kind::Path, "FILE.VXS"}}, Needs::Unit, cmdBackup, {"读取机器并保存模式文件", "read the unit and save a mode file"}}),
    readsIdentity({"restore", {{Kind::Path, "FILE.VXS"}}, Needs::Unit, cmdRestore,
     {"载入模式文件, 写入机器并核对", "load a mode file, write it to the unit and verify"}}),
    {"remote-save", {{Kind::Path, "FILE"}}, Needs::Unit, cmdRemoteSave, {"读取遥控码表并存入文件", "read the remote-key table and save it"}},
    {"remote-load", {{Kind::Path, "FILE"}}, Needs::Unit, cmdRemoteLoad, {"载入遥控文件并写入机器", "load a remote-key file into the unit"}},
    {"meter", {{Kind::Count, "N", 1, 1000000000, false, true}}, Needs::Unit, cmdMeter,
     {"每 300 ms 读取一次电平", "read the levels every 300 ms"}},
    {"design", {{Kind::Int, "TYPE", 0, 255}, {Kind::Num, "FREQ", 0.001, 1e6}, {Kind::Num, "GAIN", -200, 200}, {Kind::Num, "Q", 0.0001, 1000}},
     Needs::Nothing, cmdDesign, {"48000 Hz 下的 b0 b1 b2 a1 a2", "b0 b1 b2 a1 a2 at 48000 Hz"}},
    {"curve", {{Kind::Section, "TYPE:FREQ:GAIN:Q", 0, 0, true}}, Needs::Nothing, cmdCurve,
     {"各段的合成曲线 (512 点)", "summed curve of the sections (512 points)"}},
    // -- equaliser files: on the unit, or on a mode file with --from (connect themselves when needed)
    onProtocol({"eq-import", {eqArg(), {Kind::Path, "FILE|-"}, {Kind::Flag, "--from FILE.VXS"}}, Needs::Nothing, cmdEqImport,
     {"把滤波器组 (APO/AutoEq 或 REW 文本) 导入均衡器", "import a filter set (APO/AutoEq or REW text) into an equaliser"}}, onUnit<2>),
    onProtocol({"eq-export", {eqArg(), {Kind::Path, "FILE|-"}, {Kind::Flag, "--format apo|rew"}, {Kind::Flag, "--from FILE.VXS"}},
     Needs::Nothing, cmdEqExport, {"把均衡器存为滤波器组文本 (默认 apo)", "save an equaliser as a filter set (apo unless given)"},
     checkEqExport}, onUnit<3>),
    onProtocol({"curve-export", {eqArg(), {Kind::Path, "FILE.csv|FILE.png"}, {Kind::Flag, "--points N"}, {Kind::Flag, "--size WxH"},
                      {Kind::Flag, "--from FILE.VXS"}},
     Needs::Nothing, cmdCurveExport,
     {"均衡器的响应曲线存为 CSV (默认 512 点显示网格) 或 PNG", "the equaliser's response as CSV (the 512-point display grid unless --points) or PNG"},
     checkCurveExport}, onUnit<4>),
    // -- equalisers
    onProtocol({"SetEqBand", {eqArg(), {Kind::Band, "BAND"}, {Kind::Int, "TYPE", 0, 21}, {Kind::Int, "FREQ", 1, 24000}, {Kind::Num, "GAIN", -15, 15}, {Kind::Num, "Q", 0.001, 65}},
     Needs::Unit, OP(SetEqBand(s.ctx(), eqOf(v[0]), in(v[1]), in(v[2]), in(v[3]), fl(v[4]), fl(v[5]))),
     {"设置一个频段", "set one band"}}, highSubSection, subSectionHeld),
    {"GetEqBand", {eqArg(), {Kind::Band, "BAND"}}, Needs::Nothing, cmdGetEqBand,
     {"显示镜像中的一个频段 (TYPE FREQ GAIN Q)", "print one band as the mirror holds it (TYPE FREQ GAIN Q)"}},
    {"SetEqBypass", {eqArg(), slotArg(slot::mic1EqBypass, "0|1")}, Needs::Unit, OP(SetEqBypass(s.ctx(), eqOf(v[0]), in(v[1]))), {"均衡器开关", "equaliser switch"}},
    onProtocol({"ResetEq", {eqArg()}, Needs::Unit, OP(ResetEq(s.ctx(), eqOf(v[0]))), {"均衡器复位", "reset an equaliser"}}, subEq),
    onProtocol({"WriteEqImage", {}, Needs::Unit, OP(WriteEqImage(s.ctx())), {"写入整个均衡图像", "write the whole equaliser image"}}, always),
    onProtocol({"ReadEqImage", {}, Needs::Unit, OP(ReadEqImage(s.ctx())), {"读取整个均衡图像", "read the whole equaliser image"}}, always),
    onProtocol({"SendAllEqBands", {}, Needs::Unit, OP(SendAllEqBands(s.ctx())), {"发送全部频段系数", "send the coefficients of every band"}}, always),
    // -- levels, routing, delays
    {"SetMicVolume", {slotArg(slot::micVolume)}, Needs::Unit, OP(SetMicVolume(s.ctx(), in(v[0]))), {"话筒音量", "microphone volume"}},
    {"SetSpareLevel", {slotArg(slot::micSpareLevel)}, Needs::Unit, OP(SetSpareLevel(s.ctx(), in(v[0]))), {"备用电平", "spare level"}},
    {"SetEffectVolume", {slotArg(slot::effectVolume)}, Needs::Unit, OP(SetEffectVolume(s.ctx(), in(v[0]))), {"效果音量", "effect volume"}},
    {"SetMicMute", {slotArg(slot::micMute, "0|1")}, Needs::Unit, OP(SetMicMute(s.ctx(), in(v[0]))), {"话筒静音", "microphone mute"}},
    {"SetMusicVolume", {slotArg(slot::musicVolume)}, Needs::Unit, OP(SetMusicVolume(s.ctx(), in(v[0]))), {"音乐音量", "music volume"}},
    {"SetMusicMute", {slotArg(slot::musicMute, "0|1")}, Needs::Unit, OP(SetMusicMute(s.ctx(), in(v[0]))), {"音乐静音 (取消时渐入)", "music mute (fades in when unmuted)"}},
    {"SetEchoMute", {slotArg(slot::echoMute, "0|1")}, Needs::Unit, OP(SetEchoMute(s.ctx(), in(v[0]))), {"回声静音", "echo mute"}},
    {"SetReverbMute", {slotArg(slot::reverbMute, "0|1")}, Needs::Unit, OP(SetReverbMute(s.ctx(), in(v[0]))), {"混响静音", "reverb mute"}},
    {"SetOutputLevel", {outArg(), {Kind::Source, "SOURCE"}, slotArg(outputSlot(GROUP_MAIN, OUT_MIC_LEVEL))}, Needs::Unit,
     OP(SetOutputLevel(s.ctx(), grp(v[0]), srcOf(v[1]), in(v[2]))), {"输出中的信号源电平", "level of a source in an output"}},
    {"SetOutputVolume", {outArg(), slotArg(outputSlot(GROUP_MAIN, OUT_VOLUME))}, Needs::Unit, OP(SetOutputVolume(s.ctx(), grp(v[0]), in(v[1]))), {"输出音量", "output volume"}},
    onProtocol({"SetOutputDelay", {outArg(), {Kind::Side, "SIDE"}, raisedMs(slot::mainDelayLeft)}, Needs::Unit,
     OP(SetOutputDelay(s.ctx(), grp(v[0]), sideOf(v[1]), fl(v[2]))), {"输出延时 (至少 1.5 ms)", "output delay (at least 1.5 ms)"}, rightOnlyOnStereo}, always, delaysHeld),
    {"SetOutputDelayOn", {outArg(), {Kind::Side, "SIDE"}, slotArg(slot::mainDelayLeftOn, "0|1")}, Needs::Unit,
     OP(SetOutputDelayOn(s.ctx(), grp(v[0]), sideOf(v[1]), in(v[2]))), {"输出延时开关", "output delay switch"}, rightOnlyOnStereo},
    // -- effects and dynamics
    {"SetEchoVolume", {slotArg(slot::echoVolume)}, Needs::Unit, OP(SetEchoVolume(s.ctx(), in(v[0]))), {"回声音量", "echo volume"}},
    {"SetEchoRatio", {slotArg(slot::echoRatio)}, Needs::Unit, OP(SetEchoRatio(s.ctx(), in(v[0]))), {"回声重复比例", "echo repeat ratio"}},
    {"SetEchoPreDelay", {raisedMs(slot::echoPreDelayA, 2)}, Needs::Unit, OP(SetEchoPreDelay(s.ctx(), fl(v[0]))), {"回声预延时 (总计)", "echo pre-delay (total)"}},
    {"SetEchoInterval", {raisedMs(slot::echoTapDelay0)}, Needs::Unit, OP(SetEchoInterval(s.ctx(), fl(v[0]))), {"回声间隔 (七个抽头)", "echo interval (all seven taps)"}},
    {"SetEchoTapDelay", {{Kind::Int, "K", 0, 6}, slotNum(slot::echoTapDelay0, "MS")}, Needs::Unit, OP(SetEchoTapDelay(s.ctx(), in(v[0]), fl(v[1]))), {"回声抽头延时", "echo tap delay"}},
    {"SetEchoTapLevel", {{Kind::Int, "K", 0, 6}, slotNum(slot::echoTapLevel0, "PERCENT")}, Needs::Unit,
     OP(SetEchoTapLevel(s.ctx(), in(v[0]), fl(v[1]))), {"回声抽头电平", "echo tap level"}},
    {"SetReverbVolume", {slotArg(slot::reverbVolume)}, Needs::Unit, OP(SetReverbVolume(s.ctx(), in(v[0]))), {"混响音量", "reverb volume"}},
    {"SetReverbTime", {slotArg(slot::reverbTime)}, Needs::Unit, OP(SetReverbTime(s.ctx(), in(v[0]))), {"混响时间", "reverb time"}},
    {"SetReverbPreDelay", {raisedMs(slot::reverbPreDelayA, 2)}, Needs::Unit, OP(SetReverbPreDelay(s.ctx(), fl(v[0]))), {"混响预延时 (总计)", "reverb pre-delay (total)"}},
    {"SetFbcShift", {anyInt("STEP")}, Needs::Unit, OP(SetFbcShift(s.ctx(), in(v[0]))), {"反馈抑制移频 (1 = 关, 限于 1..5)", "feedback-suppression shift (1 = off; held to 1..5)"}},
    {"SetMusicPitch", {slotArg(slot::musicPitch, "SEMITONES")}, Needs::Unit, OP(SetMusicPitch(s.ctx(), in(v[0]))), {"音乐变调", "music key shift"}},
    {"SetPitchBypass", {slotArg(slot::pitchBypass, "0|1")}, Needs::Unit, OP(SetPitchBypass(s.ctx(), in(v[0]))), {"变调旁路", "pitch shifter bypass"}},
    // The unit takes any gate value (only its scaling is fixed); the slots'
    // ranges are those of the ribbon and the noise-gate dialog.
    {"SetMicGateThreshold", {anyInt("V")}, Needs::Unit, OP(SetMicGateThreshold(s.ctx(), in(v[0]))), {"话筒噪声门阈值", "microphone gate threshold"}},
    {"SetMicGateAttack", {anyInt("V")}, Needs::Unit, OP(SetMicGateAttack(s.ctx(), in(v[0]))), {"话筒噪声门启动", "microphone gate attack"}},
    {"SetMicGateRelease", {anyInt("V")}, Needs::Unit, OP(SetMicGateRelease(s.ctx(), in(v[0]))), {"话筒噪声门释放", "microphone gate release"}},
    {"SetMusicGateThreshold", {anyInt("V")}, Needs::Unit, OP(SetMusicGateThreshold(s.ctx(), in(v[0]))), {"音乐噪声门阈值", "music gate threshold"}},
    {"SetMusicGateAttack", {anyInt("V")}, Needs::Unit, OP(SetMusicGateAttack(s.ctx(), in(v[0]))), {"音乐噪声门启动", "music gate attack"}},
    {"SetMusicGateRelease", {anyInt("V")}, Needs::Unit, OP(SetMusicGateRelease(s.ctx(), in(v[0]))), {"音乐噪声门释放", "music gate release"}},
    {"SetCompressor", {outArg(), slotNum(outputSlot(GROUP_MAIN, COMP_THRESHOLD), "THRESHOLD"), slotNum(outputSlot(GROUP_MAIN, COMP_RATIO), "RATIO"),
                       slotNum(outputSlot(GROUP_MAIN, COMP_ATTACK), "ATTACK"), slotNum(outputSlot(GROUP_MAIN, COMP_RELEASE), "RELEASE")},
     Needs::Unit, OP(SetCompressor(s.ctx(), grp(v[0]), fl(v[1]), fl(v[2]), fl(v[3]), fl(v[4]))), {"压限器 (dB, 比率, ms, ms)", "compressor (dB, ratio, ms, ms)"}},
    {"SetCompressorBypass", {outArg(), slotArg(outputSlot(GROUP_MAIN, COMP_BYPASS), "0|1")}, Needs::Unit, OP(SetCompressorBypass(s.ctx(), grp(v[0]), in(v[1]))), {"压限器旁路", "compressor bypass"}},
    {"SetAutoSubEnable", {slotArg(slot::autoSubEnable, "0|1")}, Needs::Unit, OP(SetAutoSubEnable(s.ctx(), in(v[0]))), {"话筒控制低音开关", "microphone-controls-subwoofer switch"}},
    {"SetAutoSubLevel", {slotArg(slot::autoSubLevel)}, Needs::Unit, OP(SetAutoSubLevel(s.ctx(), in(v[0]))), {"话筒控制低音量", "microphone-controls-subwoofer amount"}},
    // -- modes, remote keys, machine
    {"LoadMode", {mode()}, Needs::Unit, [](Session& s, const V& v) { return needSyncAfter(s, LoadMode, in(v[0])); },
     {"载入模式 N (0-3) 并同步", "load mode N (0-3), then synchronise"}},
    {"SaveMode", {mode()}, Needs::Unit, OP(SaveMode(s.ctx(), in(v[0]))), {"存为模式 N", "store as mode N"}},
    {"ResetMode", {mode()}, Needs::Unit, [](Session& s, const V& v) { return needSyncAfter(s, ResetMode, in(v[0])); },
     {"复位模式 N 并同步", "reset mode N, then synchronise"}},
    {"SelectAndSaveMode", {mode()}, Needs::Unit, OP(SelectAndSaveMode(s.ctx(), in(v[0]))), {"选择并存为模式 N", "select and store as mode N"}},
    {"RequestCurrentMode", {}, Needs::Unit, cmdRequestCurrentMode, {"读取当前模式", "read the current mode"}},
    {"LearnRemoteKey", {{Kind::Int, "K", 1, 15}, {Kind::Int, "SECONDS", 1, 3600, false, true}}, Needs::Unit, cmdLearnRemoteKey,
     {"学习遥控键 K, 等待按键 (默认 30 秒)", "learn remote key K, waiting for the key (30 s unless given)"}, nullptr, false},
    {"CancelLearning", {}, Needs::Unit, OP(CancelLearning(s.ctx())), {"取消学习", "cancel learning"}},
    {"ReadRemoteKeys", {}, Needs::Unit, OP(ReadRemoteKeys(s.ctx())), {"读取遥控码表", "read the remote-key table"}},
    {"WriteRemoteKeys", {}, Needs::Unit, OP(WriteRemoteKeys(s.ctx())), {"写入遥控码表", "write the remote-key table"}},
    {"ReadMachineSettings", {}, Needs::Unit, OP(ReadMachineSettings(s.ctx())), {"读取机器设置", "read the machine settings"}},
    {"SetMachineSetting", {{Kind::Int, "BYTE", 0, machine::kSize - 1}, {Kind::Int, "VALUE", 0, 255}}, Needs::Nothing, cmdSetMachineSetting,
     {"修改机器设置的工作副本", "change one byte of the working machine settings"}},
    {"ApplyMachineSettings", {}, Needs::Unit, OP(ApplyMachineSettings(s.ctx())), {"应用机器设置", "apply the machine settings"}},
    {"RevertMachineSettings", {}, Needs::Nothing,
     OP(RevertMachineSettings(s.ctx())), {"恢复机器设置的工作副本", "revert the working machine settings"}},
    {"ResetMachine", {}, Needs::Unit, cmdResetMachine, {"复位机器 (需 --yes)", "restart the unit (asks; --yes answers)"}},
    // -- whole transfers
    readsIdentity({"ReadAll", {}, Needs::Unit, OP(ReadAll(s.ctx(), stopper(s))), {"读取全部 (不检查型号)", "read everything (no model check)"}}),
    onProtocol({"WriteAllData", {}, Needs::Unit, OP(WriteAllData(s.link(), s.ctx(), stopper(s))), {"写入全部参数和均衡", "write every parameter and band"}}, always),
    onProtocol({"SendAllParams", {{Kind::Int, "FADE", 0, 1, false, true}}, Needs::Unit,
     OP(SendAllParams(s.ctx(), v.empty() ? machine::fadesVolumesIn(s.st.machine.committed) : v[0].i == 1, stopper(s))),
     {"只发送全部参数 (默认按机器设置决定渐入)", "send every parameter only (fade as the machine settings say unless given)"}}, always),
    {"LoadModeFile", {{Kind::Path, "FILE.VXS"}}, Needs::Nothing,
     [](Session& s, const V& v) -> int { return LoadModeFile(s.ctx(), v[0].s) ? EXIT_OK : EXIT_FAILED; },
     {"载入模式文件 (不发送)", "load a mode file into the mirror (nothing sent)"}},
    {"SaveModeFile", {{Kind::Path, "FILE.VXS"}}, Needs::Nothing,
     [](Session& s, const V& v) -> int { return SaveModeFile(s.ctx(), v[0].s) ? EXIT_OK : EXIT_FAILED; },
     {"保存模式文件 (不读取机器)", "save the mirror as a mode file (nothing read)"}},
    onProtocol({"WriteModeImages", {{Kind::Path, "DIR"}}, Needs::Unit, cmdWriteModeImages,
     {"把目录中的 K740Z0-3.AIM 写入机器", "write K740Z0-3.AIM from DIR into the unit's mode memory"}}, always),
    // -- firmware: the file is checked before the unit is even opened
    {"upgrade-mcu", {{Kind::Path, "FILE.bin|FILE.cba"}}, Needs::Nothing, cmdUpgradeMcu,
     {"单片机固件升级 (镜像或升级包), 校验后重启机器", "upgrade the MCU from an image or a package, check it, restart the unit"}},
    {"upgrade-dsp", {{Kind::Path, "FILE.tsp"}}, Needs::Nothing, cmdUpgradeDsp,
     {"内核升级: 擦除, 写入, 回读校验; 之后需手动重启机器", "upgrade the DSP core: erase, write, read back and compare; restart the unit by hand"}},
    {"ReadParam", {{Kind::Int, "GROUP", 1, 8}, {Kind::Int, "CODE", 0, 255}, {Kind::Int, "COUNT", 1, 7}}, Needs::Unit,
     OP(ReadParam(s.ctx().out, in(v[0]), in(v[1]), in(v[2]))), {"参数读取请求", "parameter read request"}},
    {"SendBytes", {{Kind::Int, "BYTE", 0, 255, true}}, Needs::Unit, cmdSendBytes, {"发送原始报告 (报告号之后的字节)", "send a raw report (the bytes after the report id)"}},
};

#undef OP

}  // namespace

const std::vector<Command>& Commands() { return kCommands; }

const Command* FindCommand(const std::string& name) {
    for (const Command& c : kCommands) {
        const char* n = c.name;
        size_t i = 0;
        for (; i < name.size() && n[i]; ++i)
            if (std::tolower(static_cast<unsigned char>(name[i])) != std::tolower(static_cast<unsigned char>(n[i])))
                break;
        if (i == name.size() && n[i] == 0) return &c;
    }
    return nullptr;
}

std::string Usage(const Command& c) {
    std::string u = c.name;
    for (const ArgSpec& a : c.args) u += " " + ArgForm(a);
    return u;
}

void PrintHelp(std::ostream& os, int lang) {
    os << Tr{"用法", "usage"}.in(lang) << ": udare-ctl [OPTIONS] COMMAND [ARG...]\n\n"
       << Tr{"选项", "options"}.in(lang) << ":\n";
    for (const OptionDoc& o : GlobalOptions()) {
        std::string f = o.form;
        os << "  " << f << std::string(f.size() < 25 ? 25 - f.size() : 1, ' ') << o.help.in(lang) << '\n';
    }
    os << '\n'
       << Tr{"命令", "commands"}.in(lang) << ":\n";
    for (const Command& c : kCommands) {
        std::string u = Usage(c);
        os << "  " << u;
        if (u.size() < 44) os << std::string(44 - u.size(), ' ');
        else os << "\n  " << std::string(44, ' ');
        os << "  " << c.help.in(lang) << '\n';
    }
    os << "\n"
       << "  EQ     " << KindChoices(Kind::Eq) << "\n"
       << "  OUT    " << KindChoices(Kind::Out) << "\n"
       << "  SOURCE " << KindChoices(Kind::Source) << "\n"
       << "  SIDE   " << KindChoices(Kind::Side) << "\n"
       << "  TYPE   " << Tr{"0 关, 1 PEQ, 2 LP, 3 HP, 4 LS, 5 HS, 6-21 分频段", "0 off, 1 PEQ, 2 LP, 3 HP, 4 LS, 5 HS, 6-21 crossover sections"}.in(lang) << "\n\n"
       << Tr{"--simulate 的选项", "options of --simulate"}.in(lang) << ":\n"
       << sim::simOptionsHelp();
}

bool ParseCommand(const Command& c, const std::vector<std::string>& tokens, std::vector<Value>& v,
                  std::string& error, int lang) {
    std::string why;
    if (!ParseArgs(c.args, tokens, v, why, lang)) {
        error = format("%s: %s (%s: %s)", c.name, why.c_str(), Tr{"用法", "usage"}.in(lang), Usage(c).c_str());
        return false;
    }
    if (c.check) {
        why = c.check(v, lang);
        if (!why.empty()) {
            error = format("%s: %s (%s: %s)", c.name, why.c_str(), Tr{"用法", "usage"}.in(lang), Usage(c).c_str());
            return false;
        }
    }
    return true;
}

int RunParsed(Session& s, const Command& c, const std::vector<Value>& v, int line) {
    if (c.needs == Needs::Unit) {
        if (int rc = s.connect()) return rc;
        if (s.unitLost()) return s.checkAnswering();
    }
    if (dependsOnProtocol(c, v)) {
        // Until the unit has told its protocol the mirror assumes the latest,
        // and an older unit would get an image, sections or delays it lacks.
        if (int rc = s.knowUnit()) return rc;
        if (c.notHeld) {
            const std::string note = c.notHeld(v, s.st, s.lang());
            if (!note.empty() && line > 0)
                s.fail(format(s.t({"第 %d 行: %s: %s", "line %d: %s: %s"}), line, c.name, note.c_str()));
            else if (!note.empty())
                s.fail(format("%s: %s", c.name, note.c_str()));
        }
    }
    int rc = c.run(s, v);
    if (s.interrupted() && c.run != cmdMeter && rc == EXIT_OK) {
        s.fail(s.t({"已中断", "interrupted"}));
        rc = EXIT_FAILED;
    }
    if (c.needs == Needs::Unit && s.connected()) {
        if (c.expectsReply) {
            if (int a = s.checkAnswering()) return a;
        } else if (s.unitLost()) {
            return s.checkAnswering();
        }
    }
    return rc;
}

int Execute(Session& s, const Command& c, const std::vector<std::string>& tokens) {
    std::vector<Value> v;
    std::string error;
    if (!ParseCommand(c, tokens, v, error, s.lang())) {
        s.fail(error);
        return EXIT_USAGE;
    }
    return RunParsed(s, c, v);
}

namespace {

// Lines of a command file: words split at blanks, '#' to the end ignored.
bool readScript(Session& s, const std::string& path, std::vector<std::pair<int, std::vector<std::string>>>& lines,
                std::vector<std::string>& texts) {
    std::ifstream file;
    std::istream* is = &std::cin;
    if (path != "-") {
        file.open(path);
        if (!file || std::filesystem::is_directory(path)) {
            s.fail(format(s.t({"无法读取 %s", "cannot read %s"}), path.c_str()));
            return false;
        }
        is = &file;
    }
    std::string line;
    int number = 0;
    while (std::getline(*is, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();  // a file saved with CRLF
        texts.push_back(line);
        const size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string x; words >> x;) w.push_back(x);
        if (!w.empty()) lines.emplace_back(number, std::move(w));
    }
    if (is->bad()) {
        s.fail(format(s.t({"读取 %s 时出错", "error reading %s"}), path.c_str()));
        return false;
    }
    return true;
}

int cmdRun(Session& s, const V& v) {
    std::vector<std::pair<int, std::vector<std::string>>> lines;
    std::vector<std::string> texts;
    if (!readScript(s, v[0].s, lines, texts)) return EXIT_FAILED;
    const char* where = s.t({"第 %d 行: %s", "line %d: %s"});
    // Every line is checked before anything is sent, so a typo at the end
    // does not leave the unit half-changed.
    std::vector<std::pair<const Command*, std::vector<Value>>> parsed;
    for (const auto& [number, words] : lines) {
        const Command* c = FindCommand(words[0]);
        std::string error;
        if (!c) {
            error = format(s.t({"未知命令 '%s'", "unknown command '%s'"}), words[0].c_str());
        } else if (c->run == cmdRun) {
            error = s.t({"run 不能嵌套", "run cannot be nested"});
        } else {
            std::vector<Value> args;
            if (ParseCommand(*c, {words.begin() + 1, words.end()}, args, error, s.lang()))
                parsed.emplace_back(c, std::move(args));
        }
        if (!error.empty()) {
            s.fail(format(where, number, error.c_str()));
            return EXIT_USAGE;
        }
    }
    // One identity read serves the whole script, and comes first: a unit that
    // is not ours is refused before any line has written to it. A first line
    // that reads the identity itself makes it; the model is judged right after
    // it, since info and ReadAll run on any model.
    const bool onProtocol = std::any_of(parsed.begin(), parsed.end(),
                                        [](const auto& p) { return dependsOnProtocol(*p.first, p.second); });
    const bool firstReads = parsed.front().first->readsIdentity;
    if (onProtocol && !firstReads)
        if (int rc = s.knowUnit()) return rc;
    for (size_t i = 0; i < parsed.size(); ++i) {
        int rc = RunParsed(s, *parsed[i].first, parsed[i].second, lines[i].first);
        if (rc == EXIT_OK && i == 0 && onProtocol && firstReads) rc = s.knowUnit();
        if (rc != EXIT_OK) {
            const int number = lines[i].first;
            s.fail(format(where, number, texts[static_cast<size_t>(number - 1)].c_str()));
            return rc;
        }
    }
    return EXIT_OK;
}

}  // namespace

}  // namespace udare::cli
