// One running copy: the second start hands its file to the first and ends.
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>

#include <gtest/gtest.h>

#include "shell/single_instance.h"

using namespace udare::shell;

TEST(SingleInstance, SecondStartHandsOverItsFile) {
    QTemporaryDir dir;
    const QString name = QStringLiteral("udare-test-%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(name, dir.path());
    ASSERT_EQ(first.start(QString()), SingleInstance::Result::First);
    QSignalSpy activated(&first, &SingleInstance::activateRequested);
    QSignalSpy opened(&first, &SingleInstance::openRequested);

    // The second copy blocks while it talks, so it runs on its own thread.
    auto second = std::async(std::launch::async, [&] {
        SingleInstance other(name, dir.path());
        return other.start(QStringLiteral("relative/preset.VXS"), 3000);
    });
    while (second.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    EXPECT_EQ(second.get(), SingleInstance::Result::HandedOver);
    QCoreApplication::processEvents();
    EXPECT_EQ(activated.count(), 1);
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened[0][0].toString(), QDir::current().absoluteFilePath("relative/preset.VXS"));

    // Without a file the first is only brought forward.
    auto third = std::async(std::launch::async, [&] {
        SingleInstance other(name, dir.path());
        return other.start(QString(), 3000);
    });
    while (third.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    EXPECT_EQ(third.get(), SingleInstance::Result::HandedOver);
    QCoreApplication::processEvents();
    EXPECT_EQ(activated.count(), 2);
    EXPECT_EQ(opened.count(), 1);
}

TEST(SingleInstance, LockWithoutListenerIsReported) {
    QTemporaryDir dir;
    const QString name = QStringLiteral("udare-mute-%1").arg(QCoreApplication::applicationPid());
    QLockFile held(QDir(dir.path()).filePath(name + QStringLiteral(".lock")));
    ASSERT_TRUE(held.tryLock(0));
    SingleInstance second(name, dir.path());
    EXPECT_EQ(second.start(QString(), 300), SingleInstance::Result::NoWindow);
}

TEST(SingleInstance, TheProgramItselfHandsOverAndExits) {
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("HOME"), home.path());
    QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QStringLiteral(UDARE_TUNER_BIN), {QStringLiteral("--simulate=silent")});
    ASSERT_TRUE(first.waitForStarted(5000));
    // Wait for its lock to appear.
    QTRY_VERIFY_WITH_TIMEOUT(QDir(home.path()).entryList({QStringLiteral("*.lock")}).size() == 1, 10000);
    QTest::qWait(300);

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(UDARE_TUNER_BIN), {QStringLiteral("preset.VXS")});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    first.terminate();
    if (!first.waitForFinished(5000)) first.kill();
    first.waitForFinished(2000);
}

TEST(CommandLine, BadArgumentsEndWithAMessage) {
    struct Case {
        QStringList args;
        const char* says;
    } cases[] = {
        {{QStringLiteral("--simulate=bogus")}, "bogus"},
        {{QStringLiteral("--simulate=protocol=x")}, "protocol"},
        {{QStringLiteral("one.VXS"), QStringLiteral("two.VXS")}, "only one mode file"},
        {{QStringLiteral("--no-such-option")}, "no-such-option"},
    };
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path());
    for (const Case& c : cases) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(UDARE_TUNER_BIN), c.args);
        ASSERT_TRUE(p.waitForFinished(10000)) << c.args.join(' ').toStdString();
        EXPECT_EQ(p.exitCode(), 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardError().contains(c.says)) << c.args.join(' ').toStdString();
        // Nothing was started: no lock left behind.
        EXPECT_TRUE(QDir(home.path()).entryList({QStringLiteral("*.lock")}).isEmpty());
    }
}
