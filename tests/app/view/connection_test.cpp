// Connecting, synchronising, checking the unit and losing it.
#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <csignal>
#include <map>

#include "protocol/commands.h"
#include "protocol/slots.h"
#include "view_fixture.h"

namespace udare::shell::viewtest {
namespace {

using namespace cmd;

TEST_F(ViewFixture, StartUpSynchronisesFillsTheRibbonAndPollsOnlyAfterTheDialog) {
    bool polledDuringDialog = false;
    bool dialogSeen = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (app && app->slot(DialogSlot::SyncProgress)) {
            dialogSeen = true;
            polledDuringDialog = polledDuringDialog || view->polling();
        }
    });
    watch.start();
    buildSynced({}, [](sim::VirtualUnit& u) {
        u.setWireValues(GROUP_MIC, '0', {enc::percent(42)});
        u.setWireValues(GROUP_MIC, '2', {enc::percent(64)});
        u.setWireValues(GROUP_MUSIC, '0', {enc::percent(55), enc::percent(55)});
    });
    watch.stop();

    EXPECT_TRUE(dialogSeen);
    EXPECT_FALSE(polledDuringDialog);
    EXPECT_TRUE(view->polling());
    EXPECT_EQ(frame->notice()->title(), QString::fromUtf8("信息"));
    EXPECT_EQ(frame->notice()->text(), QString::fromUtf8("设备已连接，同步中……"));

    EXPECT_EQ(slider(ID_SLIDER_MICVOL)->value(), 42);
    EXPECT_EQ(slider(ID_SLIDER_MICVOL_OUT)->value(), 42);
    EXPECT_EQ(slider(ID_SLIDER_EFXVOL)->value(), 64);
    EXPECT_EQ(slider(ID_SLIDER_MUSICVOL)->value(), 55);
    EXPECT_EQ(text(ID_LABEL_MICVOL), QString::fromUtf8("话筒音量: 42"));
    EXPECT_EQ(text(ID_LABEL_MICVOL_OUT), QString::fromUtf8("话筒音量: 42"));
    EXPECT_EQ(text(ID_LABEL_MUSICNG), QString::fromUtf8("音乐噪声门:  0"));
    EXPECT_EQ(ribbon->activeCategory()->panel(4)->caption(), QString::fromUtf8("音乐变调:+0"));
    EXPECT_TRUE(prompter.calls.empty());

    // The level meters are asked for once the link is idle.
    const int lastSyncRequest = static_cast<int>(sent().size()) - 1;
    EXPECT_TRUE(waitFor([&] { return find([](const HidReport& r) { return r[1] == 0x0E; }, lastSyncRequest) >= 0; },
                        2000));
}

// Another model, or ours in other letters (the synchronisation read it no
// further than its identity): the box once, and the link closed.
class ModelCheck : public ViewFixture {
protected:
    void expectModelRefused(const QString& model) {
        build(QStringLiteral("model=") + model);
        ASSERT_TRUE(waitFor([&] { return !prompter.calls.empty() && !app->slot(DialogSlot::SyncProgress); }));
        EXPECT_EQ(prompter.count("机器型号与软件不匹配!"), 1);
        ASSERT_FALSE(prompter.calls.empty());
        EXPECT_EQ(prompter.calls.back().caption, "错误");
        EXPECT_EQ(prompter.calls.back().icon, Prompter::Icon::Error);
        EXPECT_FALSE(session->connected());
        EXPECT_GE(find([](const HidReport& r) { return r[1] == 0x8A; }), 0);
        pump(400);
        EXPECT_EQ(prompter.count("机器型号与软件不匹配!"), 1);
    }
};

TEST_F(ModelCheck, WrongModelShowsItsBoxOnceAndClosesTheLink) { expectModelRefused(QStringLiteral("X7")); }

TEST_F(ModelCheck, ModelNameInOtherLettersIsAnotherModel) { expectModelRefused(QStringLiteral("q9")); }

TEST_F(ViewFixture, ProtocolOneKeepsTheLinkAndSaysSo) {
    build(QStringLiteral("protocol=1"));
    ASSERT_TRUE(waitFor([&] { return !prompter.calls.empty() && !app->slot(DialogSlot::SyncProgress); }));
    pump(50);
    EXPECT_EQ(prompter.count("软件与机器通信协议不匹配，请您升级!"), 1);
    EXPECT_TRUE(session->connected());
    // The connection path starts polling again once its dialog has returned.
    EXPECT_TRUE(view->polling());
}

TEST_F(ViewFixture, RemovalDuringTheFirstSynchronisationGivesOnlyTheNotice) {
    // Unsaved changes and an upgrade state that would otherwise ask to save.
    build(QStringLiteral("remove-after=25"));
    app->upgradeState = 0;
    session->state().settingsModified = 1;
    ASSERT_TRUE(waitFor([&] { return !unit->plugged() && !session->connected(); }));
    ASSERT_TRUE(waitFor([&] { return !app->slot(DialogSlot::SyncProgress); }));
    pump(100);
    EXPECT_EQ(frame->notice()->text(), QString::fromUtf8("设备已断开!"));
    for (const auto& c : prompter.calls) ADD_FAILURE() << "box: " << c.text;  // no save prompt, no model box
    EXPECT_FALSE(view->polling());
}

TEST_F(ViewFixture, UnplugBySignalAndReplugFromTheDebugMenu) {
    buildSynced();
    // Another device of the same class going away changes nothing.
    view->deviceRemoved(QStringLiteral("/dev/hidraw7"));
    EXPECT_TRUE(session->connected());
    EXPECT_TRUE(view->polling());
    EXPECT_EQ(frame->notice()->text(), QString::fromUtf8("设备已连接，同步中……"));

    std::raise(SIGUSR1);
    ASSERT_TRUE(waitFor([&] { return !session->connected(); }));
    EXPECT_EQ(frame->notice()->text(), QString::fromUtf8("设备已断开!"));
    EXPECT_FALSE(view->polling());

    clearSent();
    pump(20);
    auto* debug = ribbon->findChild<QToolButton*>(QStringLiteral("debugMenuButton"));
    ASSERT_TRUE(debug && debug->menu());
    ASSERT_EQ(debug->menu()->actions().size(), 2);  // plug, remote key
    emit debug->menu()->aboutToShow();
    QAction* plug = debug->menu()->actions().first();
    EXPECT_EQ(plug->text(), QStringLiteral("Plug in virtual unit"));
    plug->trigger();
    ASSERT_TRUE(waitFor([&] { return session->connected() && view->firstSyncPending() == 0; }));
    EXPECT_EQ(frame->notice()->text(), QString::fromUtf8("设备已连接，同步中……"));
    EXPECT_GE(find([](const HidReport& r) { return r[1] == 0x80; }), 0);  // read again
    EXPECT_TRUE(view->polling());
    EXPECT_TRUE(prompter.calls.empty());
}

TEST_F(ViewFixture, RemovalAfterAnUpgradeTransferWithChangesAsksToSaveTheFile) {
    buildSynced();
    app->upgradeState = 0;
    session->state().settingsModified = 1;
    prompter.answers = {Prompter::Answer::Yes};
    files.savePath = dir.filePath(QStringLiteral("rescue.VXS"));
    clearSent();
    unit->unplug();
    ASSERT_TRUE(waitFor([&] { return !prompter.calls.empty(); }));
    EXPECT_EQ(prompter.calls[0].text, "设备已断开，请问是否需要保存参数文件?");
    EXPECT_EQ(prompter.calls[0].caption, "保存?");
    EXPECT_TRUE(QFileInfo(files.savePath).exists());
    EXPECT_EQ(QFileInfo(files.savePath).size(), 1495);
    EXPECT_TRUE(sent().empty());
}

// The learning-in-progress dialog as the view sees it.
class LearnSink final : public QWidget, public KeyLearnSink {
public:
    void keyLearned(int code) override { codes.push_back(code); }
    std::vector<int> codes;
};

TEST_F(ViewFixture, ALearnedKeyReachesTheLearningDialog) {
    buildSynced();
    LearnSink sink;
    app->setSlot(DialogSlot::LearningInProgress, &sink);
    LearnRemoteKey(view->context(), 3);
    ASSERT_TRUE(waitFor([&] { return unit->learningKey() == 3; }, 2000));
    EXPECT_TRUE(unit->pressRemoteKey(0x5A));
    ASSERT_TRUE(waitFor([&] { return !sink.codes.empty(); }, 2000));
    EXPECT_EQ(sink.codes, std::vector<int>{0x5A});
    EXPECT_EQ(session->state().remoteKeys[3], 0x5A);
    app->setSlot(DialogSlot::LearningInProgress, nullptr);
}

TEST_F(ViewFixture, MachineResetAsksThenSendsAndTellsOfTheRestart) {
    buildSynced();
    prompter.answers = {Prompter::Answer::No};
    clearSent();
    frame->runCommand(ID_BTN_RESET);
    EXPECT_EQ(find([](const HidReport& r) { return isCommand(r, {0x68, 0xAA}); }), -1);

    prompter.answers = {Prompter::Answer::Yes};
    frame->runCommand(ID_BTN_RESET);
    ASSERT_EQ(prompter.calls.size(), 2u);
    EXPECT_EQ(prompter.calls[1].text, "您确定要将机器复位吗? \n机器复位后将自动重新启动并连接.");
    EXPECT_EQ(prompter.calls[1].caption, "提示");
    EXPECT_GE(find([](const HidReport& r) { return isCommand(r, {0x68, 0xAA}); }), 0);
    EXPECT_EQ(infoText(), QString::fromUtf8("机器正在重启……"));
}

TEST_F(ViewFixture, GuardedCommandsDoNothingWithoutAUnit) {
    build({}, [](sim::VirtualUnit& u) { u.unplug(); });
    int made = 0;
    app->dialogs().add(DialogSlot::NoiseGate, [&](QWidget* p) {
        ++made;
        return new QWidget(p, Qt::Dialog);
    });
    pump(400);  // the first attempt finds nothing
    EXPECT_FALSE(session->connected());
    frame->runCommand(ID_BTN_RESET);
    frame->runCommand(ID_BTN_NOISEGATE);
    EXPECT_TRUE(prompter.calls.empty());
    EXPECT_EQ(made, 0);
    EXPECT_EQ(unit->receivedCount(), 0u);
}

// A dialog that counts its refreshes.
class StateDialog final : public QWidget, public StateRefreshable {
public:
    explicit StateDialog(QWidget* parent) : QWidget(parent, Qt::Dialog) {}
    void refreshFromState() override { ++refreshes; }
    int refreshes = 0;
};

TEST_F(ViewFixture, GuardedCommandsOpenWhatIsRegisteredAndEverySynchronisationRefreshesIt) {
    buildSynced();
    // Nothing registered yet: the command does nothing.
    frame->runCommand(ID_BTN_AUTOSUB);
    EXPECT_EQ(app->slot(DialogSlot::AutoSub), nullptr);

    struct Case {
        int command;
        DialogSlot slot;
    };
    const Case cases[] = {{ID_BTN_REMOTE, DialogSlot::RemoteLearning},
                          {ID_BTN_AUTOSUB, DialogSlot::AutoSub},
                          {ID_BTN_NOISEGATE, DialogSlot::NoiseGate}};
    std::map<DialogSlot, int> made;
    for (const Case& c : cases)
        app->dialogs().add(c.slot, [&made, slot = c.slot](QWidget* p) {
            ++made[slot];
            return new StateDialog(p);
        });
    for (const Case& c : cases) {
        frame->runCommand(c.command);
        frame->runCommand(c.command);  // shown again, not made again
        ASSERT_TRUE(app->slot(c.slot)) << c.command;
        EXPECT_TRUE(app->slot(c.slot)->isVisible()) << c.command;
        EXPECT_EQ(made[c.slot], 1) << c.command;
    }

    // Every open dialog that shows state follows the next synchronisation,
    // whichever slot it is in.
    view->onSyncDone(0);
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<StateDialog*>(app->slot(c.slot))->refreshes, 1) << c.command;
}

TEST_F(ViewFixture, PanelNeverShrinksBelowItsMinimum) {
    build({}, [](sim::VirtualUnit& u) { u.unplug(); });
    view->resize(600, 300);
    EXPECT_EQ(view->panel()->size(), QSize(950, 520));
    view->resize(1200, 700);
    EXPECT_EQ(view->panel()->size(), QSize(1200, 700));
}

}  // namespace
}  // namespace udare::shell::viewtest

namespace udare::shell::viewtest {
namespace {

// --trace: udare-ctl's format, "> " before each report sent and "< " before
// each one received, every line all 61 bytes in upper-case hex.
TEST(SessionTrace, WritesEverySentAndReceivedReportAsUdareCtlDoes) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wire.trace"));
    {
        SessionOptions o;
        o.simulate = true;
        Session session(o);
        QString error;
        ASSERT_TRUE(session.startTrace(path, &error));
        ASSERT_EQ(session.link().ConnectDevice(), 1);
        SetMicVolume(session.context(), 50);
        ASSERT_TRUE(session.outbox().waitDrained(5000));
        session.closeDevice();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 3);
    const QString zeros = QStringLiteral(" 00").repeated(55);
    EXPECT_EQ(lines[0], QStringLiteral("> 02 09 00 01 30 01 3F 00 00 00") + zeros.left(51 * 3));
    EXPECT_EQ(lines[1], QStringLiteral("< 02 09 00 01 30 01 3F 00 00 00") + zeros.left(51 * 3));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("> 02 8A 00"))) << lines[2].toStdString();
    for (const QString& l : lines) EXPECT_EQ(l.size(), 2 + 61 * 3 - 1) << l.toStdString();

    SessionOptions o;
    o.simulate = true;
    Session session(o);
    QString error;
    EXPECT_FALSE(session.startTrace(dir.filePath(QStringLiteral("no/such/dir/x.trace")), &error));
    EXPECT_TRUE(error.contains(QStringLiteral("x.trace"))) << error.toStdString();
}

}  // namespace
}  // namespace udare::shell::viewtest
