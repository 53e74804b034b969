// The remote learning dialog (373): a picture of a remote control whose key
// areas teach the unit one function each, the table sent to the unit, and
// remote-key files (.remo) loaded and saved.
#pragma once

#include <QAbstractButton>
#include <QDialog>
#include <QString>
#include <QWidget>

#include <string>

#include "remote_keys.h"
#include "shell/app.h"

namespace udare {
struct Ctx;
}

namespace udare::controls {
class CGdipButton;
}

namespace udare::dialogs {

// The standard open and save dialogs for remote-key files, replaceable in tests.
class RemoteFileChooser {
public:
    virtual ~RemoteFileChooser() = default;
    // Empty when the user cancels.
    virtual QString openRemoteFile(QWidget* parent) = 0;
    virtual QString saveRemoteFile(QWidget* parent) = 0;
};

class QtRemoteFileChooser final : public RemoteFileChooser {
public:
    QString openRemoteFile(QWidget* parent) override;
    QString saveRemoteFile(QWidget* parent) override;
};

// One key of the picture: drawn by the picture, clicked here.
class RemoteKeyArea final : public QAbstractButton {
    Q_OBJECT
public:
    RemoteKeyArea(const RemoteKey& key, QWidget* parent);
    const RemoteKey& key() const { return key_; }
    void relabel();  // accessible name in the current language

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const RemoteKey& key_;
};

// The remote control picture (1279) and the instructions (1224).
class RemotePicture final : public QWidget {
public:
    explicit RemotePicture(QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
};

// The steps in the current language.
class InstructionsPicture final : public QWidget {
public:
    explicit InstructionsPicture(QWidget* parent);

protected:
    void paintEvent(QPaintEvent*) override;
};

class CRemoteDlg final : public QDialog, public ui::Relabelable {
    Q_OBJECT
public:
    static constexpr int kDialogId = 373;
    static constexpr int IDC_REMOTE_PICTURE = 1279;
    static constexpr int IDC_INSTRUCTIONS = 1224;
    static constexpr int IDC_LOAD = 3;
    static constexpr int IDC_SAVE = 4;
    static constexpr int IDC_APPLY = 1;
    static constexpr int IDC_CLOSE = 2;

    CRemoteDlg(shell::CVovedo13App& app, Ctx& c, RemoteFileChooser& files, QWidget* parent = nullptr);

    // Captions from the table, key names and the instructions of the language.
    void relabel() override;

    // What the buttons and key areas do.
    void keyAreaClicked(const RemoteKey& key);
    void apply();
    void loadFile();
    void saveFile();

    RemoteKeyArea* area(int areaId) const;
    int instructionsLanguage() const { return instructionsLanguage_; }

    // The learning text of a key in the current language.
    static QString learnText(const RemoteKey& key);

public slots:
    void reject() override;  // Escape closes like the close box

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // The remote-key file the user chose; empty when not connected or cancelled.
    std::string chooseFile(bool save);

    shell::CVovedo13App& app_;
    Ctx& c_;
    RemoteFileChooser& files_;
    InstructionsPicture* instructions_;
    int instructionsLanguage_ = -1;
};

}  // namespace udare::dialogs
