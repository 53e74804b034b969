// CAutoSubDlg (dialog 410): the subwoofer is lowered to a set level while a
// microphone carries signal. Centred, refreshed and relabelled at every opening.
#pragma once

#include "panel/small_dialog.h"
#include "ui/ui_api.h"

class QCheckBox;
class QLabel;

namespace udare {
struct Ctx;
}

namespace udare::panel {

class CAutoSubDlg : public SmallDialog,
                    public ui::StateRefreshable,
                    public ui::Relabelable,
                    public ui::Reopenable {
    Q_OBJECT
public:
    static constexpr int kDialog = 410;

    CAutoSubDlg(Ctx& ctx, RelabelFn table, QWidget* parent);

    // Every opening, the first included: centred, refreshed, relabelled.
    void opened() override;
    void OnSwitch(bool on);
    void OnSlider(int position);
    void refreshFromState() override;
    void relabel() override;

    QCheckBox* enableSwitch() const { return switch_; }
    controls::CXBmpSlider* slider() const { return slider_; }
    QLabel* valueLabel() const { return value_; }
    QLabel* levelCaption() const { return caption_; }

private:
    // Caption and value follow the switch; the slider only looks inactive.
    void showEnabled(bool on);

    Ctx& ctx_;
    QLabel* text_ = nullptr;
    QCheckBox* switch_ = nullptr;
    QLabel* caption_ = nullptr;
    controls::CXBmpSlider* slider_ = nullptr;
    QLabel* value_ = nullptr;
};

}  // namespace udare::panel
