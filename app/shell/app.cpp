#include "shell/app.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSettings>

#include "shell/about_dlg.h"
#include "shell/info_dlg.h"
#include "shell/mainframe.h"
#include "shell/notice.h"
#include "shell/session.h"
#include "shell/view.h"

namespace udare::shell {

namespace {
const char* const kLanguageKey = "language";
const char* const kLookKey = "ApplicationLook";
const char* const kRecentGroup = "Recent File List";
// File names are case-sensitive here: the filter takes both spellings of the
// extension, so a "preset.vxs" is listed as well.
const char* const kModeFilter = "Mode Files (*.VXS *.vxs)";
}  // namespace

QIcon appIcon() {
    ensureResources();
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/udare-48.png"));
    icon.addFile(QStringLiteral(":/icons/udare-128.png"));
    return icon;
}

QString QtFileChooser::saveModeFile(QWidget* parent) {
    return saveModeFileNamed(parent, QStringLiteral("preset"));
}

QString QtFileChooser::saveModeFileNamed(QWidget* parent, const QString& name) {
    QFileDialog d(parent);
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setNameFilter(QString::fromLatin1(kModeFilter));
    d.setDefaultSuffix(QStringLiteral("VXS"));
    d.selectFile(name + QStringLiteral(".VXS"));
    d.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    return d.selectedFiles().first();
}

QString QtFileChooser::openModeFile(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(), QString::fromLatin1(kModeFilter));
}

CVovedo13App::CVovedo13App(Session& session, Prompter& prompter, FileChooser& files, QObject* parent)
    : QObject(parent), session_(session), prompter_(prompter), files_(files) {
    look_ = settings()->value(QLatin1String(kLookKey), kLookOffice2007Blue).toInt();
    qApp->installEventFilter(this);
}

CVovedo13App::~CVovedo13App() { qApp->removeEventFilter(this); }

std::unique_ptr<QSettings> CVovedo13App::settings() {
    return std::make_unique<QSettings>(QString::fromLatin1(kSettingsKey),
                                       QStringLiteral("udare-tuner"));
}

int CVovedo13App::readLanguageSetting() {
    bool ok = false;
    const int v = settings()->value(QLatin1String(kLanguageKey), 0).toInt(&ok);
    return ok && v == 1 ? 1 : 0;
}

void CVovedo13App::writeLanguageSetting(int lang) {
    auto s = settings();
    s->setValue(QLatin1String(kLanguageKey), lang == 1 ? 1 : 0);
    s->sync();
}

void CVovedo13App::forceLook() {
    look_ = kLookOffice2007Blue;
    auto s = settings();
    s->setValue(QLatin1String(kLookKey), look_);
    s->sync();
}

QStringList CVovedo13App::recentFiles() const {
    auto s = settings();
    s->beginGroup(QLatin1String(kRecentGroup));
    QStringList out;
    for (int i = 1; i <= kRecentCount; ++i) {
        const QString f = s->value(QStringLiteral("File%1").arg(i)).toString();
        if (!f.isEmpty()) out << f;
    }
    return out;
}

static void writeRecent(const QStringList& files) {
    auto s = CVovedo13App::settings();
    s->beginGroup(QLatin1String(kRecentGroup));
    s->remove(QString());
    for (int i = 0; i < files.size() && i < kRecentCount; ++i)
        s->setValue(QStringLiteral("File%1").arg(i + 1), files[i]);
    s->endGroup();
    s->sync();
}

void CVovedo13App::addRecentFile(const QString& path) {
    const QString abs = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(abs);
    files.prepend(abs);
    while (files.size() > kRecentCount) files.removeLast();
    writeRecent(files);
}

void CVovedo13App::removeRecentFile(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    writeRecent(files);
}

QWidget* CVovedo13App::mainWindow() const { return frame_; }

bool CVovedo13App::loadLanguage() {
    const bool ok = table_.loadEmbedded(uiLanguage());
    if (frame_) frame_->relabelRibbon();
    if (!ok) return false;
    struct Step {
        DialogSlot slot;
        int dialog;
    };
    static constexpr Step kOrder[] = {
        {DialogSlot::MachineSettings, 335}, {DialogSlot::AutoSub, 410},
        {DialogSlot::RemoteLearning, 373},  {DialogSlot::NoiseGate, 467},
        {DialogSlot::McuUpgrade, 419},      {DialogSlot::DspUpgrade, 416},
    };
    for (const Step& s : kOrder) {
        QWidget* d = slot(s.slot);
        if (!d) continue;
        if (auto* own = dynamic_cast<Relabelable*>(d))
            own->relabel();
        else
            table_.relabel(d, s.dialog);
    }
    if (view_) view_->applyLanguage();
    return true;
}

void CVovedo13App::toggleLanguage() {
    setUiLanguage(1 - uiLanguage());
    writeLanguageSetting(uiLanguage());
    loadLanguage();
}

void CVovedo13App::showInfoBox(const QString& text, int ms) {
    auto* box = qobject_cast<CInfoDlg*>(slot(DialogSlot::InfoBox));
    // A box that has just closed is only waiting to be deleted: start afresh.
    if (box && !box->isVisible()) box = nullptr;
    if (!box) {
        box = new CInfoDlg(mainWindow());
        setSlot(DialogSlot::InfoBox, box);
    }
    box->showText(text, ms);
}

void CVovedo13App::showAbout() {
    CAboutDlg dlg(*this, mainWindow());
    dlg.exec();
}

void CVovedo13App::showTrayNotice(const QString& title, const QString& text, int ms) {
    if (frame_ && frame_->notice()) frame_->notice()->show(title, text, ms);
}

void CVovedo13App::errorBox(const QString& text) {
    prompter_.messageBox(text.toStdString(), "错误", Prompter::Icon::Error);
}

bool CVovedo13App::confirm(const QString& text) {
    return prompter_.messageBox(text.toStdString(), "提示", Prompter::Icon::Question,
                                Prompter::Buttons::YesNo) == Prompter::Answer::Yes;
}

bool CVovedo13App::queryClose() {
    if (session_.state().settingsModified.load() != 0) {
        const QString text = T("参数已改动，请问是否需要保存?\r\n提示：保存成电脑文件并同时保存至机器的当前模式",
                               "parameter value is changed, do you want save it ?");
        const QString title = T("保存?", "Save?");
        const auto a = prompter_.messageBox(text.toStdString(), title.toStdString(),
                                            Prompter::Icon::Question, Prompter::Buttons::YesNoCancel);
        if (a == Prompter::Answer::Cancel) return false;
        if (a == Prompter::Answer::Yes) {
            const QString path = files_.saveModeFile(mainWindow());
            // A file that could not be written keeps the program open, so
            // the unsaved parameters are not lost.
            if (!path.isEmpty() && !saveModeFileAndMode(path)) return false;
        }
    }
    session_.closeDevice();
    return true;
}

bool CVovedo13App::saveModeFileAndMode(const QString& path) {
    if (!session_.saveModeFile(path)) return false;  // the user has been told
    addRecentFile(path);
    return true;
}

void CVovedo13App::openDocument(const QString& path) {
    if (path.isEmpty()) return;
    emit openDocumentRequested(path);
    if (view_) view_->openModeFile(path);
}

bool CVovedo13App::handleF7Released() {
    if (!f7Guard_ || slot(DialogSlot::SyncProgress)) return false;
    if (session_.upgradeMode() == 1) return true;
    f7Guard_ = 0;
    dialogs_.show(DialogSlot::MachineSettings, mainWindow());
    f7Guard_ = 1;
    return true;
}

bool CVovedo13App::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(event);
        // Seen once per receiver on the way up; the rule gives the same
        // answer each time, and a swallowed key goes no further.
        if (k->key() == Qt::Key_F7 && !k->isAutoRepeat()) {
            if (handleF7Released()) return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace udare::shell
