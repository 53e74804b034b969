#include "shell/qt_host.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <QWidget>

#include <condition_variable>
#include <mutex>

namespace udare::shell {

struct UiHandOver::Pending {
    std::mutex m;
    std::condition_variable cv;
};

UiHandOver::UiHandOver() : pending_(std::make_shared<Pending>()) {}

bool UiHandOver::run(QObject* context, std::function<void()> call) {
    if (released_.load()) return false;
    const std::shared_ptr<Pending> p = pending_;
    auto done = std::make_shared<bool>(false);
    auto ran = std::make_shared<bool>(false);
    QMetaObject::invokeMethod(
        context,
        [p, done, ran, call = std::move(call)] {
            {
                std::lock_guard<std::mutex> l(p->m);
                if (*done) return;  // the caller was released and has gone
            }
            call();
            std::lock_guard<std::mutex> l(p->m);
            *ran = true;
            *done = true;
            p->cv.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock<std::mutex> l(p->m);
    p->cv.wait(l, [&] { return *done || released_.load(); });
    *done = true;  // a call still queued will not run
    return *ran;
}

void UiHandOver::release() {
    released_.store(true);
    std::lock_guard<std::mutex> l(pending_->m);
    pending_->cv.notify_all();
}

template <class F>
void QtNotifier::deliver(F f, bool waits) {
    if (QThread::currentThread() == thread()) {
        if (waits)
            f();
        else
            QMetaObject::invokeMethod(this, f, Qt::QueuedConnection);
        return;
    }
    if (waits)
        handOver_.run(this, f);
    else
        QMetaObject::invokeMethod(this, f, Qt::QueuedConnection);
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
    auto a = std::make_shared<Answer>(Answer::Ok);
    if (!handOver_.run(this, [this, a, t, c, icon, buttons] { *a = show(t, c, icon, buttons); }))
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;  // released: nobody answered
    return *a;
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
