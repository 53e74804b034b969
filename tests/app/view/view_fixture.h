// The real frame and view on a session with the virtual unit, a clock that
// runs the protocol's waits 25 times faster, and scripted boxes and file
// dialogs. The unit's report log tells what was sent (after the outbox drained).
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QSlider>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "link/outbox.h"
#include "link/usb_link.h"
#include "protocol/codec.h"
#include "protocol/host.h"
#include "protocol/report.h"
#include "shell/app.h"
#include "shell/commands.h"
#include "shell/info_dlg.h"
#include "shell/lang.h"
#include "shell/mainframe.h"
#include "shell/notice.h"
#include "shell/qt_host.h"
#include "shell/ribbon.h"
#include "shell/session.h"
#include "shell/view.h"
#include "sim/virtual_unit.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace udare::shell::viewtest {

// Every wait passes 25 times faster; the time it reports moves on with them.
class FastClock final : public Clock {
public:
    void sleepMs(int ms) override {
        if (ms <= 0) return;
        skipped_ += ms;
        std::this_thread::sleep_for(std::chrono::microseconds(ms * 40));
    }
    int64_t nowMs() override {
        using namespace std::chrono;
        return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() +
               skipped_.load();
    }

private:
    std::atomic<int64_t> skipped_{0};
};

class ScriptedPrompter final : public Prompter {
public:
    struct Call {
        std::string text, caption;
        Icon icon;
        Buttons buttons;
    };
    Answer messageBox(std::string_view text, std::string_view caption, Icon icon,
                      Buttons buttons) override {
        calls.push_back({std::string(text), std::string(caption), icon, buttons});
        if (buttons == Buttons::Ok) return Answer::Ok;
        if (answers.empty()) return Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    int count(const char* text) const {
        int n = 0;
        for (const Call& c : calls) n += c.text == text;
        return n;
    }
    std::deque<Answer> answers;
    std::vector<Call> calls;
};

class ScriptedFiles final : public FileChooser {
public:
    QString saveModeFile(QWidget*) override { return saveModeFileNamed(nullptr, QStringLiteral("preset")); }
    QString saveModeFileNamed(QWidget*, const QString& name) override {
        proposedNames << name;
        return savePath;
    }
    QString openModeFile(QWidget*) override {
        ++openAsked;
        return openPath;
    }
    QString savePath, openPath;
    QStringList proposedNames;
    int openAsked = 0;
};

// Runs the event loop until pred holds or ms have passed.
inline bool waitFor(const std::function<bool()>& pred, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

inline void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

inline uint32_t be32(const HidReport& r, int offset) {
    return uint32_t(r[offset]) << 24 | uint32_t(r[offset + 1]) << 16 | uint32_t(r[offset + 2]) << 8 |
           uint32_t(r[offset + 3]);
}

inline uint32_t floatWire(float f) {
    uint32_t b;
    std::memcpy(&b, &f, 4);
    return b;
}

inline bool isParam(const HidReport& r, int group, char code) {
    return r[1] == 0x09 && r[3] == group && r[4] == static_cast<uint8_t>(code);
}

inline bool isCommand(const HidReport& r, std::initializer_list<int> bytes) {
    int i = 1;
    for (int b : bytes)
        if (r[i++] != b) return false;
    return true;
}

class ViewFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CVovedo13App::settings()->clear();
        setUiLanguage(0);
    }
    void TearDown() override {
        frame.reset();
        app.reset();
        session.reset();
        CVovedo13App::settings()->clear();
        setUiLanguage(0);
    }

    // Session on the virtual unit; prepare runs before the window exists.
    void build(const QString& simOptions = {},
               const std::function<void(sim::VirtualUnit&)>& prepare = {}, int language = 0) {
        SessionOptions o;
        o.simulate = true;
        o.simulateOptions = Session::splitSimulateOptions(simOptions);
        o.clock = &clock;
        session = std::make_unique<Session>(o, notifier, prompter);
        unit = session->virtualUnit();
        if (prepare) prepare(*unit);
        CVovedo13App::writeLanguageSetting(language);
        app = std::make_unique<CVovedo13App>(*session, prompter, files);
        app->setNotifier(&notifier);
        frame = std::make_unique<CMainFrame>(*app);
        frame->show();
        view = frame->view();
        ribbon = frame->ribbon();
    }

    // Build, then wait for the first synchronisation to be done with.
    void buildSynced(const QString& simOptions = {},
                     const std::function<void(sim::VirtualUnit&)>& prepare = {}, int language = 0) {
        build(simOptions, prepare, language);
        ASSERT_TRUE(waitFor([&] { return view->firstSyncPending() == 0; }));
        ASSERT_FALSE(app->slot(DialogSlot::SyncProgress));
    }

    // The child of parent with the control identifier id, as a W.
    template <class W>
    static W* child(QWidget* parent, int id) {
        for (W* w : parent->findChildren<W*>())
            if (controlId(w) == id) return w;
        return nullptr;
    }

    // What reached the unit once the window's outbox has handed everything over.
    std::vector<HidReport> sent() const {
        session->outbox().waitDrained(10000);
        return unit->received();
    }
    // Forget what was sent so far, once it has all left.
    void clearSent() {
        session->outbox().waitDrained(10000);
        unit->clearReceived();
    }
    // Index of the first report from `from` on that matches, or -1.
    int find(const std::function<bool(const HidReport&)>& pred, int from = 0) const {
        const auto all = sent();
        for (int i = from; i < static_cast<int>(all.size()); ++i)
            if (pred(all[i])) return i;
        return -1;
    }
    int countParam(int group, char code) const {
        int n = 0;
        for (const HidReport& r : sent()) n += isParam(r, group, code);
        return n;
    }
    QString infoText() const {
        auto* box = qobject_cast<CInfoDlg*>(app->slot(DialogSlot::InfoBox));
        return box && box->isVisible() ? box->text() : QString();
    }
    QSlider* slider(int id) const { return ribbon->slider(id); }
    QString text(int id) const {
        QWidget* w = ribbon->element(id);
        if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
        return {};
    }

    FastClock clock;
    ScriptedPrompter prompter;
    ScriptedFiles files;
    QtNotifier notifier;
    std::unique_ptr<Session> session;
    std::unique_ptr<CVovedo13App> app;
    std::unique_ptr<CMainFrame> frame;
    sim::VirtualUnit* unit = nullptr;
    CVovedo13View* view = nullptr;
    Ribbon* ribbon = nullptr;
    QTemporaryDir dir;
};

}  // namespace udare::shell::viewtest
