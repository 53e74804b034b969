// The notice box (dialog 420): one centred red line and a close button,
// shown modeless at the end of an upgrade.
#pragma once

#include <QDialog>

#include "ui/ui_api.h"

class QLabel;
class QPushButton;

namespace udare::upgrade {

class CWaitUpDlg final : public QDialog, public ui::UpgradeNoticeSink {
    Q_OBJECT
public:
    static constexpr int kDialogId = 420;
    static constexpr int IDC_TEXT = 1151, IDC_CLOSE = 2;
    // The template's text, which every caller replaces.
    static constexpr const char* kTemplateText = "请您按住音乐按键别放，重开关电源进入升级模式！";

    explicit CWaitUpDlg(QWidget* parent = nullptr);
    // ShowUpgradeNotice: the text, then shown modeless.
    void ShowUpgradeNotice(const QString& text);
    QString text() const;
    void showUpgradeNotice(const QString& text) override { ShowUpgradeNotice(text); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QLabel* text_;
    QPushButton* close_;
};

}  // namespace udare::upgrade
