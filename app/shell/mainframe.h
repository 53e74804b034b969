// The single top-level window: ribbon above, the view in the middle and the
// status bar below.
#pragma once

#include <QMainWindow>
#include <QTimer>

namespace udare::shell {

class CVovedo13App;
class CVovedo13View;
class CMFCMyRibbonStatusBar;
class Ribbon;
class TrayNotice;

inline constexpr int kFrameMinWidth = 900;
inline constexpr int kFrameMinHeight = 600;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CVovedo13App& app, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CVovedo13View* view() const { return view_; }
    Ribbon* ribbon() const { return ribbon_; }
    CMFCMyRibbonStatusBar* statusBarPane() const { return status_; }
    TrayNotice* notice() const { return notice_; }

    // Rename categories and panels, rewrite every ribbon text in the current
    // language and the value labels from DeviceState. Nothing before the
    // ribbon exists.
    void relabelRibbon();
    // Accessible names and descriptions of the ribbon's controls in the
    // current language.
    void nameRibbonControls();
    // Status texts, colours and states from the current values.
    void refreshStatus();
    // The recent list of the application menu.
    void rebuildRecentMenu();
    // Restore, raise and activate (a second start asked for us).
    void bringToFront();

    // Ribbon commands, as if chosen by the user.
    void runCommand(int id);

signals:
    void firstPainted();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool event(QEvent* e) override;

private:
    void buildRibbon();
    void buildCategory(bool output);
    void onCategoryChanged(int index);
    void onResetEq();

    CVovedo13App& app_;
    CVovedo13View* view_ = nullptr;
    Ribbon* ribbon_ = nullptr;
    CMFCMyRibbonStatusBar* status_ = nullptr;
    TrayNotice* notice_ = nullptr;
    class QMenu* recentMenu_ = nullptr;
    QString recentCaption_;
    QTimer idle_;  // command-state refresh
    bool painted_ = false;
};

}  // namespace udare::shell
