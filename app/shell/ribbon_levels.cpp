#include "shell/ribbon_levels.h"

#include <QSlider>

#include "protocol/commands.h"
#include "protocol/context.h"
#include "protocol/slots.h"
#include "shell/commands.h"
#include "shell/lang.h"
#include "shell/ribbon.h"
#include "ui/undo.h"

namespace udare::shell {

using namespace cmd;

namespace {

constexpr int kFbcPanel = 3;
constexpr int kPitchPanel = 4;

struct LevelInfo {
    Level level;
    int inSlider, outSlider;
    int inLabel, outLabel;  // 0 for the two that caption a panel
    const char* zh;
    const char* en;
    int slot;
    const char* stepZh;  // the level's name in the undo entries
    const char* stepEn;
};

// The blanks inside the English prefixes line the numbers up on the ribbon.
const LevelInfo kLevels[] = {
    {Level::MicVolume, ID_SLIDER_MICVOL, ID_SLIDER_MICVOL_OUT, ID_LABEL_MICVOL,
     ID_LABEL_MICVOL_OUT, "话筒音量:", "Mic   Vol:", slot::micVolume, "话筒音量", "Mic volume"},
    {Level::EffectVolume, ID_SLIDER_EFXVOL, ID_SLIDER_EFXVOL_OUT, ID_LABEL_EFXVOL,
     ID_LABEL_EFXVOL_OUT, "效果音量:", "Efx     Vol:", slot::effectVolume, "效果音量", "Effect volume"},
    {Level::MusicVolume, ID_SLIDER_MUSICVOL, ID_SLIDER_MUSICVOL_OUT, ID_LABEL_MUSICVOL,
     ID_LABEL_MUSICVOL_OUT, "音乐 音量:", "Music Vol:", slot::musicVolume, "音乐音量", "Music volume"},
    {Level::MicGate, ID_SLIDER_NOISEGATE, ID_SLIDER_NOISEGATE_OUT, ID_LABEL_NOISEGATE,
     ID_LABEL_NOISEGATE_OUT, "话筒噪声门:", "Mic         NG:", slot::micGateThreshold, "话筒噪声门", "Mic noise gate"},
    {Level::MusicGate, ID_SLIDER_MUSICNG, ID_SLIDER_MUSICNG_OUT, ID_LABEL_MUSICNG,
     ID_LABEL_MUSICNG_OUT, "音乐噪声门:", "Music     NG:", slot::musicGateThreshold, "音乐噪声门", "Music noise gate"},
    {Level::FbcShift, ID_SLIDER_FBC, ID_SLIDER_FBC_OUT, 0, 0, "反馈移频:", "FBC:", slot::fbcShift, "反馈移频", "FBC"},
    {Level::Pitch, ID_SLIDER_PITCH, ID_SLIDER_PITCH_OUT, 0, 0, "音乐变调:", "Music Pitch:",
     slot::musicPitch, "音乐变调", "Music pitch"},
};

const LevelInfo* findLevel(int sliderId) {
    for (const LevelInfo& l : kLevels)
        if (l.inSlider == sliderId || l.outSlider == sliderId) return &l;
    return nullptr;
}

const LevelInfo& info(Level level) { return kLevels[static_cast<int>(level)]; }

const char* const kInputZh = "输入控制";
const char* const kInputEn = "Input";
const char* const kOutputZh = "输出调节";
const char* const kOutputEn = "Output";

QString activeName(const Ribbon& r) {
    const RibbonCategory* c = r.activeCategory();
    return c ? c->name() : QString();
}

int sliderValue(const Ribbon& r, int id) {
    const QSlider* s = r.slider(id);
    return s ? s->value() : 0;
}

// The slider of id on the active category, or its twin there.
QSlider* activeSlider(const Ribbon& r, const LevelInfo& l) {
    const bool out = isOutputCategory(activeName(r));
    return r.slider(out ? l.outSlider : l.inSlider);
}

void renamePanel(Ribbon& r, int index, const QString& caption) {
    RibbonCategory* c = r.activeCategory();
    if (!c || !c->panel(index)) return;
    c->panel(index)->setCaption(caption);
    r.recalcLayout();
}

void setTwins(Ribbon& r, const LevelInfo& l, int value) {
    r.setSliderValue(l.inSlider, value);
    r.setSliderValue(l.outSlider, value);
}

void setLabels(Ribbon& r, const LevelInfo& l, int value) {
    const QString text = levelCaption(l.level, value);
    r.setElementText(l.inLabel, text);
    r.setElementText(l.outLabel, text);
}

}  // namespace

QString levelCaption(Level level, int value) {
    const LevelInfo& l = info(level);
    return T(l.zh, l.en) + QStringLiteral("%1").arg(value, 3);
}

QString fbcCaption(int step, bool afterRefresh) {
    const QString prefix = afterRefresh ? T("反馈移频:", "MIC FBC:") : T("反馈移频:", "FBC:");
    if (step == 1) return prefix + QStringLiteral("OFF");
    return prefix + QStringLiteral("%1Hz").arg(step);
}

QString pitchCaption(int semitones) {
    return T("音乐变调:", "Music Pitch:") + QString::asprintf("%+d", semitones);
}

bool isLevelCategory(const QString& name, bool ignoreCase) {
    const Qt::CaseSensitivity cs = ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    for (const char* n : {kInputZh, kInputEn, kOutputZh, kOutputEn})
        if (name.compare(QString::fromUtf8(n), cs) == 0) return true;
    return false;
}

bool isOutputCategory(const QString& name) {
    return name == QString::fromUtf8(kOutputZh) || name == QString::fromUtf8(kOutputEn);
}

RibbonLevels::RibbonLevels(RibbonFn ribbon, CtxFn ctx)
    : ribbon_(std::move(ribbon)), ctx_(std::move(ctx)) {}

bool RibbonLevels::isLevelSlider(int id) { return findLevel(id) != nullptr; }

bool RibbonLevels::isMuteCheck(int id) {
    return id == ID_CHK_MUTE1 || id == ID_CHK_MUTE1_OUT || id == ID_CHK_MUTE4 ||
           id == ID_CHK_MUTE4_OUT;
}

void RibbonLevels::sliderCommand(int id) {
    const LevelInfo* l = findLevel(id);
    Ribbon* r = ribbon_ ? ribbon_() : nullptr;
    Ctx* c = ctx_ ? ctx_() : nullptr;
    if (!l || !r || !c) return;
    const QString category = activeName(*r);
    const bool panelCaption = l->level == Level::FbcShift || l->level == Level::Pitch;
    if (panelCaption && !isLevelCategory(category)) return;

    // The active category's slider counts; the other twin follows it.
    int value = sliderValue(*r, isOutputCategory(category) ? l->outSlider : l->inSlider);
    setTwins(*r, *l, value);

    const ui::StepLabel label{QString::fromUtf8(l->stepZh), QString::fromUtf8(l->stepEn)};
    ui::recordEdit(undo_, QStringLiteral("level:%1").arg(static_cast<int>(l->level)), label, {}, [&] {
        switch (l->level) {
        case Level::MicVolume:
            SetMicVolume(*c, value);
            // Turning the volume brings the microphones back.
            if (c->st.slotInt(slot::micMute) == 1) SetMicMute(*c, 0);
            break;
        case Level::EffectVolume:
            SetEffectVolume(*c, value);
            break;
        case Level::MusicVolume:
            SetMusicVolume(*c, value);
            if (c->st.slotInt(slot::musicMute) == 1) SetMusicMute(*c, 0);
            break;
        case Level::MicGate:
            SetMicGateThreshold(*c, value);
            break;
        case Level::MusicGate:
            SetMusicGateThreshold(*c, value);
            break;
        case Level::FbcShift:
            SetFbcShift(*c, value);
            break;
        case Level::Pitch:
            SetMusicPitch(*c, value);
            break;
        }
    });

    if (l->level == Level::FbcShift) {
        renamePanel(*r, kFbcPanel, fbcCaption(value, false));
    } else if (l->level == Level::Pitch) {
        renamePanel(*r, kPitchPanel, pitchCaption(value));
    } else {
        setLabels(*r, *l, value);
    }
    showMutes(*r, *c);
}

void RibbonLevels::checkCommand(int id) {
    Ribbon* r = ribbon_ ? ribbon_() : nullptr;
    Ctx* c = ctx_ ? ctx_() : nullptr;
    if (!r || !c) return;
    if (id == ID_CHK_MUTE1 || id == ID_CHK_MUTE1_OUT) {
        ui::recordEdit(undo_, QStringLiteral("mute:mic"), {QString::fromUtf8("话筒静音"), QStringLiteral("Mic mute")},
                       {}, [c] { SetMicMute(*c, c->st.slotInt(slot::micMute) == 1 ? 0 : 1); });
    } else if (id == ID_CHK_MUTE4 || id == ID_CHK_MUTE4_OUT) {
        ui::recordEdit(undo_, QStringLiteral("mute:music"),
                       {QString::fromUtf8("音乐静音"), QStringLiteral("Music mute")}, {},
                       [c] { SetMusicMute(*c, c->st.slotInt(slot::musicMute) == 1 ? 0 : 1); });
    } else {
        return;
    }
    showMutes(*r, *c);
}

void RibbonLevels::showMutes(Ribbon& r, Ctx& c) {
    const bool mic = c.st.slotInt(slot::micMute) == 1;
    const bool music = c.st.slotInt(slot::musicMute) == 1;
    r.setChecked(ID_CHK_MUTE1, mic);
    r.setChecked(ID_CHK_MUTE1_OUT, mic);
    r.setChecked(ID_CHK_MUTE4, music);
    r.setChecked(ID_CHK_MUTE4_OUT, music);
}

void RibbonLevels::refresh() {
    Ribbon* r = ribbon_ ? ribbon_() : nullptr;
    Ctx* c = ctx_ ? ctx_() : nullptr;
    if (!r || !c) return;
    for (Level lv : {Level::MicVolume, Level::EffectVolume, Level::MusicVolume, Level::MicGate,
                     Level::MusicGate}) {
        const LevelInfo& l = info(lv);
        const int v = c->st.slotInt(l.slot);
        setTwins(*r, l, v);
        setLabels(*r, l, v);
    }
    showMutes(*r, *c);
    if (!isLevelCategory(activeName(*r))) return;

    const int step = c->st.slotInt(slot::fbcOff) == 1 ? 1 : c->st.slotInt(slot::fbcShift);
    setTwins(*r, info(Level::FbcShift), step);
    renamePanel(*r, kFbcPanel, fbcCaption(step, true));
    const int pitch = c->st.slotInt(slot::musicPitch);
    setTwins(*r, info(Level::Pitch), pitch);
    renamePanel(*r, kPitchPanel, pitchCaption(pitch));
}

bool RibbonLevels::wheel(const QPoint& globalPos, int delta) {
    Ribbon* r = ribbon_ ? ribbon_() : nullptr;
    if (!r || !isLevelCategory(activeName(*r), true)) return false;
    RibbonCategory* cat = r->activeCategory();

    // The three volume panels count as a whole; the other levels only over
    // their sliders.
    const LevelInfo* hit = nullptr;
    const Level panels[3] = {Level::MicVolume, Level::EffectVolume, Level::MusicVolume};
    for (int i = 0; i < 3 && !hit; ++i)
        if (cat->panel(i) && r->globalRect(cat->panel(i)).contains(globalPos)) hit = &info(panels[i]);
    for (Level lv : {Level::MicGate, Level::MusicGate, Level::FbcShift, Level::Pitch}) {
        if (hit) break;
        if (r->globalRect(activeSlider(*r, info(lv))).contains(globalPos)) hit = &info(lv);
    }
    // A turn too small to count moves nothing but is still the ribbon's.
    if (!hit || delta == 0) return true;

    const int step = delta > 0 ? 1 : -1;
    // Input first, then the Output twin; each runs the slider command, which
    // puts both twins back on the active one, so the value moves by one.
    r->setSliderValue(hit->inSlider, sliderValue(*r, hit->inSlider) + step);
    sliderCommand(hit->inSlider);
    r->setSliderValue(hit->outSlider, sliderValue(*r, hit->outSlider) + step);
    sliderCommand(hit->outSlider);
    return true;
}

}  // namespace udare::shell
