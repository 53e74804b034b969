// Fakes and a fixture for the shell tests: a session on an unplugged virtual
// unit, a scripted prompter and file chooser, and the frame built around them.
#pragma once

#include <QApplication>
#include <QSettings>
#include <QStringList>

#include <deque>
#include <ostream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/host.h"
#include "shell/app.h"
#include "shell/mainframe.h"
#include "shell/session.h"
#include "sim/virtual_unit.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace udare::shell::test {

class FakeSession : public Session {
public:
    FakeSession() : Session(simulated()) { virtualUnit()->unplug(); }
    static SessionOptions simulated() {
        SessionOptions o;
        o.simulate = true;
        return o;
    }
    bool connected() const override { return fakeConnected; }
    int upgradeMode() const override { return fakeUpgradeMode; }
    void closeDevice() override { ++closeCalls; }
    bool saveModeFile(const QString& path) override {
        savedPaths << path;
        return saveResult;
    }
    bool fakeConnected = false;
    int fakeUpgradeMode = 0;
    int closeCalls = 0;
    QStringList savedPaths;
    bool saveResult = true;
};

class FakePrompter : public Prompter {
public:
    struct Call {
        std::string text, caption;
        Icon icon;
        Buttons buttons;
    };
    Answer messageBox(std::string_view text, std::string_view caption, Icon icon,
                      Buttons buttons) override {
        calls.push_back({std::string(text), std::string(caption), icon, buttons});
        if (answers.empty()) return buttons == Buttons::Ok ? Answer::Ok : Answer::No;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    std::deque<Answer> answers;
    std::vector<Call> calls;
};

class FakeFiles : public FileChooser {
public:
    QString saveModeFile(QWidget*) override {
        ++saveAsked;
        return savePath;
    }
    QString openModeFile(QWidget*) override { return openPath; }
    QString savePath, openPath;
    int saveAsked = 0;
};

// Settings cleared, language from `stored`, then app and frame.
class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override {
        CVovedo13App::settings()->clear();
        setUiLanguage(0);
    }
    void TearDown() override {
        frame.reset();
        app.reset();
        CVovedo13App::settings()->clear();
        setUiLanguage(0);
    }
    void build(int storedLanguage = 0) {
        CVovedo13App::writeLanguageSetting(storedLanguage);
        app = std::make_unique<CVovedo13App>(session, prompter, files);
        frame = std::make_unique<CMainFrame>(*app);
    }
    FakeSession session;
    FakePrompter prompter;
    FakeFiles files;
    std::unique_ptr<CVovedo13App> app;
    std::unique_ptr<CMainFrame> frame;
};

}  // namespace udare::shell::test
