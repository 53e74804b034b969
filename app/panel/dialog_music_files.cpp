// The page's equaliser as files: a filter set read in (Equalizer APO /
// AutoEq text or REW's filter settings), the equaliser written out in either
// form, and its response curve as CSV or as a picture of the curve.
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

#include <ctime>
#include <vector>

#include "curve_image.h"
#include "eq_panel.h"
#include "panel/dialog_music.h"
#include "protocol/context.h"
#include "protocol/eq_curve.h"
#include "protocol/eq_filters.h"
#include "protocol/mode_file.h"
#include "shell/lang.h"

namespace udare::panel {

using shell::T;

namespace {

constexpr int kMostErrorsShown = 12;

std::string localPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString defaultAsk(QWidget* parent, ui::EqFileCommand command, bool* rew) {
    const QString apo = T("Equalizer APO / AutoEq (*.txt)", "Equalizer APO / AutoEq (*.txt)");
    const QString rewFilter = T("REW 滤波器设置 (*.txt)", "REW filter settings (*.txt)");
    switch (command) {
        case ui::EqFileCommand::ImportFilters:
            return QFileDialog::getOpenFileName(parent, T("导入滤波器", "Import filters"), QString(),
                                                T("滤波器组 (*.txt);;所有文件 (*)", "Filter sets (*.txt);;All files (*)"));
        case ui::EqFileCommand::ExportFilters: {
            QString chosen;
            const QString path = QFileDialog::getSaveFileName(parent, T("导出滤波器", "Export filters"), QString(),
                                                              apo + QStringLiteral(";;") + rewFilter, &chosen);
            if (rew) *rew = chosen == rewFilter;
            if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) return path + QStringLiteral(".txt");
            return path;
        }
        case ui::EqFileCommand::ExportCurve: {
            QString chosen;
            const QString png = QStringLiteral("PNG (*.png)");
            const QString path = QFileDialog::getSaveFileName(parent, T("导出曲线", "Export curve"), QString(),
                                                              png + QStringLiteral(";;CSV (*.csv)"), &chosen);
            if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
                return path + (chosen == png ? QStringLiteral(".png") : QStringLiteral(".csv"));
            return path;
        }
    }
    return {};
}

}  // namespace

void CDialogMusic::eqFileCommand(ui::EqFileCommand command) {
    bool rew = false;
    const QString path = askFileName_ ? askFileName_(command, &rew) : defaultAsk(this, command, &rew);
    if (path.isEmpty()) return;
    switch (command) {
        case ui::EqFileCommand::ImportFilters: ImportFilters(path); break;
        case ui::EqFileCommand::ExportFilters: ExportFilters(path, rew); break;
        case ui::EqFileCommand::ExportCurve: ExportCurve(path); break;
    }
}

void CDialogMusic::ShowFileMenu(const QPoint& global) {
    // Made afresh each time: its texts follow the current language.
    delete fileMenu_;
    fileMenu_ = new QMenu(this);
    fileMenu_->addAction(T("导入滤波器...", "Import filters..."), this,
                         [this] { eqFileCommand(ui::EqFileCommand::ImportFilters); });
    fileMenu_->addAction(T("导出滤波器...", "Export filters..."), this,
                         [this] { eqFileCommand(ui::EqFileCommand::ExportFilters); });
    fileMenu_->addAction(T("导出曲线...", "Export curve..."), this,
                         [this] { eqFileCommand(ui::EqFileCommand::ExportCurve); });
    fileMenu_->popup(global);
}

bool CDialogMusic::ImportFilters(const QString& path) {
    const int lang = shell::uiLanguage();
    auto refuse = [&](const QString& text) {
        ctx_.prompter.messageBox(text.toStdString(), "错误", Prompter::Icon::Error, Prompter::Buttons::Ok);
        return false;
    };
    std::string text;
    if (!ReadTextFile(localPath(path), text))
        return refuse(T("无法读取文件:\n", "Cannot read the file:\n") + path);
    const FilterFile file = ParseFilterText(text);
    if (!file.errors.empty()) {
        QString why = path + QLatin1Char('\n');
        for (size_t i = 0; i < file.errors.size() && i < kMostErrorsShown; ++i)
            why += QString::fromStdString(FilterErrorText(file.errors[i], lang)) + QLatin1Char('\n');
        return refuse(why + T("未导入任何滤波器。", "Nothing was imported."));
    }
    if (file.filters.empty())
        return refuse(path + T("\n中没有滤波器, 未导入。", "\nholds no filter; nothing was imported."));

    EqImport plan = PlanEqImport(file, ctx_.st, pageEq(page_));
    if (page_ == PAGE_MIC && micEq_ == MIC_EQ_BOTH) plan.targets = {Eq::Mic1, Eq::Mic2};
    // The whole import is one step of the undo stack.
    recordStep(QStringLiteral("import:%1:%2").arg(page_).arg(micEq_), stepPrefix(0) + QString::fromUtf8(" 导入滤波器"),
               stepPrefix(1) + QStringLiteral(" filter import"), -1, false, [&] { ApplyEqImport(ctx_, plan); });
    RefreshEq();
    selected_ = -1;
    ShowTable();
    if (!plan.notes.empty()) {
        QString told;
        for (const FilterNote& n : plan.notes) told += QString::fromStdString(FilterNoteText(n, lang)) + QLatin1Char('\n');
        ctx_.prompter.messageBox(told.trimmed().toStdString(), "提示", Prompter::Icon::Information,
                                 Prompter::Buttons::Ok);
    }
    return true;
}

bool CDialogMusic::ExportFilters(const QString& path, bool rew) {
    const std::string text =
        WriteFilterText(ctx_.st, pageEq(page_), rew ? FilterFormat::Rew : FilterFormat::Apo, std::time(nullptr));
    const int err = ReplaceFileContents(localPath(path), reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (err == 0) return true;
    ShowCannotWrite(ctx_.prompter, err, path.toStdString());
    return false;
}

bool CDialogMusic::ExportCurve(const QString& path) {
    if (QFileInfo(path).suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0) {
        const std::string csv = CurveCsv(EqCurve(ctx_.st, pageEq(page_)));
        const int err = ReplaceFileContents(localPath(path), reinterpret_cast<const uint8_t*>(csv.data()), csv.size());
        if (err == 0) return true;
        ShowCannotWrite(ctx_.prompter, err, path.toStdString());
        return false;
    }
    // The picture is the curve as the page shows it, at its size, without the selection.
    std::string error;
    if (controls::WriteCurvePng(curve_->model(), shell::uiLanguage(), curve_->width(), curve_->height(),
                                localPath(path), error))
        return true;
    ctx_.prompter.messageBox((T("无法写入文件:\n", "Cannot write the file:\n") + path).toStdString() + "\n" + error,
                             "错误", Prompter::Icon::Error, Prompter::Buttons::Ok);
    return false;
}

}  // namespace udare::panel
