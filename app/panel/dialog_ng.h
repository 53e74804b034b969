// CDialogNG (dialog 467): attack and release of the microphone and music
// noise gates. A slider at position p stores 101 - p, so a short time (small
// position) is a large coefficient.
#pragma once

#include <array>

#include "panel/small_dialog.h"
#include "ui/ui_api.h"

class QGroupBox;
class QLabel;

namespace udare {
struct Ctx;
}

namespace udare::panel {

class CDialogNG : public SmallDialog,
                  public ui::StateRefreshable,
                  public ui::Relabelable {
    Q_OBJECT
public:
    static constexpr int kDialog = 467;
    // Sliders 1052-1055: mic attack, mic release, music attack, music release.
    static constexpr int kFirstSlider = 1052;

    CDialogNG(Ctx& ctx, RelabelFn table, QWidget* parent);

    // Slot value of a slider position and the position shown for a slot value.
    static int slotValue(int position) { return 101 - position; }

    void OnSlider(int id, int position);
    void refreshFromState() override;
    void relabel() override;

    controls::CXBmpSlider* slider(int k) const { return sliders_[k]; }
    QLabel* valueLabel(int k) const { return values_[k]; }

private:
    void updateAccessibleNames();

    Ctx& ctx_;
    QGroupBox* groups_[2] = {};
    std::array<controls::CXBmpSlider*, 4> sliders_{};
    std::array<QLabel*, 4> captions_{};
    std::array<QLabel*, 4> values_{};
};

}  // namespace udare::panel
