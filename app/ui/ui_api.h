// The seams between the shell and what plugs into it. The tuning panel, the
// dialogs and the upgrade windows implement these interfaces and register
// their dialogs; the shell finds them through the registry. Nothing here
// needs the shell.
#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

namespace udare::ui {

class UndoStack;
struct StepPlace;

// The tuning panel's pages.
enum class PanelPage { Mic = 0, Echo, Reverb, Music, Main, Rear, Center, Sub };
inline constexpr int kPanelPageCount = 8;

// The dialog slots of the program: at most one dialog of each at a time.
enum class DialogSlot {
    MachineSettings,     // 335
    InfoBox,             // 344
    LearningInProgress,  // 372, modal
    RemoteLearning,      // 373
    AutoSub,             // 410
    SyncProgress,        // 347, modal
    McuUpgrade,          // 419
    DspUpgrade,          // 416
    WaitUpgrade,         // 420
    NoiseGate,           // 467
    Count
};
inline constexpr int kDialogSlotCount = static_cast<int>(DialogSlot::Count);

// A window that shows values of DeviceState and redraws them after every
// completed synchronisation (the tuning panel, the machine settings, the
// subwoofer ducking and noise gate dialogs, the MCU upgrade status).
class StateRefreshable {
public:
    virtual ~StateRefreshable() = default;
    virtual void refreshFromState() = 0;
};

// The file commands for the equaliser of the panel's page (the application
// menu and the curve's context menu): filter sets in and out, the curve out.
enum class EqFileCommand { ImportFilters, ExportFilters, ExportCurve };

// What the view asks of the tuning panel.
class TuningPanelApi : public StateRefreshable {
public:
    virtual void eqFileCommand(EqFileCommand) {}
    virtual void setPage(PanelPage page) = 0;
    virtual PanelPage page() const = 0;
    virtual bool eqBypassed() const { return false; }
    virtual void toggleEqBypass() {}
    virtual void resetEq() {}
    // The window's undo stack, which the panel records its edits on.
    virtual void setUndoStack(UndoStack* stack) { (void)stack; }
    // After an undo or redo: redraw from DeviceState and show where the step happened.
    virtual void showStep(const StepPlace& place) {
        (void)place;
        refreshFromState();
    }
};

// The learning-in-progress dialog receives the learned key code.
class KeyLearnSink {
public:
    virtual ~KeyLearnSink() = default;
    virtual void keyLearned(int code) = 0;
};

// A dialog with its own relabel step (for instance one that also rewrites
// texts built in code); the others are relabelled from the caption table.
class Relabelable {
public:
    virtual ~Relabelable() = default;
    virtual void relabel() = 0;
};

// A dialog with work to do at every opening, not only at its creation (the
// registry calls it before showing the dialog).
class Reopenable {
public:
    virtual ~Reopenable() = default;
    virtual void opened() = 0;
};

// The MCU upgrade dialog hears that a unit in upgrade mode has connected;
// arrival is false on the start-up path.
class UpgradeModeSink {
public:
    virtual ~UpgradeModeSink() = default;
    virtual void upgradeModeConnected(bool arrival) = 0;
};

// The MCU upgrade dialog hears the image check's outcome after the view
// has asked the unit (-1 confirmed, otherwise failed).
class McuUpgradeResultSink {
public:
    virtual ~McuUpgradeResultSink() = default;
    virtual void showMcuUpgradeResult(int result) = 0;
};

// The DSP upgrade dialog tells the view whether the unit went away during
// its transfer (then no restart notice: the transfer did not complete).
class DspUpgradeOutcome {
public:
    virtual ~DspUpgradeOutcome() = default;
    virtual bool transferLost() const = 0;
};

// The notice box shown at the end of an upgrade.
class UpgradeNoticeSink {
public:
    virtual ~UpgradeNoticeSink() = default;
    virtual void showUpgradeNotice(const QString& text) = 0;
};

// How each slot's dialog is made, and the dialogs open now. Modeless dialogs
// are made on first opening into their slot and empty it when destroyed.
class DialogRegistry {
public:
    using Factory = std::function<QWidget*(QWidget* parent)>;

    // A later registration replaces an earlier one.
    void add(DialogSlot slot, Factory make) { factories_[index(slot)] = std::move(make); }
    bool registered(DialogSlot slot) const { return static_cast<bool>(factories_[index(slot)]); }

    // The slot's dialog while it exists, else null.
    QWidget* current(DialogSlot slot) const { return open_[index(slot)].data(); }
    void setCurrent(DialogSlot slot, QWidget* dialog) { open_[index(slot)] = dialog; }

    // The slot's dialog, made on first use; null when nothing is registered
    // for the slot (or its factory made nothing).
    QWidget* obtain(DialogSlot slot, QWidget* parent);
    // obtain(), then told it is being opened (Reopenable), shown, raised and activated.
    QWidget* show(DialogSlot slot, QWidget* parent);
    // Closes and deletes the slot's dialog, if any.
    void close(DialogSlot slot);

    // Every open dialog that shows state redraws from DeviceState.
    void refreshOpen() const;
    // f(slot, dialog) for every open dialog.
    void forEachOpen(const std::function<void(DialogSlot, QWidget*)>& f) const;

private:
    static int index(DialogSlot s) { return static_cast<int>(s); }
    std::array<Factory, kDialogSlotCount> factories_{};
    std::array<QPointer<QWidget>, kDialogSlotCount> open_{};
};

}  // namespace udare::ui
