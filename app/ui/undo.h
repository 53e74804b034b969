// Undo and redo of the window's edits. Every user change is one step that
// holds the values before and after of what it touched (slots, band records,
// the machine settings' working copy); undo and redo store those values and
// send them through the same Ctx as an edit, so the unit follows and nothing
// goes out while it is away. A press-to-release gesture is one step.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUndoCommand>
#include <QUndoStack>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "protocol/device_state.h"
#include "ui/ui_api.h"

namespace udare {
struct Ctx;
}

namespace udare::ui {

// Everything an edit can change, copied whole (about 1.4 kB).
struct StateSnapshot {
    std::array<uint32_t, kSlotCount> params{};
    std::array<uint8_t, kImageSize> image{};
    std::array<uint8_t, 12> machine{};
    static StateSnapshot take(const DeviceState& st);
};

// What a step touched, before and after.
struct StateChanges {
    struct Slot {
        int index;
        uint32_t before, after;
    };
    struct Band {
        Eq eq;
        int band;
        std::array<uint8_t, kBandRecordSize> before, after;
    };
    std::vector<Slot> params;  // by slot index
    std::vector<Band> bands;  // in image order
    bool machine = false;
    std::array<uint8_t, 12> machineBefore{}, machineAfter{};

    static StateChanges between(const StateSnapshot& before, const StateSnapshot& after);
    bool empty() const { return params.empty() && bands.empty() && !machine; }
    // This step followed by later: this one's before, later's after; what
    // came back to where it started drops out.
    void append(const StateChanges& later);
    // Stores one side into the state and sends it (after = redo).
    void apply(Ctx& c, bool after) const;
};

// Where a step happened, so the window can show it again: the panel's page,
// the microphone equaliser choice and the band (curve index), -1 for none;
// or the dialog the step was made in, opened again if it has been closed.
struct StepPlace {
    int page = -1;
    int micEq = -1;
    int band = -1;
    DialogSlot dialog = DialogSlot::Count;
};

// The fields of a band record, as step names call them.
enum BandField : int { FieldType = 0, FieldGain, FieldFrequency, FieldQ };
QString bandFieldName(int field, int language);  // "" outside the four

// A step's name in both languages ("主输出 第5段", "MAIN band 5"). With
// nameFields the band fields that changed follow ("增益", "gain").
struct StepLabel {
    QString zh, en;
    bool nameFields = false;
};

class EditCommand final : public QUndoCommand {
public:
    static constexpr int kGestureId = 0x5544;

    EditCommand(Ctx& c, QString key, StepLabel label, StepPlace place, StateChanges changes, int gesture);

    void undo() override;
    void redo() override;
    int id() const override { return gesture_ != 0 ? kGestureId : -1; }
    bool mergeWith(const QUndoCommand* other) override;

    const QString& key() const { return key_; }
    const StepPlace& place() const { return place_; }
    const StateChanges& changes() const { return changes_; }
    // The step's name in one language (0 Chinese, 1 English).
    QString name(int language) const;

private:
    Ctx& c_;
    QString key_;
    StepLabel label_;
    StepPlace place_;
    StateChanges changes_;
    int gesture_;
    bool pushed_ = false;  // the edit itself has already stored and sent the after side
};

class UndoStack final : public QObject {
    Q_OBJECT
public:
    explicit UndoStack(Ctx& c, QObject* parent = nullptr);
    ~UndoStack() override;

    // Runs edit and records what it changed as one step under key; an edit
    // that changed nothing leaves no step. Inside a gesture, steps of the
    // same key merge.
    void record(const QString& key, const StepLabel& label, const StepPlace& place, const std::function<void()>& edit);

    // A gesture (press to release) makes one step of its edits.
    void beginGesture();
    void endGesture();
    bool inGesture() const { return gestureOpen_; }
    // Every left-button press anywhere in the program begins a gesture and its
    // release ends it, once the release has been handled.
    void trackPointerGestures();

    void undo();
    void redo();
    // State replaced wholesale (synchronisation, mode load or reset, a file).
    void clear();
    bool canUndo() const { return stack_.canUndo(); }
    bool canRedo() const { return stack_.canRedo(); }
    int count() const { return stack_.count(); }
    int index() const { return stack_.index(); }
    // The step undo or redo would take, or null.
    const EditCommand* nextUndo() const;
    const EditCommand* nextRedo() const;
    // "撤销：主输出 第5段 增益" / "Undo: MAIN band 5 gain"; "撤销" / "Undo" with nothing to undo.
    QString undoText(int language) const;
    QString redoText(int language) const;
    // The menu entries' tooltip.
    static QString clearedByText(int language);

    QUndoStack& stack() { return stack_; }

    // Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z in window (the main frame and the
    // modeless dialogs that record steps), acting on the stack found then.
    static void addKeys(QWidget* window, const std::function<UndoStack*()>& stack);

signals:
    // After an undo or redo has stored and sent its step.
    void stepApplied(const udare::ui::StepPlace& place);
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Ctx& c_;
    QUndoStack stack_;
    int gestureSerial_ = 0;
    bool gestureOpen_ = false;
    bool tracking_ = false;
};

// Runs edit through stack->record, or alone when there is no stack.
void recordEdit(UndoStack* stack, const QString& key, const StepLabel& label, const StepPlace& place,
                const std::function<void()>& edit);

}  // namespace udare::ui
