// The level controls of the ribbon: seven sliders and two mute checks, each
// present on both categories. The twins always show one value; a move stores
// the value in DeviceState and sends it at once, then rewrites the captions.
#pragma once

#include <QPoint>
#include <QString>

#include <functional>

namespace udare {
struct Ctx;
}
namespace udare::ui {
class UndoStack;
}

namespace udare::shell {

class Ribbon;

enum class Level { MicVolume, EffectVolume, MusicVolume, MicGate, MusicGate, FbcShift, Pitch };

// "%s%3d" with the level's prefix in the current language (the five value
// levels only).
QString levelCaption(Level level, int value);
// Panel 3: "OFF" for step 1, else the shift in hertz. The English prefix is
// "FBC:" after a move and "MIC FBC:" after a refresh.
QString fbcCaption(int step, bool afterRefresh);
// Panel 4: the pitch, always signed.
QString pitchCaption(int semitones);

// One of "输入控制", "Input", "输出调节", "Output"; exact, or ignoring case.
bool isLevelCategory(const QString& name, bool ignoreCase = false);
// The names that make the Output twin the one that counts.
bool isOutputCategory(const QString& name);

class RibbonLevels {
public:
    using RibbonFn = std::function<Ribbon*()>;
    using CtxFn = std::function<Ctx*()>;
    RibbonLevels(RibbonFn ribbon, CtxFn ctx);
    // Moves and clicks become steps of this stack (none: not recorded).
    void setUndoStack(ui::UndoStack* stack) { undo_ = stack; }

    // True when id is one of the sliders or checks handled here.
    static bool isLevelSlider(int id);
    static bool isMuteCheck(int id);

    // A slider of either twin was moved (its position is read from the ribbon).
    void sliderCommand(int id);
    // A mute check of either twin was clicked.
    void checkCommand(int id);
    // Every control and caption from DeviceState.
    void refresh();
    // A wheel turn with the pointer at globalPos; true when consumed.
    bool wheel(const QPoint& globalPos, int delta);

private:
    void showMutes(Ribbon& r, Ctx& c);

    RibbonFn ribbon_;
    CtxFn ctx_;
    ui::UndoStack* undo_ = nullptr;
};

}  // namespace udare::shell
