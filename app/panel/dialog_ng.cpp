#include "panel/dialog_ng.h"

#include <QGroupBox>
#include <QLabel>
#include <algorithm>

#include "panel/dialog_music.h"
#include "protocol/commands.h"
#include "protocol/context.h"
#include "protocol/slots.h"
#include "xbmp_slider.h"

namespace udare::panel {

namespace {

struct GateRow {
    int slider, value, caption, group;
    const char* caption0;  // template text before the table is applied
    int slot;
    void (*write)(Ctx&, int);
    int sliderX, sliderY, valueX, valueY, captionY;
};

const GateRow kRows[4] = {
    {1052, 1152, 1153, 1200, "启动时间", slot::micGateAttack, SetMicGateAttack, 77, 23, 172, 24, 23},
    {1053, 1154, 1155, 1200, "关闭时间", slot::micGateRelease, SetMicGateRelease, 77, 42, 172, 43, 42},
    {1054, 1156, 1157, 1221, "启动时间", slot::musicGateAttack, SetMusicGateAttack, 79, 78, 174, 79, 78},
    {1055, 1158, 1159, 1221, "关闭时间", slot::musicGateRelease, SetMusicGateRelease, 79, 97, 174, 98, 97},
};

}  // namespace

CDialogNG::CDialogNG(Ctx& ctx, RelabelFn table, QWidget* parent)
    : SmallDialog(kDialog, ui::DialogSlot::NoiseGate, std::move(table), parent), ctx_(ctx) {
    setWindowTitle(QStringLiteral("噪声门参数"));
    setFixedSize(CDialogMusic::DluRect(0, 0, 221, 130).size());

    const struct {
        int id, y;
        const char* text;
    } groups[2] = {{1200, 9, "话筒噪声门"}, {1221, 63, "音乐噪声门"}};
    for (int g = 0; g < 2; ++g) {
        groups_[g] = new QGroupBox(QString::fromUtf8(groups[g].text), this);
        groups_[g]->setGeometry(CDialogMusic::DluRect(14, groups[g].y, 192, 51));
        setDialogControlId(groups_[g], groups[g].id);
    }
    for (int k = 0; k < 4; ++k) {
        const GateRow& r = kRows[k];
        captions_[k] = new QLabel(QString::fromUtf8(r.caption0), this);
        captions_[k]->setGeometry(CDialogMusic::DluRect(24, r.captionY, 51, 10));
        captions_[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setDialogControlId(captions_[k], r.caption);
        sliders_[k] = addSlider(r.slider, r.sliderX, r.sliderY, 87, 14);
        // Reversed (a short time stores a large value), over the same range.
        sliders_[k]->SetRange(positionLo(r.slot), positionHi(r.slot));
        values_[k] = new QLabel(this);
        values_[k]->setGeometry(CDialogMusic::DluRect(r.valueX, r.valueY, 29, 9));
        setDialogControlId(values_[k], r.value);
        connect(sliders_[k], &controls::CXBmpSlider::SliderPositionChanged, this,
                &CDialogNG::OnSlider);
    }
    refreshFromState();
    relabel();
    centreOnParent();
}

void CDialogNG::OnSlider(int id, int) {
    const int k = id - kFirstSlider;
    if (k < 0 || k >= 4) return;
    // The position at handling time: later moves may have queued behind this one.
    const int p = sliders_[k]->position();
    const GateRow& r = kRows[k];
    recordStep(QStringLiteral("gate:%1").arg(k), r.group, r.caption,
               [&] { r.write(ctx_, slotValue(p)); });
    values_[k]->setText(QString::number(p));
}

void CDialogNG::refreshFromState() {
    for (int k = 0; k < 4; ++k) {
        const int shown = slotValue(ctx_.st.slotInt(kRows[k].slot));
        sliders_[k]->SetPosition(std::clamp(shown, positionLo(kRows[k].slot), positionHi(kRows[k].slot)));
        values_[k]->setText(QString::number(shown));
    }
}

void CDialogNG::relabel() {
    applyTable();
    updateAccessibleNames();
}

void CDialogNG::updateAccessibleNames() {
    for (int k = 0; k < 4; ++k)
        sliders_[k]->setAccessibleName(groups_[k / 2]->title() + QLatin1Char(' ') +
                                       captions_[k]->text());
}

}  // namespace udare::panel
