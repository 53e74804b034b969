// The learning-in-progress dialog (372): modal, waits for the unit to report
// the code of the remote key the user presses, or for the user to give up.
#pragma once

#include <QDialog>
#include <QTimer>

#include "ui/ui_api.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace udare {
struct Ctx;
}

namespace udare::shell {
class CVovedo13App;
}

namespace udare::dialogs {

class CRemoteStudyDlg final : public QDialog, public ui::KeyLearnSink {
    Q_OBJECT
public:
    static constexpr int kDialogId = 372;
    static constexpr int IDC_KEY_TEXT = 1167;
    static constexpr int IDC_PROMPT = 1007;
    static constexpr int IDC_CODE = 1038;
    static constexpr int IDC_STATUS = 1004;
    static constexpr int IDC_GIVE_UP = 3;
    static constexpr int IDC_CLOSE = 1;
    static constexpr int kCloseAfterMs = 1000;

    // keyText: the "learning key" text of the key being taught.
    CRemoteStudyDlg(shell::CVovedo13App& app, Ctx& c, const QString& keyText, QWidget* parent = nullptr);

    // MSG_KEY_LEARNED: shows the code and closes a second later. Runs while
    // the read thread waits for it, so it never touches the link.
    void keyLearned(int code) override;

    bool learned() const { return learned_; }
    QString codeText() const;
    QString statusText() const;

public slots:
    // Give up (button 3, Escape, the close box): the unit stops learning.
    void reject() override;

private:
    shell::CVovedo13App& app_;
    Ctx& c_;
    QLabel* keyText_;
    QLabel* prompt_;
    QLineEdit* code_;
    QLabel* status_;
    QPushButton* giveUp_;
    QPushButton* close_;
    QTimer closeTimer_;
    bool learned_ = false;
};

}  // namespace udare::dialogs
