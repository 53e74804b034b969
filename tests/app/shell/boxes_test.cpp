// The information box, the about box, the synchronisation progress dialog,
// notices, and the notifier's delivery to the UI thread.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QTest>
#include <QTimer>

#include <QAbstractButton>
#include <QMessageBox>

#include <atomic>
#include <future>
#include <thread>

#include "shell/about_dlg.h"
#include "shell/info_dlg.h"
#include "shell/notice.h"
#include "shell/qt_host.h"
#include "shell/syn_dlg.h"
#include "shell_test_support.h"

using namespace udare;
using namespace udare::shell;
using udare::shell::test::FakePrompter;
using udare::shell::test::ShellFixture;

TEST_F(ShellFixture, InfoBoxIsReusedAndItsTimerRestarts) {
    build(0);
    app->showInfoBox(QStringLiteral("first"), 1100);
    auto* box = qobject_cast<CInfoDlg*>(app->slot(DialogSlot::InfoBox));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), QString::fromUtf8("信息"));
    QTest::qWait(500);
    app->showInfoBox(QStringLiteral("second"), 1100);
    EXPECT_EQ(app->slot(DialogSlot::InfoBox), box);
    EXPECT_EQ(box->text(), QStringLiteral("second"));
    EXPECT_GT(box->remainingMs(), 1000);  // counted from the second call
    // Gone after its time; the slot empties.
    QTRY_VERIFY_WITH_TIMEOUT(app->slot(DialogSlot::InfoBox) == nullptr, 3000);
}

TEST_F(ShellFixture, InfoBoxClosedByHandComesBackFresh) {
    build(1);
    app->showInfoBox(QStringLiteral("a"), 5000);
    QPointer<QWidget> first = app->slot(DialogSlot::InfoBox);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Information"));
    QTest::keyClick(first.data(), Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(app->slot(DialogSlot::InfoBox), nullptr);
    app->showInfoBox(QStringLiteral("b"), 5000);
    ASSERT_TRUE(app->slot(DialogSlot::InfoBox));
    EXPECT_EQ(qobject_cast<CInfoDlg*>(app->slot(DialogSlot::InfoBox))->text(), QStringLiteral("b"));
}

TEST_F(ShellFixture, InfoBoxAskedForJustAfterClosingSurvivesTheOldOnesDeletion) {
    build(0);
    app->showInfoBox(QStringLiteral("a"), 5000);
    app->slot(DialogSlot::InfoBox)->close();  // its deletion is still pending
    app->showInfoBox(QStringLiteral("b"), 5000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    auto* box = qobject_cast<CInfoDlg*>(app->slot(DialogSlot::InfoBox));
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text(), QStringLiteral("b"));
}

TEST_F(ShellFixture, AboutBoxWithoutUnitShowsLinesOnlyAfterF11) {
    build(0);
    CAboutDlg dlg(*app);
    dlg.show();
    EXPECT_FALSE(dlg.mcuLine()->isVisibleTo(&dlg));
    EXPECT_FALSE(dlg.dspLine()->isVisibleTo(&dlg));
    QTest::keyPress(&dlg, Qt::Key_F11);
    EXPECT_FALSE(dlg.mcuLine()->isVisibleTo(&dlg));
    QTest::keyRelease(&dlg, Qt::Key_F11);
    EXPECT_TRUE(dlg.mcuLine()->isVisibleTo(&dlg));
    EXPECT_TRUE(dlg.modelLine()->isVisibleTo(&dlg));
    EXPECT_TRUE(dlg.peakCheck()->isVisibleTo(&dlg));
    EXPECT_FALSE(dlg.dspLine()->isVisibleTo(&dlg));
    EXPECT_EQ(dlg.mcuLine()->text(), QString::fromUtf8("MCU版本:%s 通信版本:%02d"));
    EXPECT_FALSE(dlg.peakCheck()->isChecked());  // its design state
    dlg.peakCheck()->click();
    EXPECT_TRUE(app->peakSwitch());
    dlg.peakCheck()->click();
    EXPECT_FALSE(app->peakSwitch());
}

TEST_F(ShellFixture, AboutBoxWithUnitShowsVersions) {
    build(0);
    session.fakeConnected = true;
    session.state().identity.mcuVersion.setAscii("2013-05-03");
    session.state().identity.dspVersion.setAscii("2013-05-01");
    session.state().identity.modelName.setAscii("Q9");
    session.state().identity.protocolVersion = 2;
    CAboutDlg dlg(*app);
    EXPECT_EQ(dlg.mcuLine()->text(), QString::fromUtf8("MCU版本:2013-05-03 通信版本:02"));
    EXPECT_EQ(dlg.dspLine()->text(), QString::fromUtf8("DSP版本:2013-05-01"));
    EXPECT_EQ(dlg.modelLine()->text(), QString::fromUtf8("机器型号:Q9"));
    EXPECT_TRUE(dlg.mcuLine()->isVisibleTo(&dlg));
    EXPECT_TRUE(dlg.dspLine()->isVisibleTo(&dlg));
    EXPECT_FALSE(dlg.modelLine()->isVisibleTo(&dlg));
    EXPECT_TRUE(dlg.peakCheck()->isChecked());  // the switch starts on
}

TEST(SynDlg, TimesOutOnceWithTheErrorBox) {
    FakePrompter prompter;
    CSynDlg dlg(prompter, nullptr, 300);
    EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("同步过程"));
    QElapsedTimer t;
    t.start();
    QTimer::singleShot(2000, &dlg, [&] { dlg.finish(); });  // safety net
    dlg.exec();
    EXPECT_TRUE(dlg.timedOut());
    EXPECT_LT(t.elapsed(), 1500);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "发生错误，与设备数据同步超时……");
    EXPECT_EQ(prompter.calls[0].caption, "错误");
    EXPECT_EQ(prompter.calls[0].icon, Prompter::Icon::Error);
    dlg.finish();  // a late completion changes nothing
    EXPECT_EQ(prompter.calls.size(), 1u);
}

TEST(SynDlg, FinishEndsItQuietlyAndKeysCannot) {
    FakePrompter prompter;
    CSynDlg dlg(prompter, nullptr, 20000);
    int values = 0;
    QObject::connect(dlg.progress(), &QProgressBar::valueChanged, &dlg, [&] { ++values; });
    QTimer::singleShot(150, &dlg, [&] {
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QTest::keyClick(&dlg, Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
    });
    QTimer::singleShot(450, &dlg, [&] { dlg.finish(); });
    dlg.exec();
    EXPECT_FALSE(dlg.timedOut());
    EXPECT_TRUE(prompter.calls.empty());
    EXPECT_GE(values, 3);  // one step each 100 ms
}

TEST_F(ShellFixture, InWindowNoticeHasTitleTextAndLifetime) {
    build(0);
    frame->show();
    TrayNotice* n = frame->notice();
    n->setUseTray(false);
    app->showTrayNotice(QString::fromUtf8("信息"), QString::fromUtf8("设备已连接，同步中……"), 300);
    ASSERT_TRUE(n->isShowing());
    ASSERT_TRUE(n->inWindowBox());
    EXPECT_TRUE(n->inWindowBox()->isVisible());
    const QList<QLabel*> labels = n->inWindowBox()->findChildren<QLabel*>();
    QStringList texts;
    for (QLabel* l : labels) texts << l->text();
    EXPECT_TRUE(texts.contains(QString::fromUtf8("信息")));
    EXPECT_TRUE(texts.contains(QString::fromUtf8("设备已连接，同步中……")));
    QTRY_VERIFY_WITH_TIMEOUT(!n->isShowing(), 2000);

    // A click takes it away at once.
    app->showTrayNotice(QStringLiteral("Information"), QStringLiteral("Device connected!"), 5000);
    ASSERT_TRUE(n->inWindowBox());
    QTest::mouseClick(n->inWindowBox(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!n->isShowing(), 1000);
}

TEST(QtNotifier, WaitingMessagesBlockTheSenderUntilHandled) {
    QtNotifier notifier;
    std::atomic<int> handled{0};
    std::atomic<bool> senderSawHandled{false};
    QObject::connect(&notifier, &QtNotifier::keyLearnedReceived, &notifier, [&](int code) {
        EXPECT_EQ(code, 0x58);
        QThread::msleep(50);
        handled = 1;
    });
    int syncs = 0;
    QObject::connect(&notifier, &QtNotifier::syncDoneReceived, &notifier, [&](int w) {
        EXPECT_EQ(w, 1);
        ++syncs;
    });
    std::thread worker([&] {
        notifier.keyLearned(0x58);
        senderSawHandled = handled.load() == 1;
        notifier.syncDone(1);
    });
    QTRY_VERIFY_WITH_TIMEOUT(syncs == 1, 3000);
    worker.join();
    EXPECT_TRUE(senderSawHandled);
}

// At shutdown the UI thread joins the read thread without running its loop:
// released, a reader parked in a waiting call goes on, and none waits again.
TEST(QtHost, ReleaseLetsCallersParkedOnTheUiThreadGo) {
    QtNotifier notifier;
    QtPrompter prompter;
    int keys = 0;
    QObject::connect(&notifier, &QtNotifier::keyLearnedReceived, &notifier, [&](int) { ++keys; });
    std::atomic<int> returned{0};
    Prompter::Answer answer = Prompter::Answer::Yes;
    std::thread reader([&] {
        notifier.keyLearned(0x58);
        ++returned;
        answer = prompter.messageBox("确定?", "提示", Prompter::Icon::Question,
                                     Prompter::Buttons::YesNo);
        ++returned;
    });
    QThread::msleep(50);
    EXPECT_EQ(returned.load(), 0);  // parked: nothing ran the loop
    notifier.release();
    prompter.release();
    reader.join();
    EXPECT_EQ(returned.load(), 2);
    EXPECT_EQ(answer, Prompter::Answer::Cancel);
    // The abandoned call never runs, even when the loop turns again.
    QCoreApplication::processEvents();
    EXPECT_EQ(keys, 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QtNotifier, PostedFromTheUiThreadArriveLater) {
    QtNotifier notifier;
    int syncs = 0;
    QObject::connect(&notifier, &QtNotifier::syncDoneReceived, &notifier, [&](int) { ++syncs; });
    notifier.syncDone(0);
    EXPECT_EQ(syncs, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(syncs, 1);
}

TEST(QtPrompter, BoxesFromAnotherThreadShowOnTheUiThread) {
    QtPrompter prompter;
    std::atomic<bool> shownOnUiThread{false};
    // Answer the box as soon as it is up.
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shownOnUiThread = box->thread() == QThread::currentThread();
            EXPECT_EQ(box->windowTitle(), QString::fromUtf8("提示"));
            EXPECT_EQ(box->icon(), QMessageBox::Question);
            box->button(QMessageBox::Yes)->click();
        }
    });
    poll.start();
    auto answer = std::async(std::launch::async, [&] {
        return prompter.messageBox("确定?", "提示", Prompter::Icon::Question, Prompter::Buttons::YesNo);
    });
    while (answer.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    EXPECT_EQ(answer.get(), Prompter::Answer::Yes);
    EXPECT_TRUE(shownOnUiThread);
}
