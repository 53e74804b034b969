// The one view inside the main frame: it owns the tuning panel and the
// connection to the unit, and receives what the link's threads report.
#pragma once

#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace udare::shell {

class CVovedo13App;

class CVovedo13View : public QWidget {
    Q_OBJECT
public:
    explicit CVovedo13View(CVovedo13App& app, QWidget* parent = nullptr);
    ~CVovedo13View() override;

    CVovedo13App& app() { return app_; }

    // The tuning panel (dialog 313); a stand-in until the real panel exists.
    QWidget* panel() const { return panel_; }
    QRect panelRect() const { return panelRect_; }

    // ---- hooks the frame calls ----
    // Relabel the tuning panel; the last step of every language load.
    void applyLanguage();
    // The ribbon switched category: 0 Input, 1 Output.
    void onCategoryChanged(int category);
    // Ribbon commands the frame does not handle itself.
    void onRibbonCommand(int id);
    void onSliderMoved(int id, int position);
    void onCheckToggled(int id, bool checked);
    // Status-bar extended area.
    bool eqBypassChecked() const;
    void toggleEqBypass();
    void resetEq();  // the frame has asked and the user said Yes
    // Ribbon values from DeviceState, the panel and every open dialog.
    void refreshAll();
    // Mode files (application menu, ribbon, command line, recent list).
    void openModeFile(const QString& path);
    void saveModeFileCommand();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;

private:
    // First connection attempt, 250 ms after creation.
    void onConnectTimer();

    CVovedo13App& app_;
    QPointer<QWidget> panel_;
    int firstSyncPending_ = 1;
    int mismatchNoticeArmed_ = 1;
    QRect panelRect_;
    QTimer connectTimer_;  // timer 1
};

}  // namespace udare::shell
