// The machine settings dialog (335): the unit's start volumes, volume
// limits, panel lock and the functions it locks, volume-save mode and
// power-on mode, the preset reset buttons and the way to the firmware
// upgrades. Edits go into the working copy of the settings; Apply sends
// them, Cancel and the close box drop them. The start-volume sliders also
// set the unit's current volumes at once so the level can be heard.
#pragma once

#include <QDialog>

#include <array>
#include <functional>

#include "shell/app.h"
#include "ui/ui_api.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace udare {
struct Ctx;
}

namespace udare::ui {
class UndoStack;
}

namespace udare::controls {
class CGdipButton;
class CXBmpSlider;
}  // namespace udare::controls

namespace udare::dialogs {

class CSetDlg final : public QDialog, public ui::StateRefreshable, public ui::Relabelable {
    Q_OBJECT
public:
    static constexpr int kDialogId = 335;
    static constexpr int IDC_START_GROUP = 1197;
    static constexpr int IDC_MIC_START_LABEL = 1005;
    static constexpr int IDC_MIC_START = 1014;
    static constexpr int IDC_MIC_START_TEXT = 1145;
    static constexpr int IDC_MIC_START_ON = 1039;
    static constexpr int IDC_MUSIC_START_LABEL = 1002;
    static constexpr int IDC_MUSIC_START = 1015;
    static constexpr int IDC_MUSIC_START_TEXT = 1146;
    static constexpr int IDC_MUSIC_START_ON = 1040;
    static constexpr int IDC_MAX_GROUP = 1199;
    static constexpr int IDC_MIC_MAX_LABEL = 1006;
    static constexpr int IDC_MIC_MAX = 1016;
    static constexpr int IDC_MIC_MAX_TEXT = 1147;
    static constexpr int IDC_MUSIC_MAX_LABEL = 1131;
    static constexpr int IDC_MUSIC_MAX = 1019;
    static constexpr int IDC_MUSIC_MAX_TEXT = 1150;
    static constexpr int IDC_SAVE_GROUP = 1201;
    static constexpr int IDC_SAVE_BY_POWER = 1190;
    static constexpr int IDC_SAVE_BY_MODE = 1191;
    static constexpr int IDC_LOCK_GROUP = 1198;
    static constexpr int IDC_LOCK_PANEL = 1046;
    static constexpr int IDC_RESET_GROUP = 1183;
    static constexpr int IDC_RESET_M1 = 32823;
    static constexpr int IDC_POWER_ON_GROUP = 1185;
    static constexpr int IDC_POWER_ON = 1226;
    static constexpr int IDC_HINT = 1222;
    static constexpr int IDC_APPLY = 1073;
    static constexpr int IDC_CANCEL = 2;
    // Lock details: one box per lock bit, then the two combined boxes.
    static constexpr int IDC_LOCK_DETAIL_GROUP = 1200;
    static constexpr int IDC_LOCK_VOLUMES = 1047;  // bits 0, 1 and 7
    static constexpr int IDC_LOCK_MODES = 1048;    // bit 4
    static constexpr std::array<int, 8> kLockBitIds{1143, 1144, 1041, 1042, 1043, 1044, 1045, 1148};
    static constexpr int IDC_UPGRADE_GROUP = 1184;
    static constexpr int IDC_MCU_UPGRADE = 1077;
    static constexpr int IDC_DSP_UPGRADE = 1069;

    CSetDlg(shell::CVovedo13App& app, Ctx& c, QWidget* parent = nullptr);

    // Every control from the working copy (after each synchronisation, when
    // it equals the committed one, and after an undo or redo).
    void refreshFromState() override;
    void relabel() override;

    void apply();

    // A control by its identifier, for the layout's users and tests.
    QWidget* control(int id) const;

protected:
    void closeEvent(QCloseEvent* e) override;

public slots:
    void reject() override;

private:
    struct StartVolume {
        int byte;
        controls::CXBmpSlider* slider;
        QLabel* label;
        QLabel* text;
        QCheckBox* enabled;
    };
    void buildStartVolume(StartVolume& v, int byte, int labelId, int sliderId, int textId, int checkId,
                          int top, const char* caption);
    controls::CXBmpSlider* makeSlider(int id, int left, int top);
    void showStartVolume(StartVolume& v, bool set, int value);
    void startVolumeMoved(StartVolume& v, int position);
    void startVolumeTicked(StartVolume& v, bool on);
    void maximumMoved(int byte, int position);
    struct Names {
        QString zh, en;
    };
    // Every user change is one undo step, named after the dialog and the
    // control's caption (keyed by the control): it restores the working copy
    // and, for a start volume, the volume sent live.
    ui::UndoStack* undoStack() const;
    static QString caption(int language, int id);
    void record(int key, const Names& names, const std::function<void()>& edit);
    void record(int key, int captionId, const std::function<void()>& edit);
    void lockBitToggled(int key, const Names& names, int mask, bool on);
    void showLockBits(int bits);
    void updateLockDetailEnabled();
    void setWorking(int byte, int value);
    int working(int byte) const;

    shell::CVovedo13App& app_;
    Ctx& c_;
    StartVolume mic_{}, music_{};
    controls::CXBmpSlider* micMax_ = nullptr;
    controls::CXBmpSlider* musicMax_ = nullptr;
    QLabel* micMaxText_ = nullptr;
    QLabel* musicMaxText_ = nullptr;
    QRadioButton* byPower_ = nullptr;
    QRadioButton* byMode_ = nullptr;
    QCheckBox* lockPanel_ = nullptr;
    std::array<QCheckBox*, 8> lockBits_{};
    QCheckBox* lockVolumes_ = nullptr;
    QCheckBox* lockModes_ = nullptr;
    QGroupBox* powerOnGroup_ = nullptr;
    QComboBox* powerOn_ = nullptr;
    std::array<controls::CGdipButton*, 4> reset_{};
    bool refreshing_ = false;
    bool closed_ = false;
};

}  // namespace udare::dialogs
