#include "ui/undo.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QShortcut>
#include <QStringList>

#include <algorithm>
#include <cstring>
#include <iterator>

#include "protocol/commands.h"
#include "protocol/context.h"

namespace udare::ui {

// ---------------------------------------------------------------- changes

StateSnapshot StateSnapshot::take(const DeviceState& st) {
    StateSnapshot s;
    s.params = st.params.copy();
    s.image = st.eqImage.copy();
    s.machine = st.machine.working.copy();
    return s;
}

StateChanges StateChanges::between(const StateSnapshot& before, const StateSnapshot& after) {
    StateChanges d;
    for (int i = 0; i < kSlotCount; ++i) {
        const auto k = static_cast<size_t>(i);
        if (before.params[k] != after.params[k]) d.params.push_back({i, before.params[k], after.params[k]});
    }
    for (const EqInfo& e : kEqualisers) {
        for (int b = 0; b < e.bands; ++b) {
            const auto offset = static_cast<size_t>(bandOffset(e.eq, b));
            if (std::memcmp(&before.image[offset], &after.image[offset], kBandRecordSize) == 0) continue;
            Band band{e.eq, b, {}, {}};
            std::memcpy(band.before.data(), &before.image[offset], kBandRecordSize);
            std::memcpy(band.after.data(), &after.image[offset], kBandRecordSize);
            d.bands.push_back(band);
        }
    }
    if (before.machine != after.machine) {
        d.machine = true;
        d.machineBefore = before.machine;
        d.machineAfter = after.machine;
    }
    return d;
}

void StateChanges::append(const StateChanges& later) {
    for (const Slot& s : later.params) {
        auto it = std::find_if(params.begin(), params.end(), [&](const Slot& o) { return o.index == s.index; });
        if (it == params.end())
            params.insert(std::upper_bound(params.begin(), params.end(), s.index,
                                          [](int i, const Slot& o) { return i < o.index; }),
                         s);
        else
            it->after = s.after;
    }
    std::erase_if(params, [](const Slot& s) { return s.before == s.after; });
    auto order = [](const Band& b) { return bandOffset(b.eq, b.band); };
    for (const Band& b : later.bands) {
        auto it = std::find_if(bands.begin(), bands.end(), [&](const Band& o) { return o.eq == b.eq && o.band == b.band; });
        if (it == bands.end())
            bands.insert(std::upper_bound(bands.begin(), bands.end(), order(b),
                                          [&](int o, const Band& x) { return o < order(x); }),
                         b);
        else
            it->after = b.after;
    }
    std::erase_if(bands, [](const Band& b) { return b.before == b.after; });
    if (later.machine) {
        if (!machine) machineBefore = later.machineBefore;
        machine = true;
        machineAfter = later.machineAfter;
    }
    if (machine && machineBefore == machineAfter) machine = false;
}

void StateChanges::apply(Ctx& c, bool after) const {
    // Everything is stored first: an operation that sends a block (the
    // compressor) reads the values next to its own.
    for (const Slot& s : params) c.st.params.setBits(s.index, after ? s.after : s.before);
    for (const Band& b : bands) {
        const auto& rec = after ? b.after : b.before;
        c.st.eqImage.write(bandOffset(b.eq, b.band), kBandRecordSize, rec.data());
    }
    if (machine) {
        // Only the bytes the step changed: the dialog's cancel puts the
        // committed record back without a step of its own.
        auto record = c.st.machine.working.copy();
        for (size_t i = 0; i < record.size(); ++i)
            if (machineBefore[i] != machineAfter[i])
                record[i] = after ? machineAfter[i] : machineBefore[i];
        c.st.machine.working.assign(record);
    }
    // The working copy of the machine settings goes out only when its dialog applies it.
    for (const Band& b : bands) RewriteEqBand(c, b.eq, b.band);
    std::vector<int> touched;
    touched.reserve(params.size());
    for (const Slot& s : params) touched.push_back(s.index);
    RewriteSlots(c, touched);
}

// ---------------------------------------------------------------- one step

namespace {

// Bytes of each field in a record, and its names, by BandField.
struct FieldName {
    int first, count;
    const char* zh;
    const char* en;
};
constexpr FieldName kFields[] = {
    {6, 1, "类型", "type"}, {0, 2, "增益", "gain"}, {2, 2, "频率", "frequency"}, {4, 2, "Q值", "Q"}};

}  // namespace

QString bandFieldName(int field, int language) {
    if (field < 0 || field >= static_cast<int>(std::size(kFields))) return {};
    return QString::fromUtf8(language == 1 ? kFields[field].en : kFields[field].zh);
}

EditCommand::EditCommand(Ctx& c, QString key, StepLabel label, StepPlace place, StateChanges changes, int gesture)
    : c_(c), key_(std::move(key)), label_(std::move(label)), place_(place), changes_(std::move(changes)),
      gesture_(gesture) {
    setText(name(1));
}

QString EditCommand::name(int language) const {
    QString text = language == 1 ? label_.en : label_.zh;
    if (!label_.nameFields) return text;
    QStringList fields;
    for (int k = 0; k < static_cast<int>(std::size(kFields)); ++k) {
        const FieldName& f = kFields[k];
        const bool changed = std::any_of(changes_.bands.begin(), changes_.bands.end(), [&](const StateChanges::Band& b) {
            return std::memcmp(&b.before[static_cast<size_t>(f.first)], &b.after[static_cast<size_t>(f.first)],
                               static_cast<size_t>(f.count)) != 0;
        });
        if (changed) fields << bandFieldName(k, language);
    }
    if (fields.isEmpty()) return text;
    return text + QLatin1Char(' ') + fields.join(language == 1 ? QStringLiteral(", ") : QStringLiteral("、"));
}

void EditCommand::undo() { changes_.apply(c_, false); }

void EditCommand::redo() {
    // Pushing calls redo once: the edit has already stored and sent its values.
    if (!pushed_) {
        pushed_ = true;
        return;
    }
    changes_.apply(c_, true);
}

bool EditCommand::mergeWith(const QUndoCommand* other) {
    const auto* o = dynamic_cast<const EditCommand*>(other);
    if (!o || o->gesture_ != gesture_ || o->key_ != key_) return false;
    changes_.append(o->changes_);
    setText(name(1));
    // A drag that came back to where it started is no step at all.
    setObsolete(changes_.empty());
    return true;
}

// ---------------------------------------------------------------- the stack

UndoStack::UndoStack(Ctx& c, QObject* parent) : QObject(parent), c_(c) {
    connect(&stack_, &QUndoStack::indexChanged, this, &UndoStack::changed);
    connect(&stack_, &QUndoStack::cleanChanged, this, &UndoStack::changed);
}

UndoStack::~UndoStack() {
    if (tracking_) qApp->removeEventFilter(this);
}

void UndoStack::record(const QString& key, const StepLabel& label, const StepPlace& place,
                       const std::function<void()>& edit) {
    const StateSnapshot before = StateSnapshot::take(c_.st);
    edit();
    StateChanges changes = StateChanges::between(before, StateSnapshot::take(c_.st));
    if (changes.empty()) return;
    stack_.push(new EditCommand(c_, key, label, place, std::move(changes), gestureOpen_ ? gestureSerial_ : 0));
    emit changed();
}

void UndoStack::beginGesture() {
    ++gestureSerial_;
    gestureOpen_ = true;
}

void UndoStack::endGesture() {
    if (!gestureOpen_) return;
    gestureOpen_ = false;
    ++gestureSerial_;
}

void UndoStack::trackPointerGestures() {
    if (tracking_ || !qApp) return;
    tracking_ = true;
    qApp->installEventFilter(this);
}

bool UndoStack::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && watched->isWidgetType()) beginGesture();
    } else if (event->type() == QEvent::MouseButtonRelease) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && watched->isWidgetType() &&
            gestureOpen_) {
            // The control acts on the release after this filter: end once it has.
            const int serial = gestureSerial_;
            QMetaObject::invokeMethod(
                this,
                [this, serial] {
                    if (gestureSerial_ == serial) endGesture();
                },
                Qt::QueuedConnection);
        }
    }
    return QObject::eventFilter(watched, event);
}

void UndoStack::undo() {
    endGesture();
    const EditCommand* step = nextUndo();
    if (!step) return;
    const StepPlace place = step->place();
    stack_.undo();
    emit stepApplied(place);
}

void UndoStack::redo() {
    endGesture();
    const EditCommand* step = nextRedo();
    if (!step) return;
    const StepPlace place = step->place();
    stack_.redo();
    emit stepApplied(place);
}

void UndoStack::clear() {
    endGesture();
    stack_.clear();
    emit changed();
}

const EditCommand* UndoStack::nextUndo() const {
    return stack_.canUndo() ? dynamic_cast<const EditCommand*>(stack_.command(stack_.index() - 1)) : nullptr;
}

const EditCommand* UndoStack::nextRedo() const {
    return stack_.canRedo() ? dynamic_cast<const EditCommand*>(stack_.command(stack_.index())) : nullptr;
}

QString UndoStack::undoText(int language) const {
    const EditCommand* step = nextUndo();
    const QString verb = language == 1 ? QStringLiteral("Undo") : QString::fromUtf8("撤销");
    if (!step) return verb;
    return verb + (language == 1 ? QStringLiteral(": ") : QString::fromUtf8("：")) + step->name(language);
}

QString UndoStack::redoText(int language) const {
    const EditCommand* step = nextRedo();
    const QString verb = language == 1 ? QStringLiteral("Redo") : QString::fromUtf8("重做");
    if (!step) return verb;
    return verb + (language == 1 ? QStringLiteral(": ") : QString::fromUtf8("：")) + step->name(language);
}

QString UndoStack::clearedByText(int language) {
    return language == 1
               ? QStringLiteral("Synchronising with the unit, loading or resetting a mode and opening a file clear "
                                "the undo history")
               : QString::fromUtf8("与机器同步、载入或重置模式、打开文件都会清空撤销记录");
}

void UndoStack::addKeys(QWidget* window, const std::function<UndoStack*()>& stack) {
    auto* undoKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), window);
    QObject::connect(undoKey, &QShortcut::activated, window, [stack] {
        if (UndoStack* s = stack()) s->undo();
    });
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        auto* redoKey = new QShortcut(keys, window);
        QObject::connect(redoKey, &QShortcut::activated, window, [stack] {
            if (UndoStack* s = stack()) s->redo();
        });
    }
}

void recordEdit(UndoStack* stack, const QString& key, const StepLabel& label, const StepPlace& place,
                const std::function<void()>& edit) {
    if (stack)
        stack->record(key, label, place, edit);
    else
        edit();
}

}  // namespace udare::ui
