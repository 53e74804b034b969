// The upper area of the tuning panel: the effect list with its slider and
// value box, the echo and reverb EQ previews, the output mix levels, the
// delays and the output compressor. The panel calls these from its page
// layout, its full refresh, its relabelling and its input routing.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

#include <algorithm>

#include "compress_panel.h"
#include "control_support.h"
#include "panel/dialog_music.h"
#include "protocol/codec.h"
#include "protocol/commands.h"
#include "protocol/context.h"
#include "protocol/equalisers.h"
#include "report_ctrl.h"
#include "shell/lang.h"
#include "small_eq_panel.h"
#include "xbmp_slider.h"

namespace udare::panel {

using controls::CCompressPanelPlus;
using controls::CReportCtrl;
using controls::CSmallEqPanel;
using controls::CXBmpSlider;
using controls::Format;
using shell::T;

namespace {

// ---- effect list ----

enum class ValueText { Percent, Ms, ReverbTime };

struct EffectRow {
    const char* zh;
    const char* en;
    int minimum, maximum;
    ValueText text;
};

constexpr int kEffectRows = 8;
// Levels and the reverb time span their slots; a pre-delay is the total of
// its two halves. The echo time, start level and decay have narrower sliders
// of their own.
const EffectRow kEffects[kEffectRows] = {
    {"混响电平", "Reverb Level", positionLo(slot::reverbVolume), positionHi(slot::reverbVolume), ValueText::Percent},
    {"混响预延时", "Reverb Predelay", positionLo(slot::reverbPreDelayA, 2), positionHi(slot::reverbPreDelayA, 2),
     ValueText::Ms},
    {"混响时长", "Reverb Time", positionLo(slot::reverbTime), positionHi(slot::reverbTime), ValueText::ReverbTime},
    {"回声电平", "Echo Level", positionLo(slot::echoVolume), positionHi(slot::echoVolume), ValueText::Percent},
    {"回声预延时", "Echo Predelay", positionLo(slot::echoPreDelayA, 2), positionHi(slot::echoPreDelayA, 2),
     ValueText::Ms},
    {"回声间隔", "Echo Time", 180, 260, ValueText::Ms},
    {"回声起始音量", "Echo Start Vol", 40, 100, ValueText::Percent},
    {"音量衰减比例", "Echo Vol Decay", 20, 90, ValueText::Percent},
};

const QColor kListBack(0x1E, 0x1E, 0x19);
const QColor kReverbRows(0x3F, 0xDC, 0x59);
const QColor kEchoRows(0xFA, 0xBA, 0x48);
const QColor kGrey(0x64, 0x64, 0x64);
const QColor kPreviewLine(0x00, 0xC8, 0xFF);

QString effectText(int row, int v) {
    switch (kEffects[row].text) {
        case ValueText::Percent: return Format("%d%%", v);
        case ValueText::Ms: return Format("%dms", v);
        case ValueText::ReverbTime: return Format("%.0fms", reverbTimeMs(v));
    }
    return {};
}

// What a row shows, from DeviceState.
int effectValue(const DeviceState& st, int row) {
    auto sum = [&st](int a, int b) { return truncToInt(st.slotFloat(a) + st.slotFloat(b)); };
    switch (row) {
        case 0: return st.slotInt(slot::reverbVolume);
        case 1: return sum(slot::reverbPreDelayA, slot::reverbPreDelayB);
        case 2: return truncToInt(st.slotFloat(slot::reverbTime));
        case 3: return st.slotInt(slot::echoVolume);
        case 4: return sum(slot::echoPreDelayA, slot::echoPreDelayB);
        case 5: return truncToInt(st.slotFloat(slot::echoTapDelay0));
        case 6: return truncToInt(st.slotFloat(slot::echoTapLevel0));
        case 7: return st.slotInt(slot::echoRatio);
    }
    return 0;
}

void writeEffect(Ctx& c, int row, int v) {
    switch (row) {
        case 0: SetReverbVolume(c, v); break;
        case 1: SetReverbPreDelay(c, float(v)); break;
        case 2: SetReverbTime(c, v); break;
        case 3: SetEchoVolume(c, v); break;
        case 4: SetEchoPreDelay(c, float(v)); break;
        case 5: SetEchoInterval(c, float(v)); break;
        case 6: SetEchoStartLevel(c, v); break;
        case 7: SetEchoDecay(c, v); break;
    }
}

// ---- output pages ----

bool isOutputPage(int page) { return page >= PAGE_MAIN && page <= PAGE_SUB; }
int outputGroup(int page) { return eqInfo(PageEqualiser(page)).group; }

// One mix slider of one output page: the slot offsets it writes, in order,
// and the one it shows.
struct MixRow {
    const char* zh;
    const char* en;
    int writes[3];
    int count;
    int shown;
};
constexpr MixRow kNoMix = {"", "", {0, 0, 0}, 0, -1};
const MixRow kMixes[4][4] = {
    {{"主输出音量", "Main Vol", {OUT_VOLUME}, 1, OUT_VOLUME},
     {"主输出话筒音量", "Main Mic", {OUT_MIC_LEVEL, OUT_ECHO_LEVEL, OUT_REVERB_LEVEL}, 3, OUT_MIC_LEVEL},
     {"主输出音乐音量", "Main Music", {OUT_MUSIC_LEVEL}, 1, OUT_MUSIC_LEVEL},
     kNoMix},
    {{"后置音量", "Rear Vol", {OUT_VOLUME}, 1, OUT_VOLUME},
     {"后置话筒音量", "Rear Mic", {OUT_MIC_LEVEL, OUT_ECHO_LEVEL, OUT_REVERB_LEVEL}, 3, OUT_MIC_LEVEL},
     {"后置音乐音量", "Rear Music", {OUT_MUSIC_LEVEL}, 1, OUT_MUSIC_LEVEL},
     kNoMix},
    {{"中置总音量", "CEN Vol", {OUT_VOLUME}, 1, OUT_VOLUME},
     {"中置直达音量", "CEN Direct", {OUT_MIC_LEVEL}, 1, OUT_MIC_LEVEL},
     {"中置效果音量", "Cen Efx", {OUT_ECHO_LEVEL, OUT_REVERB_LEVEL}, 2, OUT_REVERB_LEVEL},
     {"中置音乐音量", "Cen Music", {OUT_MUSIC_LEVEL}, 1, OUT_MUSIC_LEVEL}},
    {{"超低总音量", "SUB Vol", {OUT_VOLUME}, 1, OUT_VOLUME},
     {"超低直达音量", "SUB Direct", {OUT_MIC_LEVEL}, 1, OUT_MIC_LEVEL},
     {"超低效果音量", "SUB Efx", {OUT_ECHO_LEVEL, OUT_REVERB_LEVEL}, 2, OUT_REVERB_LEVEL},
     {"超低音乐音量", "SUB Music", {OUT_MUSIC_LEVEL}, 1, OUT_MUSIC_LEVEL}},
};

void writeMix(Ctx& c, int group, int offset, int v) {
    if (offset == OUT_VOLUME) {
        SetOutputVolume(c, group, v);
        return;
    }
    constexpr Source kSources[4] = {Source::Mic, Source::Echo, Source::Reverb, Source::Music};
    SetOutputLevel(c, group, kSources[offset], v);
}

// The blanks are the unit's own captions: one in "中置 延时", two in "Cen  Delay".
struct DelayCaption {
    const char* zh;
    const char* en;
};
const DelayCaption kDelayCaptions[4][2] = {
    {{"主输出左延时", "Main.L Delay"}, {"主输出右延时", "Main.R Delay"}},
    {{"后置左延时", "Rear.L Delay"}, {"后置右延时", "Rear.R Delay"}},
    {{"中置 延时", "Cen  Delay"}, {"中置 延时", "Cen  Delay"}},
    {{"超低 延时", "Sub  Delay"}, {"超低 延时", "Sub  Delay"}},
};

// Tenths of a millisecond.
constexpr int kDelayMin = positionLo(slot::mainDelayLeft, 10), kDelayMax = positionHi(slot::mainDelayLeft, 10);
// The mix sliders: levels and volumes of an output share one range.
constexpr int kMixMin = positionLo(outputSlot(GROUP_MAIN, OUT_VOLUME)), kMixMax = positionHi(outputSlot(GROUP_MAIN, OUT_VOLUME));

// ---- compressor ----

struct CompSlider {
    int minimum, maximum, start;
};
// Threshold in dB, ratio in tenths, attack and release in ms.
constexpr int mainComp(int offset) { return outputSlot(GROUP_MAIN, offset); }
constexpr CompSlider kComp[4] = {
    {positionLo(mainComp(COMP_THRESHOLD)), positionHi(mainComp(COMP_THRESHOLD)), 0},
    {positionLo(mainComp(COMP_RATIO), 10), positionHi(mainComp(COMP_RATIO), 10), 10},
    {positionLo(mainComp(COMP_ATTACK)), positionHi(mainComp(COMP_ATTACK)), 1},
    {positionLo(mainComp(COMP_RELEASE)), positionHi(mainComp(COMP_RELEASE)), 100},
};

// Captions of the compressor are longer in English than their template
// boxes: the text gets smaller (never below 8 pixels) until it fits.
void fitCaption(QLabel* l, int basePixels) {
    QFont f = l->font();
    f.setPixelSize(basePixels);
    l->setFont(f);
    while (l->sizeHint().width() > l->width() && f.pixelSize() > 8) {
        f.setPixelSize(f.pixelSize() - 1);
        l->setFont(f);
    }
}

// A stored ratio of 0 or less would draw an infinite slope: drawn as 1:1.
float slopeOf(float ratio) { return ratio > 0.0f ? 1.0f / ratio : 1.0f; }

// What the curve shows, for a screen reader: threshold, ratio, and OFF.
void describeCurve(CCompressPanelPlus* curve) {
    QString d = Format("%.0fdB %.1f:1", double(curve->threshold),
                       curve->upperSlope > 0.0f ? 1.0 / curve->upperSlope : 1.0);
    if (!curve->enabled) d += QStringLiteral(" OFF");
    curve->setAccessibleDescription(d);
    curve->update();
}

}  // namespace

// Initialisation and relabelling: the effect list's columns and rows.
void CDialogMusic::buildEffectList() {
    auto* list = controlAs<CReportCtrl>(id::kEffectList);
    list->DeleteAllItems();
    while (list->columnCount() > 0) list->DeleteColumn(0);
    list->InsertColumn(0, T("", " "), Qt::AlignHCenter, 25);
    list->InsertColumn(1, T("参数名", "Parameter name"), Qt::AlignLeft, 92);
    list->InsertColumn(2, T("参数值", "Value"), Qt::AlignHCenter, 60);
    for (int r = 0; r < kEffectRows; ++r) {
        list->InsertItem(r, Format("%d", r + 1));
        list->SetItemText(r, 1, T(kEffects[r].zh, kEffects[r].en));
        list->SetItemText(r, 2, QStringLiteral("0"));
    }
    list->SetBackgroundColour(kListBack);
    list->SetItemBkColor(-1, -1, kListBack);
    list->DisableHeaderSorting();
    list->setAccessibleName(T("效果参数", "Effect parameters"));
}

// Initialisation: ranges and start positions of sliders 1052-1061 and 1212.
void CDialogMusic::initUpperSliders() {
    controlAs<CXBmpSlider>(id::kEffectSlider)->SetRange(kEffects[0].minimum, kEffects[0].maximum);
    for (int k = 0; k < 4; ++k) controlAs<CXBmpSlider>(id::kMixSlider0 + k)->SetRange(kMixMin, kMixMax);
    for (int k = 0; k < 4; ++k) {
        auto* s = controlAs<CXBmpSlider>(id::kCompSlider0 + k);
        s->SetRange(kComp[k].minimum, kComp[k].maximum);
        s->SetPosition(kComp[k].start);
    }
    for (int cid : {id::kDelaySliderL, id::kDelaySliderR})
        controlAs<CXBmpSlider>(cid)->SetRange(kDelayMin, kDelayMax);
    // Set once: the curve shows no lower knee.
    auto* curve = controlAs<CCompressPanelPlus>(id::kCompCurve);
    curve->lowerKnee = -90.0f;
    curve->lowerSlope = 1.0f;
    // Display only: typed text would never be applied.
    controlAs<QLineEdit>(id::kEffectValue)->setReadOnly(true);
    // Room for "100.0ms" and "1000ms": the boxes reach towards the free space on their right.
    for (int cid : {id::kDelayValueL, id::kDelayValueR}) {
        const QRect r = control(cid)->geometry();
        control(cid)->setGeometry(QRect(r.topLeft(), QSize(DluRect(621, 0, 40, 9).width(), r.height())));
    }
    for (int k = 0; k < 4; ++k) {
        QWidget* v = control(id::kCompValue0 + 2 * k);
        v->setGeometry(QRect(v->geometry().topLeft(), QSize(DluRect(331, 0, 31, 9).width(), v->height())));
    }
}

// Page layout: the effect list, its slider and the previews accept input on
// the MIC page only and are greyed on the MUSIC page.
void CDialogMusic::enableEffectArea(bool enabled) {
    auto* slider = controlAs<CXBmpSlider>(id::kEffectSlider);
    slider->SetEnabled(enabled);
    // Disabled for Qt too: the wheel must not reach it either.
    slider->setEnabled(enabled);
    for (int cid : {id::kEffectList, id::kEffectValue, id::kEchoPreview, id::kReverbPreview})
        control(cid)->setEnabled(enabled);
}

// Full refresh, in the panel's order.
void CDialogMusic::refreshMix() {
    if (!isOutputPage(page_)) return;
    const int group = outputGroup(page_);
    for (int k = 0; k < 4; ++k) {
        const MixRow& m = kMixes[page_ - PAGE_MAIN][k];
        if (m.shown < 0) continue;
        const int v = ctx_.st.slotInt(outputSlot(group, m.shown));
        controlAs<CXBmpSlider>(id::kMixSlider0 + k)->SetPosition(std::clamp(v, kMixMin, kMixMax));
        controlAs<QLabel>(id::kMixValue0 + 2 * k)->setText(Format("%d", v));
    }
}

void CDialogMusic::refreshEffects() {
    auto* list = controlAs<CReportCtrl>(id::kEffectList);
    for (int r = 0; r < kEffectRows; ++r) list->SetItemText(r, 2, effectText(r, effectValue(ctx_.st, r)));
    controlAs<QLineEdit>(id::kEffectValue)->setText(list->ItemText(effectRow_, 2));
    controlAs<CXBmpSlider>(id::kEffectSlider)->SetPosition(effectValue(ctx_.st, effectRow_));
    // The list's colours.
    for (int r = 0; r < kEffectRows; ++r)
        list->SetItemTextColor(r, -1, page_ == PAGE_MUSIC ? kGrey : r < 3 ? kReverbRows : kEchoRows);
}

void CDialogMusic::refreshPreviews() {
    struct Preview {
        int control;
        Eq eq;
        int bypassSlot;
    };
    for (const Preview& p : {Preview{id::kEchoPreview, Eq::Echo, slot::echoEqBypass},
                             Preview{id::kReverbPreview, Eq::Reverb, slot::reverbEqBypass}}) {
        auto* view = controlAs<CSmallEqPanel>(p.control);
        view->pass = ctx_.st.slotInt(p.bypassSlot) != 0;
        for (int i = 0; i < eqInfo(p.eq).bands && i < controls::kSmallEqBands; ++i) {
            const EqBandValue b = readBand(ctx_.st, p.eq, i);
            controls::SmallEqBand& band = view->bands[static_cast<size_t>(i)];
            band.type = b.type > 5 ? 0 : b.type;
            if (band.type == 1) band.q = 1.41f;
            if (band.type == 2 || band.type == 3) {
                band.gain = 0.0f;
                band.q = 0.7f;
            }
            view->SetBandGain(b.gainDb, i);
            view->SetBandFrequency(float(b.freqHz), i);
            if (b.q != 0.0f) {
                band.q = std::clamp(b.q, band.type == 1 ? 1.0f : 0.1f, 30.0f);
                view->RecomputeBand(i);
            }
        }
        view->lineColour = page_ == PAGE_MUSIC ? kGrey : kPreviewLine;
        view->update();
    }
}

void CDialogMusic::refreshOutputCaptions() {
    const bool out = isOutputPage(page_);
    for (int k = 0; k < 4; ++k) {
        const MixRow& m = out ? kMixes[page_ - PAGE_MAIN][k] : kNoMix;
        controlAs<QLabel>(id::kMixLabel0 + 2 * k)->setText(T(m.zh, m.en));
    }
    if (!out) return;
    const DelayCaption* d = kDelayCaptions[page_ - PAGE_MAIN];
    controlAs<QCheckBox>(id::kDelaySwitchL)->setText(T(d[0].zh, d[0].en));
    controlAs<QCheckBox>(id::kDelaySwitchR)->setText(T(d[1].zh, d[1].en));
}

void CDialogMusic::refreshCompressor() {
    if (!isOutputPage(page_)) return;
    const int group = outputGroup(page_);
    const DeviceState& st = ctx_.st;
    const bool on = st.slotInt(outputSlot(group, COMP_BYPASS)) == 0;
    const float thr = st.slotFloat(outputSlot(group, COMP_THRESHOLD));
    const float ratio = st.slotFloat(outputSlot(group, COMP_RATIO));
    const float attack = st.slotFloat(outputSlot(group, COMP_ATTACK));
    const float release = st.slotFloat(outputSlot(group, COMP_RELEASE));
    {
        const QSignalBlocker quiet(control(id::kCompSwitch));
        controlAs<QCheckBox>(id::kCompSwitch)->setChecked(on);
    }
    const int positions[4] = {truncToInt(thr), truncToInt(ratio * 10.0f), truncToInt(attack),
                              truncToInt(release)};
    for (int k = 0; k < 4; ++k)
        controlAs<CXBmpSlider>(id::kCompSlider0 + k)
            ->SetPosition(std::clamp(positions[k], kComp[k].minimum, kComp[k].maximum));
    controlAs<QLabel>(id::kCompValue0)->setText(Format("%.0fdB", double(thr)));
    controlAs<QLabel>(id::kCompValue0 + 2)->setText(Format("%.1f:1", double(ratio)));
    controlAs<QLabel>(id::kCompValue0 + 4)->setText(Format("%.0fms", double(attack)));
    controlAs<QLabel>(id::kCompValue0 + 6)->setText(Format("%.0fms", double(release)));
    auto* curve = controlAs<CCompressPanelPlus>(id::kCompCurve);
    curve->enabled = on;
    curve->threshold = thr;
    curve->upperSlope = slopeOf(ratio);
    describeCurve(curve);
}

void CDialogMusic::refreshDelays() {
    if (!isOutputPage(page_)) return;
    const int group = outputGroup(page_);
    struct DelayRow {
        Side side;
        int sw, slider, value;
    };
    for (const DelayRow& s : {DelayRow{Side::Left, id::kDelaySwitchL, id::kDelaySliderL, id::kDelayValueL},
                           DelayRow{Side::Right, id::kDelaySwitchR, id::kDelaySliderR, id::kDelayValueR}}) {
        const int onSlot = outputDelayOnSlot(group, s.side);
        const int timeSlot = outputDelaySlot(group, s.side);
        const bool on = onSlot >= 0 && ctx_.st.slotInt(onSlot) != 0;
        const float ms = timeSlot >= 0 ? ctx_.st.slotFloat(timeSlot) : 0.0f;
        {
            const QSignalBlocker quiet(control(s.sw));
            controlAs<QCheckBox>(s.sw)->setChecked(on);
        }
        controlAs<CXBmpSlider>(s.slider)->SetPosition(std::clamp(truncToInt(ms * 10.0f), kDelayMin, kDelayMax));
        controlAs<QLabel>(s.value)->setText(Format("%.1fms", double(ms)));
    }
}

QString CDialogMusic::captionIn(int captionCid, int language) const {
    auto pick = [language](const char* zh, const char* en) {
        return QString::fromUtf8(language == 1 ? en : zh);
    };
    if (captionCid == id::kEffectFrame)
        return pick(kEffects[effectRow_].zh, kEffects[effectRow_].en);
    if (isOutputPage(page_)) {
        for (int k = 0; k < 4; ++k) {
            const MixRow& m = kMixes[page_ - PAGE_MAIN][k];
            if (captionCid == id::kMixLabel0 + 2 * k) return pick(m.zh, m.en);
        }
        const DelayCaption* d = kDelayCaptions[page_ - PAGE_MAIN];
        if (captionCid == id::kDelaySwitchL) return pick(d[0].zh, d[0].en);
        if (captionCid == id::kDelaySwitchR) return pick(d[1].zh, d[1].en);
    }
    return shell::embeddedTable(language).control(kDialog, captionCid);
}

// Last step of relabelling: the selected effect's name into frame 1213.
void CDialogMusic::applyEffectFrameCaption() {
    const EffectRow& r = kEffects[effectRow_];
    controlAs<QGroupBox>(id::kEffectFrame)->setTitle(T(r.zh, r.en));
    const int pixels = font().pixelSize() > 0 ? font().pixelSize() : 11;
    for (int k = 0; k < 4; ++k) fitCaption(controlAs<QLabel>(id::kCompLabel0 + 2 * k), pixels);
    // The switch reaches right towards the curve rather than clipping its caption.
    QWidget* sw = control(id::kCompSwitch);
    const int room = control(id::kCompCurve)->geometry().left() - sw->geometry().left() - 4;
    sw->resize(std::clamp(sw->sizeHint().width(), DluRect(242, 43, 48, 10).width(), std::max(room, 1)), sw->height());
    control(id::kCompCurve)->setAccessibleName(T("压限曲线", "Compressor curve"));
}

// Slider moves of 1052-1061 and 1212, with the position the slider holds now.
void CDialogMusic::onUpperSlider(int cid, int position) {
    if (cid == id::kEffectSlider) {
        if (page_ != PAGE_MIC) return;  // greyed on the MUSIC page
        writeEffect(ctx_, effectRow_, position);
        const QString text = effectText(effectRow_, position);
        controlAs<CReportCtrl>(id::kEffectList)->SetItemText(effectRow_, 2, text);
        controlAs<QLineEdit>(id::kEffectValue)->setText(text);
        return;
    }
    if (!isOutputPage(page_)) return;
    const int group = outputGroup(page_);
    if (cid >= id::kMixSlider0 && cid < id::kMixSlider0 + 4) {
        const int k = cid - id::kMixSlider0;
        const MixRow& m = kMixes[page_ - PAGE_MAIN][k];
        for (int i = 0; i < m.count; ++i) writeMix(ctx_, group, m.writes[i], position);
        controlAs<QLabel>(id::kMixValue0 + 2 * k)->setText(Format("%d", position));
        return;
    }
    if (cid >= id::kCompSlider0 && cid < id::kCompSlider0 + 4) {
        const DeviceState& st = ctx_.st;
        float thr = st.slotFloat(outputSlot(group, COMP_THRESHOLD));
        float ratio = st.slotFloat(outputSlot(group, COMP_RATIO));
        float attack = st.slotFloat(outputSlot(group, COMP_ATTACK));
        float release = st.slotFloat(outputSlot(group, COMP_RELEASE));
        auto* curve = controlAs<CCompressPanelPlus>(id::kCompCurve);
        const int k = cid - id::kCompSlider0;
        QString text;
        switch (k) {
            case 0:
                thr = float(position);
                curve->threshold = thr;
                text = Format("%ddB", position);
                break;
            case 1:
                ratio = float(position / 10.0);
                curve->upperSlope = slopeOf(ratio);
                text = Format("%.1f:1", position / 10.0);
                break;
            case 2:
                attack = float(position);
                text = Format("%dms", position);
                break;
            default:
                release = float(position);
                text = Format("%dms", position);
                break;
        }
        SetCompressor(ctx_, group, thr, ratio, attack, release);
        describeCurve(curve);
        controlAs<QLabel>(id::kCompValue0 + 2 * k)->setText(text);
        return;
    }
    if (cid == id::kDelaySliderL || cid == id::kDelaySliderR) {
        const bool right = cid == id::kDelaySliderR;
        if (right && outputDelaySlot(group, Side::Right) < 0) return;
        SetOutputDelay(ctx_, group, right ? Side::Right : Side::Left, float(position / 10.0));
        controlAs<QLabel>(right ? id::kDelayValueR : id::kDelayValueL)->setText(Format("%.1fms", position / 10.0));
    }
}

void CDialogMusic::onEffectListClicked(int row) {
    if (page_ != PAGE_MIC || row < 0 || row >= kEffectRows) return;
    effectRow_ = row;
    const EffectRow& r = kEffects[row];
    auto* slider = controlAs<CXBmpSlider>(id::kEffectSlider);
    slider->SetRange(r.minimum, r.maximum);
    const int v = effectValue(ctx_.st, row);
    controlAs<QLineEdit>(id::kEffectValue)->setText(effectText(row, v));
    slider->SetPosition(v);
    controlAs<QGroupBox>(id::kEffectFrame)->setTitle(T(r.zh, r.en));
    control(id::kEffectSlider)->setAccessibleName(T(r.zh, r.en));
    control(id::kEffectValue)->setAccessibleName(T(r.zh, r.en));
}

void CDialogMusic::onCompressorSwitch() {
    if (!isOutputPage(page_)) return;
    const bool on = controlAs<QCheckBox>(id::kCompSwitch)->isChecked();
    SetCompressorBypass(ctx_, outputGroup(page_), on ? 0 : 1);
    auto* curve = controlAs<CCompressPanelPlus>(id::kCompCurve);
    curve->enabled = on;
    describeCurve(curve);
}

void CDialogMusic::onDelaySwitch(int cid) {
    if (!isOutputPage(page_)) return;
    const int group = outputGroup(page_);
    const bool right = cid == id::kDelaySwitchR;
    if (right && outputDelayOnSlot(group, Side::Right) < 0) return;
    SetOutputDelayOn(ctx_, group, right ? Side::Right : Side::Left, controlAs<QCheckBox>(cid)->isChecked() ? 1 : 0);
}

// A wheel turn while the effect list or its slider has the focus: one step,
// and only once a row of the list is selected.
void CDialogMusic::effectWheelStep(int delta) {
    if (page_ != PAGE_MIC || delta == 0) return;
    auto* list = controlAs<CReportCtrl>(id::kEffectList);
    if (list->selectedItems().isEmpty()) return;
    auto* slider = controlAs<CXBmpSlider>(id::kEffectSlider);
    slider->SetPosition(slider->position() + (delta > 0 ? 1 : -1));
    onUpperSlider(id::kEffectSlider, slider->position());
}

}  // namespace udare::panel
