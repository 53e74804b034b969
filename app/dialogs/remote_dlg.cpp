#include "remote_dlg.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "control_support.h"
#include "dialog_support.h"
#include "gdip_button.h"
#include "protocol/commands.h"
#include "protocol/remote_file.h"
#include "remote_study_dlg.h"
#include "shell/lang.h"
#include "shell/session.h"

namespace udare::dialogs {

using shell::setControlId;
using shell::T;
using shell::Z;

namespace {

const char* const kRemoteFilter = "Remote Data File(*.remo)";
constexpr int kMaxPathChars = 1024;

QRect keyRect(const RemoteKey& k) { return Du(k.left, k.top, k.width, k.height); }

// Where the picture's steps are drawn; one entry per line of instructions.
struct Instructions {
    const char* title;
    const char* steps[6];
};

constexpr Instructions kInstructions[2] = {
    {"遥控学习说明",
     {"用鼠标点击左边遥控器图片上要学习的按键。",
      "“学习中”窗口出现后，把遥控器对准机器，按下遥控器上对应的按键。",
      "机器收到按键后，窗口显示它的键码，一秒后自动关闭。",
      "用同样的方法学习其余按键。方向键（灰色）不支持学习。",
      "全部学完后点击“应用参数”，把键码保存到机器。",
      "“保存参数”把键码存成电脑上的遥控文件（.remo）；“载入参数”读入文件并立即发送到机器。"}},
    {"How to teach the unit a remote",
     {"Click the key you want to teach on the remote control picture.",
      "When the \"Studying\" window opens, point the remote at the unit and press the matching key.",
      "The window shows the code the unit received and closes a second later.",
      "Teach the other keys the same way. The arrow keys (grey) cannot be learned.",
      "Click \"Apply\" to store the codes in the unit.",
      "\"Save file\" keeps the codes in a remote file (.remo) on the computer; \"Load file\" reads one "
      "and sends it to the unit at once."}},
};

}  // namespace

// ---- file dialogs ----

static QString chooseRemoteFile(QWidget* parent, bool save) {
    QFileDialog d(parent);
    d.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    d.setNameFilter(QString::fromLatin1(kRemoteFilter));
    d.setDefaultSuffix(QString::fromLatin1(kRemoteKeyExtension));
    d.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return {};
    QString path = d.selectedFiles().first();
    if (path.size() > kMaxPathChars) return {};
    return path;
}

QString QtRemoteFileChooser::openRemoteFile(QWidget* parent) { return chooseRemoteFile(parent, false); }

QString QtRemoteFileChooser::saveRemoteFile(QWidget* parent) { return chooseRemoteFile(parent, true); }

// ---- key areas ----

RemoteKeyArea::RemoteKeyArea(const RemoteKey& key, QWidget* parent) : QAbstractButton(parent), key_(key) {
    setControlId(this, key.areaId);
    setGeometry(keyRect(key));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    relabel();
}

void RemoteKeyArea::relabel() {
    const QString name = T(key_.nameZh, key_.nameEn);
    setAccessibleName(name);
    setToolTip(name);
}

void RemoteKeyArea::paintEvent(QPaintEvent*) {
    // The picture below draws the key; the area shows only the focus.
    if (!hasFocus()) return;
    QStylePainter p(this);
    QStyleOptionFocusRect o;
    o.initFrom(this);
    p.drawPrimitive(QStyle::PE_FrameFocusRect, o);
}

// ---- pictures ----

RemotePicture::RemotePicture(QWidget* parent) : QWidget(parent) {
    setControlId(this, CRemoteDlg::IDC_REMOTE_PICTURE);
    setGeometry(Du(0, 0, 141, 295));
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void RemotePicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(DuX(12), DuY(6), DuX(117), DuY(284));
    QLinearGradient shade(body.topLeft(), body.topRight());
    shade.setColorAt(0, QColor(0x3A, 0x3F, 0x47));
    shade.setColorAt(0.5, QColor(0x55, 0x5C, 0x66));
    shade.setColorAt(1, QColor(0x33, 0x37, 0x3E));
    p.setPen(QPen(QColor(0x22, 0x24, 0x28), 1.5));
    p.setBrush(shade);
    p.drawRoundedRect(body, 28, 28);

    // Infrared window and maker's plate.
    const QRectF lens(body.center().x() - DuX(14), DuY(14), DuX(28), DuY(8));
    p.setBrush(QColor(0x5A, 0x10, 0x18));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(lens, 6, 6);
    p.setPen(QColor(0xC8, 0xD0, 0xDA));
    p.setFont(controls::PixelFont(QStringLiteral("Arial"), 13, QFont::Bold));
    p.drawText(QRectF(body.left(), DuY(32), body.width(), DuY(12)), Qt::AlignCenter,
               QStringLiteral("KARAOKE"));

    // Section names above the rows of keys.
    p.setFont(controls::PixelFont(QStringLiteral("Arial"), 9));
    p.setPen(QColor(0xA8, 0xB4, 0xC2));
    auto section = [&](int top, const char* text) {
        p.drawText(QRectF(body.left(), DuY(top), body.width(), DuY(8)), Qt::AlignCenter,
                   QString::fromLatin1(text));
    };
    section(72, "KEY");
    section(119, "VOLUME");

    p.setFont(controls::PixelFont(QStringLiteral("Arial"), 9, QFont::Bold));
    for (const RemoteKey& k : kRemoteKeys) {
        const QRectF r = QRectF(keyRect(k)).adjusted(1, 1, -1, -1);
        const bool supported = k.slot != 0;
        QLinearGradient face(r.topLeft(), r.bottomLeft());
        face.setColorAt(0, supported ? QColor(0xF4, 0xF6, 0xF8) : QColor(0x9A, 0xA0, 0xA8));
        face.setColorAt(1, supported ? QColor(0xC9, 0xD0, 0xD8) : QColor(0x7A, 0x80, 0x88));
        p.setBrush(face);
        p.setPen(QPen(QColor(0x1C, 0x1E, 0x22), 1));
        if (k.slot == 9)
            p.drawEllipse(r);
        else
            p.drawRoundedRect(r, 5, 5);
        p.setPen(supported ? QColor(0x20, 0x30, 0x48) : QColor(0x40, 0x44, 0x4A));
        p.drawText(r, Qt::AlignCenter, QString::fromUtf8(k.caption));
    }
}

InstructionsPicture::InstructionsPicture(QWidget* parent) : QWidget(parent) {
    setControlId(this, CRemoteDlg::IDC_INSTRUCTIONS);
    setGeometry(Du(144, 0, 245, 314));
}

void InstructionsPicture::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), kDialogBackground);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const Instructions& in = kInstructions[shell::uiLanguage() == 1 ? 1 : 0];
    const QRectF card = QRectF(rect()).adjusted(6, 8, -8, -10);
    p.setPen(QColor(0xB4, 0xCC, 0xE0));
    p.setBrush(Qt::white);
    p.drawRoundedRect(card, 8, 8);

    const qreal margin = 16;
    qreal y = card.top() + 14;
    p.setPen(QColor(0x1F, 0x4E, 0x79));
    p.setFont(controls::PixelFont(QStringLiteral("宋体"), 17, QFont::Bold));
    const QRectF titleBox(card.left() + margin, y, card.width() - 2 * margin, 28);
    p.drawText(titleBox, Qt::AlignLeft | Qt::AlignVCenter, QString::fromUtf8(in.title));
    y += 40;

    const QFont body = controls::PixelFont(QStringLiteral("宋体"), 13);
    for (int i = 0; i < 6; ++i) {
        // A numbered disc, then the step wrapped beside it.
        const QRectF disc(card.left() + margin, y, 20, 20);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2E, 0x75, 0xB6));
        p.drawEllipse(disc);
        p.setPen(Qt::white);
        p.setFont(controls::PixelFont(QStringLiteral("Arial"), 12, QFont::Bold));
        p.drawText(disc, Qt::AlignCenter, QString::number(i + 1));

        p.setPen(QColor(0x20, 0x20, 0x20));
        p.setFont(body);
        const QRectF textBox(disc.right() + 10, y + 1, card.right() - margin - disc.right() - 10, 200);
        const QString step = QString::fromUtf8(in.steps[i]);
        QRectF used = p.boundingRect(textBox, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, step);
        p.drawText(textBox, Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, step);
        y += std::max<qreal>(used.height(), 20) + 16;
    }
}

// ---- the dialog ----

CRemoteDlg::CRemoteDlg(shell::CVovedo13App& app, Ctx& c, RemoteFileChooser& files, QWidget* parent)
    : QDialog(parent), app_(app), c_(c), files_(files) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(Z("遥控学习"));
    SetDialogBackground(this);
    setFixedSize(DuX(389), DuY(314));

    new RemotePicture(this);
    for (const RemoteKey& k : kRemoteKeys) {
        auto* a = new RemoteKeyArea(k, this);
        connect(a, &QAbstractButton::clicked, this, [this, &k] { keyAreaClicked(k); });
    }
    instructions_ = new InstructionsPicture(this);

    auto* load = MakeImageButton(this, IDC_LOAD, Z("载入参数"), Du(2, 297, 44, 16));
    connect(load, &QAbstractButton::clicked, this, &CRemoteDlg::loadFile);
    auto* save = MakeImageButton(this, IDC_SAVE, Z("保存参数"), Du(47, 297, 44, 16));
    connect(save, &QAbstractButton::clicked, this, &CRemoteDlg::saveFile);
    auto* applyButton = MakeImageButton(this, IDC_APPLY, Z("应用设置"), Du(92, 297, 44, 16));
    connect(applyButton, &QAbstractButton::clicked, this, &CRemoteDlg::apply);
    // Made as the layout has it, never shown: the close box does the same.
    auto* close = MakeImageButton(this, IDC_CLOSE, Z("关闭"), Du(7, 258, 45, 16));
    close->hide();
    connect(close, &QAbstractButton::clicked, this, &QDialog::close);

    relabel();
}

void CRemoteDlg::relabel() {
    app_.relabel(this, kDialogId);
    for (RemoteKeyArea* a : findChildren<RemoteKeyArea*>()) a->relabel();
    if (auto* pic = findChild<RemotePicture*>()) pic->setAccessibleName(T("遥控器", "Remote control"));
    instructions_->setAccessibleName(T("遥控学习说明", "How to teach the unit a remote"));
    instructionsLanguage_ = shell::uiLanguage();
    instructions_->update();
}

void CRemoteDlg::reject() { close(); }

void CRemoteDlg::closeEvent(QCloseEvent* e) {
    // Not the dialog's own handler: that only hides it through reject().
    e->accept();
}

void CRemoteDlg::showEvent(QShowEvent* e) {
    // Every opening comes up in the language of the moment.
    relabel();
    QDialog::showEvent(e);
}

RemoteKeyArea* CRemoteDlg::area(int areaId) const {
    for (RemoteKeyArea* a : findChildren<RemoteKeyArea*>())
        if (a->key().areaId == areaId) return a;
    return nullptr;
}

QString CRemoteDlg::learnText(const RemoteKey& key) {
    return key.slot == 0 ? QString() : T(key.learnZh, key.learnEn);
}

void CRemoteDlg::keyAreaClicked(const RemoteKey& key) {
    if (key.slot == 0) {
        app_.prompter().messageBox(T("不支持该功能", "No support!").toStdString(),
                                   T("提示", "Information").toStdString(), Prompter::Icon::Information);
        return;
    }
    const QString text = learnText(key);
    LearnRemoteKey(c_, key.slot);
    CRemoteStudyDlg dlg(app_, c_, text, this);
    app_.setSlot(ui::DialogSlot::LearningInProgress, &dlg);
    dlg.exec();
    app_.setSlot(ui::DialogSlot::LearningInProgress, nullptr);
}

void CRemoteDlg::apply() {
    WriteRemoteKeys(c_);
    app_.showInfoBox(T("遥控器键码保存成功!", "Save successed !"), kNoticeMs);
}

std::string CRemoteDlg::chooseFile(bool save) {
    if (!app_.session().connected()) {
        app_.showInfoBox(Z("请先连接机器再进行此操作!"), kNoticeMs);
        return {};
    }
    const QString chosen = save ? files_.saveRemoteFile(this) : files_.openRemoteFile(this);
    return chosen.isEmpty() ? std::string() : RemoteKeyFilePath(chosen.toStdString());
}

void CRemoteDlg::loadFile() {
    const std::string path = chooseFile(false);
    if (path.empty()) return;
    app_.showInfoBox(LoadRemoteKeyFile(c_, path) ? Z("载入遥控文件成功") : Z("载入遥控文件失败"), kNoticeMs);
}

void CRemoteDlg::saveFile() {
    const std::string path = chooseFile(true);
    if (path.empty()) return;
    app_.showInfoBox(SaveRemoteKeyFile(c_, path) ? Z("保存遥控文件成功") : Z("保存遥控文件失败"), kNoticeMs);
}

}  // namespace udare::dialogs
