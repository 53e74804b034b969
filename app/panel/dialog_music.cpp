// The panel as a whole: its controls, the page model and layout rules,
// page changes, the full refresh, relabelling, resizing, the level meters and
// the routing of keyboard and wheel input.
#include "panel/dialog_music.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QResizeEvent>
#include <QWheelEvent>

#include <cmath>

#include "compress_panel.h"
#include "control_images.h"
#include "eq_panel.h"
#include "gdip_button.h"
#include "grid_list_ctrl.h"
#include "peak_meter.h"
#include "protocol/context.h"
#include "protocol/device_state.h"
#include "report_ctrl.h"
#include "shell/lang.h"
#include "shell/view.h"
#include "small_eq_panel.h"
#include "xbmp_slider.h"

namespace udare::panel {

using controls::CCompressPanelPlus;
using controls::CEqPanel;
using controls::CGdipButton;
using controls::CGridListCtrlEx;
using controls::CPeakMeterCtrl;
using controls::CReportCtrl;
using controls::CSmallEqPanel;
using controls::CXBmpSlider;
using shell::T;

namespace {

const QColor kPanelBack(0xF0, 0xFA, 0xFF);
constexpr int kViewFloorWidth = shell::CVovedo13View::kPanelMinWidth;
constexpr int kViewFloorHeight = shell::CVovedo13View::kPanelMinHeight;

// Where each page's button sits in the row (the buttons shown together share it).
constexpr int kPageButtonX[kPageCount] = {2, 2, 2, 145, 2, 145, 289, 432};

struct PageCaption {
    const char* zh;
    const char* en;
};
constexpr PageCaption kPageCaptions[kPageCount] = {
    {"话筒", "MIC"},    {"回声效果", "ECHO"}, {"混响效果", "REVERB"}, {"音乐控制", "MUSIC"},
    {"主输出", "MAIN"}, {"后置输出", "REAR"}, {"中置输出", "CENTER"}, {"超低输出", "SUB"},
};

constexpr uint32_t kPageColours[kPageCount] = {0xFFC800, 0xE400FF, 0x96A0EF, 0x00C8FF,
                                               0x0AD37E, 0xB29564, 0x0AFF50, 0x6177F5};
constexpr uint32_t kTableColours[kPageCount] = {0xFFC800, 0xF280FF, 0x7988FF, 0x00C8FF,
                                                0x0AD37E, 0xBBA072, 0x0AFF50, 0x6177F5};

// A control and the caption that names it for a screen reader.
struct NamedBy {
    int control;
    int caption;
};
constexpr NamedBy kNamedBy[] = {
    {id::kEffectSlider, id::kEffectFrame}, {id::kEffectValue, id::kEffectFrame},
    {1052, 1153}, {1053, 1155}, {1054, 1157}, {1055, 1159},
    {1056, 1161}, {1057, 1163}, {1058, 1165}, {1059, 1167},
    {id::kDelaySliderL, id::kDelaySwitchL}, {id::kDelaySliderR, id::kDelaySwitchR},
    {id::kGainSlider, id::kGainGroup}, {id::kFreqSlider, id::kFreqGroup}, {id::kQSlider, id::kQGroup},
    {id::kGainEdit, id::kGainGroup}, {id::kFreqEdit, id::kFreqGroup}, {id::kQEdit, id::kQGroup},
    {id::kFamilyList, id::kFamilyLabel}, {id::kCompCurve, id::kCompGroup},
    {id::kEchoPreview, id::kEchoCaption}, {id::kReverbPreview, id::kReverbCaption},
};

QString captionOf(const QWidget* w) {
    if (!w) return {};
    if (auto* l = qobject_cast<const QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) return b->text();
    if (auto* g = qobject_cast<const QGroupBox*>(w)) return g->title();
    return {};
}

CXBmpSlider* makeSlider(int id, bool vertical, QWidget* parent) {
    auto* s = new CXBmpSlider(id, parent);
    namespace img = controls::images;
    s->SetBackgroundColour(kPanelBack);
    if (vertical) {
        s->SetVertical(true);
        s->SetChannelImage(img::kSliderVChannel);
        s->SetThumbImages(img::kSliderVThumb, img::kSliderVThumbFocus, img::kSliderVThumbDisabled);
        s->SetMargins(3, 7, 2, 7);
    } else {
        s->SetChannelImage(img::kSliderHChannel);
        s->SetThumbImages(img::kSliderHThumb, img::kSliderHThumbFocus, img::kSliderHThumbDisabled);
        s->SetMargins(7, 3, 7, 2);
    }
    return s;
}

QLabel* makeLabel(QWidget* parent, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    auto* l = new QLabel(parent);
    l->setAlignment(align);
    return l;
}

}  // namespace

// ---------------------------------------------------------------- geometry

QRect CDialogMusic::DluRect(int left, int top, int width, int height) {
    auto x = [](int d) { return static_cast<int>(std::lround(d * double(kViewFloorWidth) / kTemplateWidth)); };
    auto y = [](int d) { return static_cast<int>(std::lround(d * double(kViewFloorHeight) / kTemplateHeight)); };
    const int l = x(left), t = y(top);
    return QRect(l, t, x(left + width) - l, y(top + height) - t);
}

QColor CDialogMusic::PageColour(int page) {
    return QColor::fromRgb(kPageColours[page >= 0 && page < kPageCount ? page : 0]);
}

QColor CDialogMusic::TableTextColour(int page) {
    return QColor::fromRgb(kTableColours[page >= 0 && page < kPageCount ? page : 0]);
}

int CDialogMusic::separatorY() const {
    const QWidget* m = control(id::kMeter0);
    return m ? m->geometry().bottom() + 2 : 0;
}

// ---------------------------------------------------------------- creation

CDialogMusic::CDialogMusic(Ctx& ctx, const shell::LanguageTable* table, QWidget* parent, int page)
    : QWidget(parent), ctx_(ctx), langTable_(table), page_(page >= 0 && page < kPageCount ? page : 0) {
    setObjectName(QStringLiteral("tuningPanel"));
    resize(kViewFloorWidth, kViewFloorHeight);
    // Initialisation step 1: background and the band number's bold font.
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kPanelBack);
    setPalette(pal);
    pageColour_ = PageColour(page_);
    // The template's text size: captions fit their dialog-unit boxes.
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    createControls();
    initControls();
    ApplyLanguage();
    initialWidth_ = width();

    meterTimer_.setInterval(kMeterTimerMs);
    connect(&meterTimer_, &QTimer::timeout, this, &CDialogMusic::FeedMeters);
    meterTimer_.start();
    qApp->installEventFilter(this);
}

CDialogMusic::~CDialogMusic() { qApp->removeEventFilter(this); }

QWidget* CDialogMusic::add(int cid, QWidget* w, const QRect& dlu) {
    w->setParent(this);
    w->setGeometry(DluRect(dlu.x(), dlu.y(), dlu.width(), dlu.height()));
    shell::setControlId(w, cid);
    w->setObjectName(QStringLiteral("ctl%1").arg(cid));
    controls_.insert(cid, w);
    return w;
}

void CDialogMusic::createControls() {
    // Page row.
    for (int lang = 0; lang < 2; ++lang) {
        for (int p = 0; p < kPageCount; ++p) {
            auto* b = new CGdipButton(this);
            b->LoadStdImage(controls::images::PageButton(p, lang == 1, false));
            b->LoadAltImage(controls::images::PageButton(p, lang == 1, true));
            b->SetTextColour(Qt::white);
            QFont f = b->font();
            f.setPixelSize(12);
            b->setFont(f);
            // The caption is part of the picture; a screen reader gets it as text.
            b->setAccessibleName(QString::fromUtf8(lang == 1 ? kPageCaptions[p].en : kPageCaptions[p].zh));
            add((lang == 1 ? id::kPageEn : id::kPageZh) + p, b, QRect(kPageButtonX[p], 0, 142, 38));
            connect(b, &QAbstractButton::clicked, this, [this, p] { onPageButton(p); });
        }
    }
    auto* back = new CGdipButton(this);
    back->LoadStdImage(controls::images::kBackArrow);
    add(id::kBack, back, QRect(629, 0, 43, 38));
    connect(back, &QAbstractButton::clicked, this, [this] { onPageButton(PAGE_MIC); });

    // Level meters under the first two page buttons.
    constexpr int kMeterX[4] = {3, 74, 148, 217};
    for (int k = 0; k < 4; ++k) {
        auto* m = new CPeakMeterCtrl(this);
        meters_[static_cast<size_t>(k)] = m;
        add(id::kMeter0 + k, m, QRect(kMeterX[k], 38, 69, 3));
    }

    // Upper left: effect list, its slider in a frame, the value box.
    add(id::kEffectList, new CReportCtrl(this), QRect(4, 44, 136, 107));
    add(id::kEffectFrame, new QGroupBox(this), QRect(155, 43, 52, 107));
    add(id::kEffectSlider, makeSlider(id::kEffectSlider, true, this), QRect(174, 52, 15, 81));
    auto* effectValue = new QLineEdit(this);
    effectValue->setAlignment(Qt::AlignCenter);
    add(id::kEffectValue, effectValue, QRect(162, 133, 36, 14));

    // EQ previews with their captions and hints.
    auto* reverbPreview = new CSmallEqPanel(this);
    add(id::kReverbPreview, reverbPreview, QRect(213, 54, 179, 94));
    connect(reverbPreview, &CSmallEqPanel::clicked, this, [this] { onPageButton(PAGE_REVERB); });
    auto* echoPreview = new CSmallEqPanel(this);
    add(id::kEchoPreview, echoPreview, QRect(393, 54, 179, 94));
    connect(echoPreview, &CSmallEqPanel::clicked, this, [this] { onPageButton(PAGE_ECHO); });
    for (int cid : {id::kEchoCaption, id::kReverbCaption}) {
        QLabel* l = makeLabel(this);
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, QColor(0xFF, 0, 0));
        l->setPalette(p);
        add(cid, l, cid == id::kEchoCaption ? QRect(403, 43, 44, 10) : QRect(219, 44, 38, 10));
    }
    add(id::kEchoHint, makeLabel(this), QRect(458, 43, 120, 10));
    add(id::kReverbHint, makeLabel(this), QRect(265, 43, 120, 10));

    // Output mix levels.
    constexpr int kMixY[4] = {59, 83, 107, 131};
    constexpr int kMixValueY[4] = {60, 84, 108, 131};
    for (int k = 0; k < 4; ++k) {
        add(id::kMixLabel0 + 2 * k, makeLabel(this, Qt::AlignRight | Qt::AlignVCenter),
            QRect(7, kMixY[k], 56, 10));
        add(id::kMixSlider0 + k, makeSlider(id::kMixSlider0 + k, false, this), QRect(67, kMixY[k], 87, 14));
        add(id::kMixValue0 + 2 * k, makeLabel(this), QRect(157, kMixValueY[k], 20, 9));
    }

    // Compressor.
    add(id::kCompGroup, new QGroupBox(this), QRect(190, 52, 173, 97));
    add(id::kCompSwitch, new QCheckBox(this), QRect(242, 43, 48, 10));
    constexpr int kCompY[4] = {60, 84, 108, 132};
    constexpr int kCompValueY[4] = {62, 86, 110, 132};
    for (int k = 0; k < 4; ++k) {
        add(id::kCompLabel0 + 2 * k, makeLabel(this, Qt::AlignRight | Qt::AlignVCenter),
            QRect(196, kCompY[k], 43, 10));
        add(id::kCompSlider0 + k, makeSlider(id::kCompSlider0 + k, false, this), QRect(241, kCompY[k], 87, 14));
        add(id::kCompValue0 + 2 * k, makeLabel(this), QRect(331, kCompValueY[k], 27, 9));
    }
    add(id::kCompCurve, new CCompressPanelPlus(this), QRect(368, 47, 157, 105));

    // Delays.
    add(id::kDelaySwitchL, new QCheckBox(this), QRect(531, 54, 60, 8));
    add(id::kDelaySliderL, makeSlider(id::kDelaySliderL, false, this), QRect(530, 66, 87, 14));
    add(id::kDelayValueL, makeLabel(this), QRect(621, 67, 28, 9));
    add(id::kDelaySwitchR, new QCheckBox(this), QRect(531, 84, 60, 8));
    add(id::kDelaySliderR, makeSlider(id::kDelaySliderR, false, this), QRect(531, 97, 87, 14));
    add(id::kDelayValueR, makeLabel(this), QRect(621, 98, 28, 9));

    // Mic EQ selection.
    add(id::kMicEqGroup, new QGroupBox(this), QRect(603, 104, 66, 48));
    const char* const kMicCaptions[3] = {"MIC1", "MIC2", "MIC1+MIC2"};
    // The template's widths fit a smaller check mark: the captions get the group's width.
    constexpr int kMicW[3] = {58, 58, 58};
    for (int k = 0; k < 3; ++k) {
        auto* r = new QRadioButton(QString::fromLatin1(kMicCaptions[k]), this);
        r->setAutoExclusive(false);  // the panel sets them from its field
        add(id::kMic1 + k, r, QRect(611, 116 + 12 * k, kMicW[k], 10));
        // toggled, not clicked: a screen reader's toggle action emits only toggled.
        connect(r, &QAbstractButton::toggled, this, [this, k] { onMicRadio(k); });
    }

    // Lower left: band table, and the band editor in the same place.
    table_ = new CGridListCtrlEx(this);
    add(id::kBandTable, table_, QRect(1, 153, 173, 117));
    constexpr int kGroupX[4] = {1, 44, 86, 128};
    constexpr int kGroupIds[4] = {id::kTypeGroup, id::kGainGroup, id::kFreqGroup, id::kQGroup};
    for (int k = 0; k < 4; ++k) add(kGroupIds[k], new QGroupBox(this), QRect(kGroupX[k], 157, 42, 108));
    for (int k = 0; k < 5; ++k) {
        auto* r = new QRadioButton(this);
        r->setAutoExclusive(false);
        add(id::kTypeRadio0 + k, r, QRect(9, 189 + 14 * k, 29, 10));
        connect(r, &QAbstractButton::toggled, this, [this, k] { onTypeRadio(k); });
    }
    QLabel* number = makeLabel(this, Qt::AlignCenter);
    QFont bold(QStringLiteral("Arial"));
    bold.setPixelSize(24);
    bold.setBold(true);
    number->setFont(bold);
    QPalette np = number->palette();
    np.setColor(QPalette::WindowText, QColor(0x14, 0xC8, 0x14));
    number->setPalette(np);
    add(id::kBandNumber, number, QRect(11, 169, 22, 18));
    constexpr int kEditorX[3] = {58, 100, 141};
    constexpr int kEditX[3] = {47, 89, 131};
    for (int k = 0; k < 3; ++k) {
        add(id::kGainSlider + k, makeSlider(id::kGainSlider + k, true, this), QRect(kEditorX[k], 166, 15, 81));
        auto* e = new QLineEdit(this);
        e->setAlignment(Qt::AlignCenter);
        add(id::kGainEdit + k, e, QRect(kEditX[k], 250, 36, 14));
    }
    QLabel* familyLabel = makeLabel(this);
    familyLabel->setText(QStringLiteral("Type:"));
    add(id::kFamilyLabel, familyLabel, QRect(12, 276, 23, 8));
    auto* family = new QComboBox(this);
    add(id::kFamilyList, family, QRect(46, 276, 75, 14));
    connect(family, &QComboBox::activated, this, [this](int f) { ChooseCrossoverFamily(f); });

    curve_ = new CEqPanel(this);
    add(id::kCurve, curve_, QRect(178, 154, 492, 147));
    connect(curve_, &CEqPanel::EqBandChanged, this,
            [this](const dsp::EqBand& band, int index) { OnBandSelected(band, index); });
    connect(curve_, &CEqPanel::EqPlotClicked, this, &CDialogMusic::OnSelectionCleared);
    connect(curve_, &CEqPanel::PlotMenuRequested, this, &CDialogMusic::ShowFileMenu);
    curve_->setAccessibleName(T("均衡曲线", "EQ curve"));

    // Every slider reports to the panel (posted by the slider), which dispatches by control number.
    for (QWidget* w : std::as_const(controls_))
        if (auto* s = qobject_cast<CXBmpSlider*>(w))
            connect(s, &CXBmpSlider::SliderPositionChanged, this, &CDialogMusic::onSlider);
    connect(table_, &CGridListCtrlEx::CellEditFinished, this, &CDialogMusic::onCellEdited);
    connect(controlAs<CReportCtrl>(id::kEffectList), &CReportCtrl::RowClicked, this,
            [this](int row, Qt::MouseButton) { recordUpper(id::kEffectList, [&] { onEffectListClicked(row); }); });
    // Switches report toggled (a click and a screen reader's toggle alike);
    // code that sets them holds a QSignalBlocker.
    connect(controlAs<QCheckBox>(id::kCompSwitch), &QAbstractButton::toggled, this,
            [this] { recordUpper(id::kCompSwitch, [this] { onCompressorSwitch(); }); });
    for (int cid : {id::kDelaySwitchL, id::kDelaySwitchR})
        connect(controlAs<QCheckBox>(cid), &QAbstractButton::toggled, this, [this, cid] {
            recordUpper(cid, [this, cid] { onDelaySwitch(cid); });
        });
}

void CDialogMusic::initControls() {
    // Step 2: the meters, one channel each, fed by timer 1.
    for (size_t k = 0; k < meters_.size(); ++k) {
        CPeakMeterCtrl* m = meters_[k];
        m->channelCount = 1;
        m->segmentCount = 15;
        m->style = CPeakMeterCtrl::kStyleHorizontal;
        m->background = kPanelBack;
        m->falloff = false;
        m->ResetChannels();
        m->StartTimer(k < 2 ? 30 : 33);
    }
    // Step 4: the lists and the curve's band count.
    buildEffectList();
    RebuildBandTable();
    curve_->SetBandCount(15);
    // Step 5: slider ranges and the crossover families.
    controlAs<CXBmpSlider>(id::kGainSlider)->SetRange(-150, 150);
    controlAs<CXBmpSlider>(id::kFreqSlider)->SetRange(20, 20000);
    controlAs<CXBmpSlider>(id::kQSlider)->SetRange(10, 3000);
    // Start where a fresh peaking band sits: 0 dB, 1000 Hz, Q 1.41.
    controlAs<CXBmpSlider>(id::kGainSlider)->SetPosition(0);
    controlAs<CXBmpSlider>(id::kFreqSlider)->SetPosition(1000);
    controlAs<CXBmpSlider>(id::kQSlider)->SetPosition(141);
    initUpperSliders();
    auto* family = controlAs<QComboBox>(id::kFamilyList);
    for (const char* name : dsp::kCrossoverNames) family->addItem(QString::fromLatin1(name));
    family->setCurrentIndex(-1);
}

// ---------------------------------------------------------------- pages

void CDialogMusic::onPageButton(int page) {
    if (page == page_) return;
    SetPage(page);
}

QString CDialogMusic::PageName(int page, int language) {
    if (page < 0 || page >= kPageCount) return {};
    return QString::fromUtf8(language == 1 ? kPageCaptions[page].en : kPageCaptions[page].zh);
}

void CDialogMusic::SetPage(int page) {
    if (page < 0 || page >= kPageCount) return;
    page_ = page;
    RebuildBandTable();
    RefreshAll();
}

void CDialogMusic::layoutPage() {
    const int p = page_;
    // 1. Separator colour.
    pageColour_ = PageColour(p);
    update(0, separatorY() - 1, width(), 3);

    // 2. Page buttons of the language in use.
    const bool english = shell::uiLanguage() == 1;
    auto shownPages = [p]() -> std::vector<int> {
        if (p == PAGE_MIC || p == PAGE_MUSIC) return {PAGE_MIC, PAGE_MUSIC};
        if (p == PAGE_ECHO || p == PAGE_REVERB) return {p};
        return {PAGE_MAIN, PAGE_REAR, PAGE_CENTER, PAGE_SUB};
    }();
    for (int lang = 0; lang < 2; ++lang) {
        for (int q = 0; q < kPageCount; ++q) {
            auto* b = controlAs<CGdipButton>((lang == 1 ? id::kPageEn : id::kPageZh) + q);
            const bool inSet = std::find(shownPages.begin(), shownPages.end(), q) != shownPages.end();
            if (inSet) b->SetAlternate(q == p);
            b->setVisible(inSet && (lang == 1) == english);
        }
    }
    // 3. Back button; 4. meters.
    control(id::kBack)->setVisible(p == PAGE_ECHO || p == PAGE_REVERB);
    const bool inputPage = p == PAGE_MIC || p == PAGE_MUSIC;
    for (int k = 0; k < 4; ++k) control(id::kMeter0 + k)->setVisible(inputPage);
    // 5. Effect area and previews.
    for (int cid : {id::kEffectList, id::kEffectSlider, id::kEffectFrame, id::kEffectValue, id::kEchoCaption,
                    id::kEchoHint, id::kReverbCaption, id::kReverbHint, id::kEchoPreview, id::kReverbPreview})
        control(cid)->setVisible(inputPage);
    enableEffectArea(p == PAGE_MIC);
    // 6. Mix sliders; 7. compressor; 8. delays.
    const bool outputPage = p >= PAGE_MAIN;
    const bool fourMixes = p == PAGE_CENTER || p == PAGE_SUB;
    for (int k = 0; k < 4; ++k) {
        const bool shown = outputPage && (k < 3 || fourMixes);
        for (int cid : {id::kMixSlider0 + k, id::kMixLabel0 + 2 * k, id::kMixValue0 + 2 * k})
            control(cid)->setVisible(shown);
    }
    for (int cid : {id::kCompSwitch, id::kCompGroup, id::kCompCurve}) control(cid)->setVisible(outputPage);
    for (int k = 0; k < 4; ++k)
        for (int cid : {id::kCompSlider0 + k, id::kCompLabel0 + 2 * k, id::kCompValue0 + 2 * k})
            control(cid)->setVisible(outputPage);
    const bool delays = outputPage && ctx_.st.hasOutputDelays();
    for (int cid : {id::kDelaySwitchL, id::kDelaySliderL, id::kDelayValueL}) control(cid)->setVisible(delays);
    for (int cid : {id::kDelaySwitchR, id::kDelaySliderR, id::kDelayValueR})
        control(cid)->setVisible(delays && (p == PAGE_MAIN || p == PAGE_REAR));
    // 9. Mic EQ selection.
    for (int cid : {id::kMicEqGroup, id::kMic1, id::kMic2, id::kMicBoth}) control(cid)->setVisible(p == PAGE_MIC);
    // 10. The band table (the refresh shows it); the curve always.
    curve_->setVisible(true);
}

void CDialogMusic::RefreshAll() {
    ++refreshCount_;
    layoutPage();
    refreshMix();
    selected_ = -1;
    ShowTable();
    RefreshEq();
    refreshEffects();
    refreshTableColours();
    refreshPreviews();
    refreshOutputCaptions();
    refreshCompressor();
    refreshDelays();
    setEditorRadios();
    updateAccessibleNames();
}

void CDialogMusic::ApplyLanguage() {
    if (langTable_) langTable_->relabel(this, kDialog);
    curve_->setLanguage(shell::uiLanguage());
    curve_->setAccessibleName(T("均衡曲线", "EQ curve"));
    control(id::kBack)->setAccessibleName(T("返回", "Back"));
    for (int k = 0; k < 4; ++k)
        control(id::kMeter0 + k)->setAccessibleName(k < 2 ? T("话筒电平", "Mic level")
                                                           : T("音乐电平", "Music level"));
    table_->setAccessibleName(T("均衡频段", "EQ bands"));
    setAccessibleName(T("调音面板", "Tuning panel"));
    control(id::kBandNumber)->setAccessibleName(T("频段", "Band"));
    RebuildBandTable();
    buildEffectList();
    RefreshAll();
    applyEffectFrameCaption();
    updateAccessibleNames();
}

void CDialogMusic::updateAccessibleNames() {
    for (const NamedBy& n : kNamedBy) {
        QWidget* w = control(n.control);
        const QString name = captionOf(control(n.caption));
        if (w && !name.isEmpty() && w->accessibleName() != name) w->setAccessibleName(name);
    }
}

QString CDialogMusic::upperName(int cid, int language) const {
    // Named by the caption its accessible name comes from; a switch by its own text.
    int caption = cid;
    for (const NamedBy& n : kNamedBy)
        if (n.control == cid) caption = n.caption;
    QString name = captionIn(caption, language);
    if (name.isEmpty())
        if (QWidget* w = control(cid)) name = w->accessibleName();
    return name;
}

// ---------------------------------------------------------------- input

void CDialogMusic::onSlider(int cid, int position) {
    // Every handler takes the slider's position when it runs.
    auto* s = controlAs<CXBmpSlider>(cid);
    if (s) position = s->position();
    if (cid >= id::kGainSlider && cid <= id::kQSlider) {
        onBandSlider(cid, position);
        return;
    }
    recordUpper(cid, [&] { onUpperSlider(cid, position); });
}

bool CDialogMusic::routeWheel(int delta) {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return false;
    const int cid = shell::controlId(focus);
    if (focus == curve_) {
        curve_->WheelStep(delta);
        return true;
    }
    if ((cid >= id::kMixSlider0 && cid <= id::kDelaySliderR) || (cid >= id::kGainSlider && cid <= id::kQSlider)) {
        if (auto* s = qobject_cast<CXBmpSlider*>(focus)) {
            s->WheelStep(delta);
            return true;
        }
    }
    QWidget* list = control(id::kEffectList);
    if (cid == id::kEffectSlider || focus == list || (list && list->isAncestorOf(focus))) {
        recordUpper(id::kEffectSlider, [&] { effectWheelStep(delta); });
        return true;
    }
    return false;
}

bool CDialogMusic::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        auto* w = qobject_cast<QWidget*>(watched);
        if (!w || !(w == this || isAncestorOf(w)) || !isVisible()) return false;
        auto* we = static_cast<QWheelEvent*>(event);
        if (!rect().contains(mapFromGlobal(we->globalPosition().toPoint()))) return false;
        const int delta = we->angleDelta().y() != 0 ? we->angleDelta().y() : we->angleDelta().x();
        return routeWheel(delta);
    }
    if (event->type() == QEvent::KeyRelease) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() != Qt::Key_Return && ke->key() != Qt::Key_Enter) return false;
        const int cid = shell::controlId(qobject_cast<QWidget*>(watched));
        if (watched->parent() == this && cid >= id::kGainEdit && cid <= id::kQEdit) {
            CommitEditor(selected_);
            return true;
        }
    }
    return false;
}

void CDialogMusic::keyPressEvent(QKeyEvent* e) {
    // Enter and Escape never close or accept anything here.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter || e->key() == Qt::Key_Escape) {
        e->accept();
        return;
    }
    QWidget::keyPressEvent(e);
}

// ---------------------------------------------------------------- window

void CDialogMusic::FeedMeters() {
    const auto& levels = ctx_.st.identity.meterLevels;
    const int first = levels[0], second = levels[1], third = levels[2];
    meters_[0]->SetChannelLevel(&first, 0);
    meters_[1]->SetChannelLevel(&first, 0);
    meters_[2]->SetChannelLevel(&second, 0);
    meters_[3]->SetChannelLevel(&third, 0);
}

void CDialogMusic::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kPanelBack);
    p.fillRect(QRect(0, separatorY(), width(), 1), pageColour_);
}

void CDialogMusic::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    if (isMinimized() || !curve_) return;
    const int cx = width(), cy = height();
    if (!anchorsRecorded_) {
        anchorsRecorded_ = true;
        for (int cid : {id::kBack, id::kMicEqGroup, id::kMic1, id::kMic2, id::kMicBoth})
            anchors_.insert(cid, control(cid)->geometry());
    }
    const QRect c = curve_->geometry();
    curve_->setGeometry(c.left(), c.top(), cx - c.left(), cy - c.top());
    const QRect t = table_->geometry();
    table_->setGeometry(t.left(), t.top(), t.width(), cy - c.top());
    const int shift = cx - (initialWidth_ > 0 ? initialWidth_ : cx);
    for (auto it = anchors_.cbegin(); it != anchors_.cend(); ++it)
        control(it.key())->setGeometry(it.value().translated(shift, 0));
}

}  // namespace udare::panel
