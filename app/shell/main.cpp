// udare-tuner: the tuning program for the karaoke DSP unit.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "panel/panel_dialogs.h"
#include "shell/app.h"
#include "shell/lang.h"
#include "shell/mainframe.h"
#include "shell/qt_host.h"
#include "shell/session.h"
#include "shell/single_instance.h"
#include "shell/view.h"
#include "sim/sim_options.h"
#ifdef UDARE_HAVE_UPGRADE
#include "upgrade/upgrade_windows.h"
#endif
#ifdef UDARE_HAVE_DIALOGS
#include "dialogs/dialogs.h"
#endif

using namespace udare::shell;

namespace {

QString lockDirectory() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty()) dir = QDir::tempPath();
    return dir;
}

long residentKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Milliseconds since the process started, from the kernel's clock.
double msSinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    QFile up(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !up.open(QIODevice::ReadOnly)) return -1;
    const QByteArray s = stat.readAll();
    const QList<QByteArray> f = s.mid(s.lastIndexOf(')') + 2).split(' ');
    if (f.size() < 20) return -1;
    const double startTicks = f[19].toDouble();
    const double uptime = up.readAll().split(' ').first().toDouble();
    return (uptime - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

struct Options {
    QCommandLineParser parser;
    QCommandLineOption simulate{QStringLiteral("simulate"),
                                QStringLiteral("Run on the virtual unit; OPTIONS are KEY=VALUE or flags, "
                                               "separated by commas (listed below)."),
                                QStringLiteral("OPTIONS")};
    QCommandLineOption debug{QStringLiteral("debug"),
                             QStringLiteral("Print the debugger log lines on standard error.")};
    QCommandLineOption screenshot{QStringLiteral("screenshot"),
                                  QStringLiteral("Save a picture of the main window to FILE once it "
                                                 "is painted, then quit."),
                                  QStringLiteral("FILE")};
    QCommandLineOption shotDelay{QStringLiteral("screenshot-delay"),
                                 QStringLiteral("Wait MS after the first paint before the picture "
                                                "(default 1200; 6000 shows a unit after its first "
                                                "synchronisation)."),
                                 QStringLiteral("MS"), QStringLiteral("1200")};
    QCommandLineOption trace{QStringLiteral("trace"),
                             QStringLiteral("Write every report to FILE (- for standard output): "
                                            "\"> \" sent, \"< \" received, 61 bytes of hex a line."),
                             QStringLiteral("FILE|-")};
    QCommandLineOption openDialog{QStringLiteral("open-dialog"),
                                  QStringLiteral("Open a dialog once the first synchronisation is done "
                                                 "(machine-settings, machine-settings-locked, "
                                                 "remote-learning, learn-N); with --screenshot the "
                                                 "picture shows the whole screen with it."),
                                  QStringLiteral("NAME")};
    QCommandLineOption stats{QStringLiteral("startup-stats"),
                             QStringLiteral("Print the start-up time and resident memory.")};
    Options() {
        parser.setApplicationDescription(QStringLiteral("Tuning program for the karaoke DSP unit."));
        parser.addHelpOption();
        parser.addOption(simulate);
        parser.addOption(debug);
        parser.addOption(screenshot);
        parser.addOption(trace);
        parser.addOption(shotDelay);
#ifdef UDARE_HAVE_DIALOGS
        parser.addOption(openDialog);
#endif
        parser.addOption(stats);
        parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("A mode file (.VXS) to open."),
                                     QStringLiteral("[file]"));
    }
};

// Every dialog the program opens by slot: F7 the machine settings, the tab
// row's 遥控学习, 自动超低 and 噪声门, the upgrade windows. A slot without a
// registration opens nothing. The panel, dialog and upgrade folders add
// their registrations here.
void registerDialogs(udare::ui::DialogRegistry& dialogs, CVovedo13App& app) {
    udare::panel::registerPanelDialogs(
        dialogs, app.session().context(),
        [&app](QWidget* w, int dialog) { app.relabel(w, dialog); },
        [&app]() -> udare::ui::UndoStack* { return app.view() ? &app.view()->undo() : nullptr; });
#ifdef UDARE_HAVE_UPGRADE
    udare::upgrade::registerUpgradeWindows(dialogs, app);
#endif
#ifdef UDARE_HAVE_DIALOGS
    udare::dialogs::RegisterDialogs(dialogs, app);
#endif
}

}  // namespace

int main(int argc, char* argv[]) {
    QElapsedTimer sinceMain;
    sinceMain.start();
    // Help needs no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            QCoreApplication core(argc, argv);
            QCoreApplication::setApplicationName(QStringLiteral("udare-tuner"));
            Options o;
            std::fputs(qPrintable(o.parser.helpText()), stdout);
            std::fputs("\nSimulator options:\n", stdout);
            std::fputs(udare::sim::simOptionsHelp(), stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--") == 0) break;
    }

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("udare-tuner"));
    QApplication::setDesktopFileName(QStringLiteral("udare"));
    QApplication::setWindowIcon(appIcon());

    // "--simulate" may stand alone or carry its options after "=".
    QStringList args = QApplication::arguments();
    bool simulateBare = false;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--simulate")) {
            simulateBare = true;
            args.removeAt(i--);
        } else if (args[i] == QLatin1String("--")) {
            break;
        }
    }
    Options o;
    QCommandLineParser& parser = o.parser;
    const QCommandLineOption& simulate = o.simulate;
    const QCommandLineOption& debug = o.debug;
    const QCommandLineOption& screenshot = o.screenshot;
    const QCommandLineOption& stats = o.stats;
    if (!parser.parse(args)) {
        std::fprintf(stderr, "udare-tuner: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        std::fprintf(stderr, "udare-tuner: only one mode file can be opened\n");
        return 2;
    }
    const QString file = files.value(0);

    SessionOptions opts;
    opts.debug = parser.isSet(debug);
    opts.simulate = simulateBare || parser.isSet(simulate);
    for (const QString& v : parser.values(simulate)) opts.simulateOptions << Session::splitSimulateOptions(v);
    if (opts.simulate) {
        QString error;
        if (!Session::checkSimulateOptions(opts.simulateOptions, &error)) {
            std::fprintf(stderr, "udare-tuner: --simulate: %s\n", qPrintable(error));
            return 2;
        }
    }

    // One running copy.
    SingleInstance instance(QString::fromLatin1(kInstanceName), lockDirectory());
    switch (instance.start(file)) {
    case SingleInstance::Result::First:
        break;
    case SingleInstance::Result::HandedOver:
        return 0;
    case SingleInstance::Result::NoWindow:
        QMessageBox::critical(nullptr, Z("错误"), Z("已有一个实例在运行，但找不到它的主窗口！"));
        return 1;
    case SingleInstance::Result::Failed:
        QMessageBox::critical(nullptr, Z("错误"), Z("创建信标对象失败，程序退出！"));
        return 1;
    }

    QtPrompter prompter;
    QtNotifier notifier;
    Session session(opts, notifier, prompter);
    if (parser.isSet(o.trace)) {
        QString error;
        if (!session.startTrace(parser.value(o.trace), &error)) {
            std::fprintf(stderr, "udare-tuner: --trace: %s\n", qPrintable(error));
            return 2;
        }
    }
    QtFileChooser files2;
    CVovedo13App app(session, prompter, files2);
    app.setNotifier(&notifier);
    registerDialogs(app.dialogs(), app);
    CMainFrame frame(app);
    prompter.setParentWindow(&frame);

    QObject::connect(&instance, &SingleInstance::activateRequested, &frame, &CMainFrame::bringToFront);
    QObject::connect(&instance, &SingleInstance::openRequested, &app, &CVovedo13App::openDocument);

    const QString shotPath = parser.value(screenshot);
    bool delayOk = false;
    const int shotDelayMs = parser.value(o.shotDelay).toInt(&delayOk);
    if (!delayOk || shotDelayMs < 0) {
        std::fprintf(stderr, "udare-tuner: --screenshot-delay needs a number of milliseconds\n");
        return 2;
    }
    auto saveShotAndExit = [&](const QPixmap& picture) {
        if (!picture.save(shotPath))
            std::fprintf(stderr, "udare-tuner: cannot write %s\n", qPrintable(shotPath));
        // exit, not quit: the synchronisation dialog refuses to close, which cancels a quit.
        QCoreApplication::exit(0);
    };
#ifdef UDARE_HAVE_DIALOGS
    const QString dialogName = parser.value(o.openDialog);
    if (!dialogName.isEmpty() && !udare::dialogs::IsDialogName(dialogName)) {
        std::fprintf(stderr, "udare-tuner: --open-dialog: unknown dialog %s\n", qPrintable(dialogName));
        return 2;
    }
    if (!dialogName.isEmpty()) {
        // Once the first synchronisation is over, open it; a picture follows.
        auto* waitSync = new QTimer(&frame);
        waitSync->setInterval(100);
        QObject::connect(waitSync, &QTimer::timeout, &frame, [&, waitSync] {
            CVovedo13View* v = frame.view();
            if (!v || v->firstSyncPending() || app.slot(DialogSlot::SyncProgress)) return;
            waitSync->stop();
            udare::dialogs::OpenDialogByName(app, dialogName, [&] {
                if (shotPath.isEmpty()) return;
                QTimer::singleShot(800, &frame, [&] {
                    QScreen* screen = QGuiApplication::primaryScreen();
                    saveShotAndExit(screen ? screen->grabWindow(0) : QPixmap());
                });
            });
        });
        waitSync->start();
    }
#else
    const QString dialogName;
#endif
    const bool printStats = parser.isSet(stats);
    QObject::connect(&frame, &CMainFrame::firstPainted, &frame, [&] {
        if (printStats) {
            std::fprintf(stderr, "painted %.0f ms after process start (%lld ms after main), resident %ld KiB\n",
                         msSinceProcessStart(), static_cast<long long>(sinceMain.elapsed()), residentKiB());
        }
        if (!shotPath.isEmpty() && dialogName.isEmpty()) {
            // Let the first notices and timers settle, then take the picture.
            QTimer::singleShot(shotDelayMs, &frame, [&] { saveShotAndExit(frame.grab()); });
        }
    });

    frame.setWindowTitle(QString::fromLatin1(kAppCaption));
    frame.show();
    if (!file.isEmpty()) app.openDocument(file);
    const int rc = QApplication::exec();
    // No event loop from here on: a read thread must not wait for one.
    notifier.release();
    prompter.release();
    // However the loop ended, the unit hears the closing report.
    session.closeDevice();
    return rc;
}
