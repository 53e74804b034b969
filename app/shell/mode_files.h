// The preset commands: load, store and reset the unit's modes M1-M4, and
// open and save mode files on the computer.
#pragma once

#include <QString>

namespace udare::shell {

class CVovedo13App;
class CVovedo13View;

// The preset (0-3) a mode file's name designates, or -1: the name without
// its directory, up to the first ".VXS" (exact case), in lower case, must
// begin with "默认n", "velmoran" or "mn". Without ".VXS" nothing matches.
int modeSlotFromFileName(const QString& path);

class ModeCommands {
public:
    ModeCommands(CVovedo13App& app, CVovedo13View& view);

    // Slot commands: silent without a unit.
    void loadMode(int n);
    void storeMode(int n);
    void resetMode(int n);  // from the machine settings dialog

    // Ribbon and application menu: visible guard, then the file dialog.
    void openFileCommand();
    void saveFileCommand();

    // A file from the recent list or the command line. False when the file
    // does not exist or is not a mode file; true otherwise, also when nothing
    // could be sent.
    bool openDocument(const QString& path);

    // When the store notice appears after its command (ms).
    static constexpr int kStoreNoticeDelayMs = 500;

private:
    // "请先连接设备!" or "升级模式下无法操作!"; false when a file command may not run.
    bool fileGuard();
    // Read the file into DeviceState, then write it all to the unit.
    bool loadAndWrite(const QString& path);
    // Read the file into DeviceState and show it (no unit to write to).
    bool loadOnly(const QString& path);

    CVovedo13App& app_;
    CVovedo13View& view_;
};

}  // namespace udare::shell
