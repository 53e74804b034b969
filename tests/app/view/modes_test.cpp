// Loading, storing and resetting modes; opening and saving mode files.
#include <QFile>
#include <QFileInfo>

#include "protocol/commands.h"
#include "protocol/mode_file.h"
#include "protocol/slots.h"
#include "shell/mode_files.h"
#include "panel/dialog_music.h"
#include "grid_list_ctrl.h"
#include "view_fixture.h"

namespace udare::shell::viewtest {
namespace {

using namespace cmd;

TEST(ModeFileNames, TheStemBeforeVxsNamesTheSlot) {
    struct Case {
        const char* path;
        int slot;
    };
    const Case cases[] = {
        {"M2 party.VXS", 1},        {"m10.VXS", 0},          {"preset.VXS", -1},
        {"/tmp/velmora4.VXS", 3},   {"VELMORA3.VXS", 2},     {"默认1.VXS", 0},
        {"velmora4.vxs", -1},       {"m1", -1},              {"/m3/preset.VXS", -1},
        {"m4.VXS.bak", 3},          {".VXS", -1},            {"xm1.VXS", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(modeSlotFromFileName(QString::fromUtf8(c.path)), c.slot) << c.path;
}

TEST_F(ViewFixture, LoadingM3WithUnsavedChangesAsksAndNoSendsNothing) {
    buildSynced();
    session->state().settingsModified = 1;
    session->state().currentMode = 0;
    clearSent();
    prompter.answers = {Prompter::Answer::No};
    frame->runCommand(IDC_LOAD_M3);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "参数已更改，确定要直接载入模式三?");
    EXPECT_EQ(prompter.calls[0].caption, "信息");
    EXPECT_EQ(prompter.calls[0].buttons, Prompter::Buttons::YesNo);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(session->state().currentMode.load(), 0);

    // Yes loads the mode and reads everything back.
    prompter.answers = {Prompter::Answer::Yes};
    frame->runCommand(IDC_LOAD_M3);
    ASSERT_FALSE(sent().empty());
    EXPECT_TRUE(isCommand(sent()[0], {0x05, 0x02}));
    EXPECT_EQ(unit->currentMode(), 2);
    EXPECT_EQ(session->state().currentMode.load(), 2);
    // The unit's M3 has microphone volume 70.
    EXPECT_EQ(slider(ID_SLIDER_MICVOL)->value(), 70);
    EXPECT_EQ(session->state().settingsModified.load(), 0);
}

TEST_F(ViewFixture, StoringAsksAndTellsOfItHalfASecondLater) {
    buildSynced();
    clearSent();
    prompter.answers = {Prompter::Answer::Yes};
    frame->runCommand(IDC_SAVE_M2);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "确定保存至机器?");
    EXPECT_EQ(prompter.calls[0].caption, "");
    EXPECT_GE(find([](const HidReport& r) { return isCommand(r, {0x04, 0x01}); }), 0);
    EXPECT_EQ(session->state().currentMode.load(), 1);
    EXPECT_TRUE(infoText().isEmpty());
    ASSERT_TRUE(waitFor([&] { return !infoText().isEmpty(); }, 1500));
    EXPECT_EQ(infoText(), QString::fromUtf8("正在储存模式二,请稍等"));
}

TEST_F(ViewFixture, ResetIsRefusedWhileLoadingModesIsLocked) {
    buildSynced();
    DeviceState& st = session->state();
    st.machine.committed.set(machine::kPanelLock, 1);
    st.machine.committed.set(machine::kLockBits, machine::kLockLoadMode);
    clearSent();
    view->modes().resetMode(1);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(infoText(), QString::fromUtf8("载入模式功能已锁定!"));

    st.machine.committed.set(machine::kLockBits, machine::kLockStoreMode);  // another lock bit
    view->modes().resetMode(1);
    ASSERT_FALSE(sent().empty());
    EXPECT_TRUE(isCommand(sent()[0], {0x06, 0x01}));
    EXPECT_EQ(view->firstSyncPending(), 0);
}

// A mode file with a recognisable effect volume (the full send leaves the
// microphone and music volumes out), written by the protocol's saver.
QString writeModeFile(Session& s, const QString& path, int effect) {
    DeviceState& st = s.state();
    const int before = st.slotInt(slot::effectVolume);
    st.setSlotInt(slot::effectVolume, effect);
    NullLog log;
    AutoPrompter prompter;
    struct Drop final : ReportSink {
        int writeReport(const uint8_t*, size_t) override { return 0; }
    } drop;
    Ctx c{st, drop, SystemClock::instance(), log, NullNotifier::instance(), prompter};
    EXPECT_EQ(SaveModeFile(c, path.toStdString()), 1);
    st.setSlotInt(slot::effectVolume, before);
    return path;
}

TEST_F(ViewFixture, OpeningAFileNamedForM4WritesItThenStoresItAsM4) {
    buildSynced();
    struct Case {
        const char* name;
        bool storedAsM4;
    };
    const Case cases[] = {{"velmora4.VXS", true}, {"VELMORA4.VXS", true}, {"velmora4.vxs", false}};
    int volume = 21;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        files.openPath = writeModeFile(*session, dir.filePath(QString::fromUtf8(k.name)), ++volume);
        clearSent();
        frame->runCommand(IDC_FILE_OPEN);
        EXPECT_FALSE(app->slot(DialogSlot::SyncProgress));
        const int written = find([&](const HidReport& r) {
            return isParam(r, GROUP_MIC, '2') && be32(r, 6) == enc::percent(volume);
        });
        EXPECT_GE(written, 0);
        const int select = find([](const HidReport& r) { return isCommand(r, {0x03, 0x03}); });
        const int store = find([](const HidReport& r) { return isCommand(r, {0x04, 0x03}); });
        if (k.storedAsM4) {
            EXPECT_GT(select, written);
            EXPECT_GT(store, select);
            EXPECT_EQ(session->state().currentMode.load(), 3);
            EXPECT_EQ(unit->storedMode(3).values[GROUP_MIC][2][0], enc::percent(volume));
        } else {
            EXPECT_EQ(select, -1);
            EXPECT_EQ(store, -1);
        }
        EXPECT_EQ(app->loadedModeSlot, -1);
        EXPECT_EQ(slider(ID_SLIDER_EFXVOL)->value(), volume);
        EXPECT_EQ(app->recentFiles().value(0), QFileInfo(files.openPath).absoluteFilePath());
        EXPECT_EQ(session->state().settingsModified.load(), 0);
    }
}

TEST_F(ViewFixture, AFileThatCannotBeReadSendsNothingAndTiesNoSlot) {
    buildSynced();
    files.openPath = dir.filePath(QStringLiteral("m2-gone.VXS"));  // never written
    clearSent();
    frame->runCommand(IDC_FILE_OPEN_OUT);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(app->loadedModeSlot, -1);
    EXPECT_FALSE(prompter.calls.empty());  // the reader's own box
    EXPECT_TRUE(app->recentFiles().isEmpty());
}

TEST_F(ViewFixture, SavingAFileFirstStoresTheCurrentMode) {
    buildSynced();
    session->state().currentMode = 2;
    session->state().settingsModified = 1;
    files.savePath = dir.filePath(QStringLiteral("out.VXS"));
    clearSent();
    frame->runCommand(IDC_FILE_SAVE);
    EXPECT_EQ(files.proposedNames, QStringList{QStringLiteral("name")});
    EXPECT_TRUE(prompter.calls.empty());  // no confirmation, no notice
    const auto all = sent();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_TRUE(isCommand(all[0], {0x04, 0x02}));
    EXPECT_EQ(session->state().settingsModified.load(), 0);
    QFile f(files.savePath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const auto want = ModeFileBytes(session->state());
    EXPECT_EQ(bytes, QByteArray(reinterpret_cast<const char*>(want.data()), int(want.size())));
    EXPECT_EQ(app->recentFiles().value(0), QFileInfo(files.savePath).absoluteFilePath());
}

TEST_F(ViewFixture, WithoutAUnitEveryPageEditsAndTheFileCommandsWorkOnTheWindowAlone) {
    build({}, [](sim::VirtualUnit& u) { u.unplug(); });
    pump(400);
    auto* panel = qobject_cast<panel::CDialogMusic*>(view->panel());
    ASSERT_TRUE(panel);
    constexpr int kGainColumn = 3;
    auto rowZeroGain = [&] { return panel->bandTable()->ItemText(0, kGainColumn); };
    for (int page = 0; page < panel::kPageCount; ++page) {
        panel->SetPage(page);
        panel->bandTable()->FinishEdit(0, kGainColumn, QStringLiteral("+3.0dB"));
    }
    Ctx& c = view->context();
    for (Eq eq : {Eq::Mic1, Eq::Mic2, Eq::Echo, Eq::Reverb, Eq::Music, Eq::Main, Eq::Rear, Eq::Center})
        EXPECT_FLOAT_EQ(GetEqBand(c, eq, 0).gainDb, 3.0f) << eqInfo(eq).name;
    EXPECT_FLOAT_EQ(GetEqBand(c, Eq::Sub, 0).gainDb, 3.0f);

    // The save command writes what the window holds.
    files.savePath = dir.filePath(QStringLiteral("offline.VXS"));
    frame->runCommand(ID_FILE_SAVE);
    QFile f(files.savePath);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const auto want = ModeFileBytes(session->state());
    EXPECT_EQ(f.readAll(), QByteArray(reinterpret_cast<const char*>(want.data()), int(want.size())));
    EXPECT_EQ(infoText(), QString());

    // Opening it again shows it on every page.
    for (int page = 0; page < panel::kPageCount; ++page) {
        panel->SetPage(page);
        panel->resetEq();
        EXPECT_EQ(rowZeroGain(), QStringLiteral("+0.0dB")) << page;
    }
    files.openPath = files.savePath;
    frame->runCommand(IDC_FILE_OPEN);
    EXPECT_EQ(files.openAsked, 1);
    for (int page = 0; page < panel::kPageCount; ++page) {
        panel->SetPage(page);
        EXPECT_EQ(rowZeroGain(), QStringLiteral("+3.0dB")) << page;
    }
    EXPECT_EQ(app->recentFiles().value(0), QFileInfo(files.savePath).absoluteFilePath());
    EXPECT_TRUE(sent().empty());
    // The slot commands are silent.
    frame->runCommand(IDC_LOAD_M1);
    frame->runCommand(IDC_SAVE_M1);
    EXPECT_TRUE(prompter.calls.empty());
}

TEST_F(ViewFixture, RecentEntriesAndTheCommandLine) {
    buildSynced();
    const QString good = writeModeFile(*session, dir.filePath(QStringLiteral("m2.vxs")), 33);

    // Gone from disk: the box, and the entry leaves the list.
    const QString gone = dir.filePath(QStringLiteral("gone.VXS"));
    app->addRecentFile(gone);
    clearSent();
    app->openDocument(gone);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "文件不存在！");
    EXPECT_EQ(prompter.calls[0].caption, "文件打开错误");
    EXPECT_FALSE(app->recentFiles().contains(QFileInfo(gone).absoluteFilePath()));
    EXPECT_TRUE(sent().empty());

    // Not a mode file: nothing.
    QFile other(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.close();
    EXPECT_FALSE(view->modes().openDocument(other.fileName()));
    EXPECT_TRUE(sent().empty());

    // A mode file is written, but no slot is taken from its name here.
    EXPECT_TRUE(view->modes().openDocument(good));
    EXPECT_GE(find([](const HidReport& r) { return isParam(r, GROUP_MIC, '2') && be32(r, 6) == enc::percent(33); }), 0);
    EXPECT_EQ(find([](const HidReport& r) { return r[1] == 0x03 || r[1] == 0x04; }), -1);
    // Opened this way, the file still goes to the top of the recent list.
    EXPECT_EQ(app->recentFiles().value(0), QFileInfo(good).absoluteFilePath());
    EXPECT_FALSE(app->recentFiles().contains(QFileInfo(other.fileName()).absoluteFilePath()));
}

TEST_F(ViewFixture, AFileNamedAtStartUpIsWrittenOnceTheUnitIsThere) {
    SessionOptions o;
    Session writer(o);
    const QString path = writeModeFile(writer, dir.filePath(QStringLiteral("party.VXS")), 44);
    build();
    app->openDocument(path);  // as main() does, before the first attempt
    EXPECT_EQ(view->pendingDocument(), path);
    ASSERT_TRUE(waitFor([&] {
        return view->pendingDocument().isEmpty() && view->firstSyncPending() == 0 &&
               !app->slot(DialogSlot::SyncProgress);
    }));
    EXPECT_EQ(session->state().slotInt(slot::effectVolume), 44);
    EXPECT_GE(find([](const HidReport& r) { return isParam(r, GROUP_MIC, '2') && be32(r, 6) == enc::percent(44); }), 0);
}

TEST_F(ViewFixture, AFileSlotEndsWithARefusedSynchronisation) {
    // A unit of the old protocol takes the file but refuses the store; the
    // slot must not wait for the next unit.
    build(QStringLiteral("protocol=1"));
    ASSERT_TRUE(waitFor([&] { return !prompter.calls.empty() && !app->slot(DialogSlot::SyncProgress); }));
    pump(50);
    prompter.calls.clear();
    files.openPath = writeModeFile(*session, dir.filePath(QStringLiteral("m2 party.VXS")), 27);
    clearSent();
    frame->runCommand(IDC_FILE_OPEN);
    EXPECT_EQ(prompter.count("软件与机器通信协议不匹配，请您升级!"), 1);
    EXPECT_EQ(find([](const HidReport& r) { return r[1] == 0x03 || r[1] == 0x04; }), -1);
    EXPECT_EQ(app->loadedModeSlot, -1);
}

}  // namespace
}  // namespace udare::shell::viewtest
