#include "shell/qt_host.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <QWidget>

namespace udare::shell {

template <class F>
void QtNotifier::deliver(F f, bool waits) {
    if (QThread::currentThread() == thread()) {
        if (waits)
            f();
        else
            QMetaObject::invokeMethod(this, f, Qt::QueuedConnection);
        return;
    }
    QMetaObject::invokeMethod(this, f, waits ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

void QtNotifier::keyLearned(int code) {
    deliver([this, code] { emit keyLearnedReceived(code); }, true);
}

void QtNotifier::syncDone(int wparam) {
    deliver([this, wparam] { emit syncDoneReceived(wparam); }, false);
}

void QtNotifier::mcuUpgradeDone() {
    deliver([this] { emit mcuUpgradeDoneReceived(); }, true);
}

void QtNotifier::dspUpgradeDone() {
    deliver([this] { emit dspUpgradeDoneReceived(); }, false);
}

void QtPrompter::setParentWindow(QWidget* w) { parent_ = w; }

Prompter::Answer QtPrompter::messageBox(std::string_view text, std::string_view caption, Icon icon,
                                        Buttons buttons) {
    const QString t = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    const QString c = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    if (QThread::currentThread() == thread()) return show(t, c, icon, buttons);
    Answer a = Answer::Cancel;
    QMetaObject::invokeMethod(
        this, [&] { a = show(t, c, icon, buttons); }, Qt::BlockingQueuedConnection);
    return a;
}

Prompter::Answer QtPrompter::show(const QString& text, const QString& caption, Icon icon,
                                  Buttons buttons) {
    QMessageBox box(parent_.data());
    // Texts are plain (a file name may hold '<'), and keep their line breaks.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
    box.setWindowTitle(caption);
    switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Warning: box.setIcon(QMessageBox::Warning); break;
    case Icon::Error: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Ok: return Answer::Ok;
    default: return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

}  // namespace udare::shell
