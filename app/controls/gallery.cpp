// Shows every custom control with sample data. --screenshot FILE saves a
// picture of the window and exits.
#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <cstdio>
#include <vector>

#include "compress_panel.h"
#include "control_images.h"
#include "control_support.h"
#include "eq_panel.h"
#include "gdip_button.h"
#include "grid_list_ctrl.h"
#include "peak_meter.h"
#include "report_ctrl.h"
#include "small_eq_panel.h"
#include "xbmp_slider.h"

using namespace udare::controls;

namespace {

const QColor kPanelBack(0xF0, 0xFA, 0xFF);

QWidget* Boxed(const QString& title, QWidget* w) {
    auto* box = new QGroupBox(title);
    auto* l = new QVBoxLayout(box);
    l->setContentsMargins(4, 4, 4, 4);
    l->addWidget(w);
    return box;
}

CXBmpSlider* MakeSlider(bool vertical, int id, int pos, bool enabled) {
    namespace img = udare::controls::images;
    auto* s = new CXBmpSlider(id);
    s->SetVertical(vertical);
    if (vertical) {
        s->SetChannelImage(img::kSliderVChannel);
        s->SetThumbImages(img::kSliderVThumb, img::kSliderVThumbFocus, img::kSliderVThumbDisabled);
        s->SetMargins(3, 7, 2, 7);
    } else {
        s->SetChannelImage(img::kSliderHChannel);
        s->SetThumbImages(img::kSliderHThumb, img::kSliderHThumbFocus, img::kSliderHThumbDisabled);
        s->SetMargins(7, 3, 7, 2);
    }
    s->SetBackgroundColour(kPanelBack);
    s->SetRange(0, 100);
    s->SetPosition(pos);
    s->SetEnabled(enabled);
    s->setFixedSize(s->sizeHint());
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QString shot;
    for (int i = 1; i + 1 < argc; ++i)
        if (QString::fromLocal8Bit(argv[i]) == QStringLiteral("--screenshot"))
            shot = QString::fromLocal8Bit(argv[i + 1]);

    QWidget win;
    win.setWindowTitle(QStringLiteral("udare controls"));
    QPalette pal = win.palette();
    pal.setColor(QPalette::Window, kPanelBack);
    win.setPalette(pal);
    win.setAutoFillBackground(true);
    auto* grid = new QGridLayout(&win);

    // Page buttons.
    auto* pages = new QWidget;
    auto* pl = new QGridLayout(pages);
    pl->setSpacing(2);
    for (int k = 0; k < 8; ++k) {
        for (int lang = 0; lang < 2; ++lang) {
            auto* b = new CGdipButton;
            b->LoadStdImage(images::PageButton(k, lang == 1, false));
            b->LoadAltImage(images::PageButton(k, lang == 1, true));
            b->SetAlternate(k == 0 || k == 4);
            b->SetToolTipText(QStringLiteral("page %1").arg(k));
            b->setFixedSize(106, 31);
            pl->addWidget(b, lang, k);
        }
    }
    auto* back = new CGdipButton;
    back->LoadStdImage(images::kBackArrow);
    back->setFixedSize(32, 31);
    pl->addWidget(back, 0, 8);
    auto* greyBtn = new CGdipButton;
    greyBtn->LoadStdImage(QStringLiteral(":/images/page_music_en.png"));
    greyBtn->SetGrey(true);
    greyBtn->setFixedSize(106, 31);
    pl->addWidget(greyBtn, 1, 8);
    for (int m = 0; m < 4; ++m) {
        auto* reset = new CGdipButton;
        reset->LoadStdImage(images::kButton);
        reset->LoadAltImage(images::kButtonAlt);
        reset->SetAlternate(m == 1);
        reset->setText(QStringLiteral("M%1").arg(m + 1));
        reset->SetTextColour(Qt::white);
        reset->setFixedSize(64, 24);
        pl->addWidget(reset, 2, m);
    }
    grid->addWidget(pages, 0, 0, 1, 3);

    // Meters.
    auto* meters = new QWidget;
    auto* ml = new QVBoxLayout(meters);
    const int levels[4] = {230, 190, 120, 40};
    std::vector<CPeakMeterCtrl*> meterList;
    for (int k = 0; k < 4; ++k) {
        auto* m = new CPeakMeterCtrl;
        m->channelCount = 1;
        m->segmentCount = 15;
        m->style = CPeakMeterCtrl::kStyleHorizontal;
        m->background = kPanelBack;
        m->falloff = false;
        m->ResetChannels();
        m->SetChannelLevel(&levels[k], 0);
        m->setFixedSize(104, 5);
        ml->addWidget(m);
        meterList.push_back(m);
    }
    grid->addWidget(Boxed(QStringLiteral("CPeakMeterCtrl"), meters), 1, 0);

    // Sliders.
    auto* sliders = new QWidget;
    auto* sl = new QGridLayout(sliders);
    sl->addWidget(MakeSlider(false, 1052, 30, true), 0, 0);
    sl->addWidget(MakeSlider(false, 1053, 70, false), 1, 0);
    sl->addWidget(MakeSlider(true, 1202, 60, true), 0, 1, 2, 1);
    sl->addWidget(MakeSlider(true, 1203, 20, false), 0, 2, 2, 1);
    grid->addWidget(Boxed(QStringLiteral("CXBmpSlider"), sliders), 1, 1);

    // Effect list.
    auto* report = new CReportCtrl;
    report->InsertColumn(0, QStringLiteral("参数"), Qt::AlignLeft, 90);
    report->InsertColumn(1, QStringLiteral("值"), Qt::AlignCenter, 50);
    const char* params[] = {"混响电平", "混响时间", "回声电平", "回声时间", "回声反馈"};
    for (int r = 0; r < 5; ++r) {
        report->InsertItem(r, QString::fromUtf8(params[r]));
        report->SetItemText(r, 1, QString::number(10 + r * 17));
    }
    report->SetItemBkColor(-1, -1, QColor(0x1E, 0x1E, 0x19));
    report->SetItemTextColor(-1, 0, QColor(0xFF, 0xC8, 0x00));
    report->SetItemTextColor(-1, 1, QColor(0x00, 0xFF, 0x00));
    report->SetItemTextColor(2, 1, QColor(0xFF, 0x40, 0x40));
    report->SetBackgroundColour(QColor(0x1E, 0x1E, 0x19));
    report->DisableHeaderSorting();
    report->setFixedSize(170, 130);
    grid->addWidget(Boxed(QStringLiteral("CReportCtrl"), report), 1, 2);

    // Small EQ previews.
    auto* smalls = new QWidget;
    auto* sml = new QGridLayout(smalls);
    auto* echo = new CSmallEqPanel;
    echo->setFixedSize(268, 150);
    echo->SetBandGain(6.0f, 1);
    echo->SetBandGain(-4.0f, 4);
    echo->bands[6].type = 5;
    echo->bands[6].q = 0.7f;
    echo->SetBandGain(5.0f, 6);
    auto* reverb = new CSmallEqPanel;
    reverb->setFixedSize(268, 150);
    reverb->bands[0].type = 3;
    reverb->bands[0].q = 0.7f;
    reverb->SetBandFrequency(120.0f, 0);
    reverb->SetBandGain(-8.0f, 5);
    reverb->pass = true;
    sml->addWidget(echo, 0, 0);
    sml->addWidget(reverb, 0, 1);
    grid->addWidget(Boxed(QStringLiteral("CSmallEqPanel"), smalls), 2, 0, 1, 2);

    // Compressor curves.
    auto* comps = new QWidget;
    auto* cl = new QGridLayout(comps);
    auto* c1 = new CCompressPanelPlus;
    c1->enabled = true;
    c1->threshold = -20.0f;
    c1->lowerKnee = -90.0f;
    c1->upperSlope = 0.25f;
    c1->setFixedSize(236, 170);
    auto* c2 = new CCompressPanelPlus;
    c2->threshold = 0.0f;
    c2->lowerKnee = -90.0f;
    c2->setFixedSize(236, 170);
    cl->addWidget(c1, 0, 0);
    cl->addWidget(c2, 0, 1);
    grid->addWidget(Boxed(QStringLiteral("CCompressPanelPlus"), comps), 2, 2);

    // Band table.
    auto* table = new CGridListCtrlEx;
    table->SetDefaultColours(QColor(0xFF, 0xC8, 0x00), QColor(0x14, 0x14, 0x14));
    table->InsertColumn(0, QString(), 0);
    table->InsertColumn(1, QString(), 30);
    table->InsertColumn(2, QStringLiteral("类型"), 48, CGridListCtrlEx::EditorDropDown);
    table->InsertColumn(3, QStringLiteral("增益"), 58, CGridListCtrlEx::EditorText);
    table->InsertColumn(4, QStringLiteral("频率"), 58, CGridListCtrlEx::EditorText);
    table->InsertColumn(5, QStringLiteral("Q值"), 48, CGridListCtrlEx::EditorText);
    table->SetColumnEditor(2, CGridListCtrlEx::EditorDropDown,
                           {QStringLiteral("参量"), QStringLiteral("低通"), QStringLiteral("高通"),
                            QStringLiteral("低架"), QStringLiteral("高架")});
    table->setColumnHidden(0, true);

    // EQ curve editor.
    auto* eq = new CEqPanel;
    eq->setFixedSize(760, 250);
    eq->SetBandCount(15);
    const float gains[15] = {3, 5, 2, -2, -6, 0, 4, -3, 1, 6, -9, 2, 0, 3, -1};
    for (int i = 0; i < 15; ++i) eq->SetBandGain(i, gains[i]);
    eq->SetBandType(0, 3);
    eq->band(0).frequency = 40.0f;
    eq->RecomputeBand(0);
    eq->SetBandType(14, 5);
    eq->SetBandGain(14, 4.0f);
    eq->setSelected(9);
    for (int i = 0; i < 15; ++i) {
        const auto& b = eq->band(i);
        table->InsertItem(i, QString(), i);
        table->SetItemText(i, 1, QString::number(i + 1));
        static const char* types[] = {"关闭", "参量", "低通", "高通", "低架", "高架"};
        table->SetItemText(i, 2, QString::fromUtf8(types[std::clamp(b.type, 0, 5)]));
        table->SetItemText(i, 3, QString::asprintf("%+-.1fdB", static_cast<double>(b.gain)));
        table->SetItemText(i, 4, QString::asprintf("%.0fHz", static_cast<double>(b.frequency)));
        table->SetItemText(i, 5, QString::asprintf("%.2f", static_cast<double>(b.q)));
    }
    table->setFixedSize(260, 250);
    grid->addWidget(Boxed(QStringLiteral("CGridListCtrlEx"), table), 3, 0);
    auto* eqs = new QWidget;
    auto* el = new QVBoxLayout(eqs);
    el->addWidget(eq);
    auto* sub = new CEqPanel;
    sub->setFixedSize(760, 200);
    sub->setKind(udare::dsp::KIND_SUB);
    sub->setLanguage(1);
    sub->SetBandCount(20);
    sub->ApplyBandTypeChoice(1, 2);
    sub->band(1).frequency = 90.0f;
    sub->RecomputeBand(1);
    sub->ApplyBandTypeChoice(2, 3);
    sub->band(2).frequency = 30.0f;
    sub->RecomputeBand(2);
    sub->SetBandGain(3, -5.0f);
    for (int i : {0, 4}) sub->SetBandType(i, 0);
    sub->setSelected(1);
    sub->setBypass(true);
    el->addWidget(sub);
    grid->addWidget(Boxed(QStringLiteral("CEqPanel"), eqs), 3, 1, 1, 2);

    win.show();
    if (shot.isEmpty()) {
        // Live levels, as the panel feeds them every 300 ms.
        for (size_t k = 0; k < meterList.size(); ++k) meterList[k]->StartTimer(k < 2 ? 30 : 33);
        auto* feed = new QTimer(&win);
        QObject::connect(feed, &QTimer::timeout, &win, [meterList, t = 0]() mutable {
            ++t;
            for (size_t k = 0; k < meterList.size(); ++k) {
                const int level = static_cast<int>(120 + 110 * std::sin(t * 0.4 + k));
                meterList[k]->SetChannelLevel(&level, 0);
            }
        });
        feed->start(300);
    } else {
        QTimer::singleShot(300, &app, [&] {
            const bool ok = win.grab().save(shot, "PNG");
            if (!ok) std::fprintf(stderr, "cannot write %s\n", qPrintable(shot));
            app.exit(ok ? 0 : 1);
        });
    }
    return app.exec();
}
