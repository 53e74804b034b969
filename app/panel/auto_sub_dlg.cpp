#include "panel/auto_sub_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <algorithm>

#include "control_images.h"
#include "panel/dialog_music.h"
#include "protocol/commands.h"
#include "protocol/context.h"
#include "protocol/slots.h"
#include "xbmp_slider.h"

namespace udare::panel {

CAutoSubDlg::CAutoSubDlg(Ctx& ctx, RelabelFn table, QWidget* parent)
    : SmallDialog(kDialog, ui::DialogSlot::AutoSub, std::move(table), parent), ctx_(ctx) {
    setWindowTitle(QStringLiteral("自动超低音量衰减"));
    setFixedSize(CDialogMusic::DluRect(0, 0, 219, 63).size());

    text_ = new QLabel(QStringLiteral("当检测到话筒信号时，超低音量自动调节成所设置的超低比例，"
                                      "1秒之后，超低音量逐渐恢复成正常比例"),
                       this);
    text_->setWordWrap(true);
    text_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    text_->setGeometry(CDialogMusic::DluRect(12, 13, 198, 17));
    setDialogControlId(text_, 1123);

    switch_ = new QCheckBox(QStringLiteral("启用"), this);
    switch_->setGeometry(CDialogMusic::DluRect(13, 36, 32, 10));
    setDialogControlId(switch_, 1045);
    // toggled, not clicked: assistive technology toggles without a click.
    connect(switch_, &QCheckBox::toggled, this, &CAutoSubDlg::OnSwitch);

    caption_ = new QLabel(QStringLiteral("超低比例"), this);
    caption_->setGeometry(CDialogMusic::DluRect(45, 37, 33, 10));
    setDialogControlId(caption_, 1124);

    slider_ = addSlider(1000, 83, 36, 87, 14);
    slider_->SetRange(positionLo(slot::autoSubLevel), positionHi(slot::autoSubLevel));
    connect(slider_, &controls::CXBmpSlider::SliderPositionChanged, this,
            [this](int, int) { OnSlider(slider_->position()); });

    value_ = new QLabel(this);
    value_->setGeometry(CDialogMusic::DluRect(173, 37, 24, 11));
    value_->setAlignment(Qt::AlignCenter);
    setDialogControlId(value_, 1127);
}

void CAutoSubDlg::opened() {
    centreOnParent();
    refreshFromState();
    relabel();
}

void CAutoSubDlg::OnSlider(int position) {
    recordStep(QStringLiteral("autosub:level"), -1, 1124, [&] { SetAutoSubLevel(ctx_, position); });
    value_->setText(QString::number(position));
}

void CAutoSubDlg::OnSwitch(bool on) {
    recordStep(QStringLiteral("autosub:switch"), -1, 1045,
               [&] { SetAutoSubEnable(ctx_, on ? 1 : 0); });
    showEnabled(on);
}

void CAutoSubDlg::showEnabled(bool on) {
    namespace img = controls::images;
    caption_->setEnabled(on);
    value_->setEnabled(on);
    // Drawn inactive but still moving and writing: the disabled thumb in
    // every state instead of switching the slider off.
    if (on)
        slider_->SetThumbImages(img::kSliderHThumb, img::kSliderHThumbFocus, img::kSliderHThumbDisabled);
    else
        slider_->SetThumbImages(img::kSliderHThumbDisabled, img::kSliderHThumbDisabled,
                                img::kSliderHThumbDisabled);
}

void CAutoSubDlg::refreshFromState() {
    const int level = ctx_.st.slotInt(slot::autoSubLevel);
    slider_->SetPosition(std::clamp(level, positionLo(slot::autoSubLevel), positionHi(slot::autoSubLevel)));
    value_->setText(QString::number(level));
    const bool on = ctx_.st.slotInt(slot::autoSubEnable) != 0;
    {
        const QSignalBlocker quiet(switch_);
        switch_->setChecked(on);
    }
    showEnabled(on);
}

void CAutoSubDlg::relabel() {
    applyTable();
    slider_->setAccessibleName(caption_->text());
}

}  // namespace udare::panel
