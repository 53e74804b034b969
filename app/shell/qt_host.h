// The protocol layer's notifier and prompter, delivered on the UI thread.
#pragma once

#include <QObject>
#include <QPointer>

#include "protocol/host.h"

class QWidget;

namespace udare::shell {

// Turns the link's calls into signals emitted on the thread this object
// lives on. The "waits" messages block their caller until handled; the
// posted ones queue.
class QtNotifier final : public QObject, public Notifier {
    Q_OBJECT
public:
    explicit QtNotifier(QObject* parent = nullptr) : QObject(parent) {}
    void keyLearned(int code) override;
    void syncDone(int wparam) override;
    void mcuUpgradeDone() override;
    void dspUpgradeDone() override;

signals:
    void keyLearnedReceived(int code);
    void syncDoneReceived(int wparam);
    void mcuUpgradeDoneReceived();
    void dspUpgradeDoneReceived();

private:
    template <class F>
    void deliver(F f, bool waits);
};

// Message boxes on the UI thread, whichever thread asks.
class QtPrompter final : public QObject, public Prompter {
    Q_OBJECT
public:
    explicit QtPrompter(QObject* parent = nullptr) : QObject(parent) {}
    void setParentWindow(QWidget* w);
    Answer messageBox(std::string_view text, std::string_view caption, Icon icon,
                      Buttons buttons = Buttons::Ok) override;

private:
    Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons);
    QPointer<QWidget> parent_;
};

}  // namespace udare::shell
