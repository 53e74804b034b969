// The protocol layer's notifier and prompter, delivered on the UI thread.
#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

#include "protocol/host.h"

class QWidget;

namespace udare::shell {

// Runs a call on the UI thread and waits for it, like a blocking queued call,
// except that release() lets every waiter go at once. At shutdown the UI
// thread joins the read thread; a reader parked in a blocking call would
// otherwise wait for an event loop that no longer runs.
class UiHandOver {
public:
    UiHandOver();
    // Returns false when released before the call ran (it then never runs).
    bool run(QObject* context, std::function<void()> call);
    void release();
    bool released() const { return released_.load(); }

private:
    struct Pending;
    std::atomic<bool> released_{false};
    std::shared_ptr<Pending> pending_;  // shared with calls still queued
};

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
    // From now on no caller waits for the UI thread (shutdown).
    void release() { handOver_.release(); }

signals:
    void keyLearnedReceived(int code);
    void syncDoneReceived(int wparam);
    void mcuUpgradeDoneReceived();
    void dspUpgradeDoneReceived();

private:
    template <class F>
    void deliver(F f, bool waits);
    UiHandOver handOver_;
};

// Message boxes on the UI thread, whichever thread asks.
class QtPrompter final : public QObject, public Prompter {
    Q_OBJECT
public:
    explicit QtPrompter(QObject* parent = nullptr) : QObject(parent) {}
    void setParentWindow(QWidget* w);
    Answer messageBox(std::string_view text, std::string_view caption, Icon icon,
                      Buttons buttons = Buttons::Ok) override;
    // From now on boxes asked for by other threads are answered at once (Ok, or Cancel).
    void release() { handOver_.release(); }

private:
    Answer show(const QString& text, const QString& caption, Icon icon, Buttons buttons);
    QPointer<QWidget> parent_;
    UiHandOver handOver_;
};

}  // namespace udare::shell
