#include "shell/session.h"

#include <QFile>

#include <cstdio>
#include <mutex>

#include "link/hidraw_backend.h"
#include "link/outbox.h"
#include "link/usb_link.h"
#include "protocol/commands.h"
#include "protocol/mode_file.h"
#include "sim/sim_options.h"
#include "sim/virtual_unit.h"
#include "upgrade/upgrade_hooks.h"

namespace udare::shell {

namespace {
sim::SimOptions parsedOptions(const QStringList& options, bool* ok, std::string* error) {
    sim::SimOptions o;
    *ok = sim::parseSimOptions(options.join(QLatin1Char(',')).toStdString(), o, error);
    return o;
}
}  // namespace

// The trace: the link's writer and reader threads both write lines to it.
struct Session::TraceFile {
    std::mutex m;
    std::FILE* f = nullptr;
    bool own = false;
    ~TraceFile() {
        if (own && f) std::fclose(f);
    }
    void line(bool sent, const uint8_t* data, size_t len) {
        const std::string text = TraceLine(sent, data, len) + '\n';
        std::lock_guard<std::mutex> l(m);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fflush(f);
    }
};

Session::Session(SessionOptions options, Notifier& notifier, Prompter& prompter)
    : options_(std::move(options)), log_(options_.debug) {
    if (options_.simulate) {
        bool ok = false;
        auto unit = std::make_unique<sim::VirtualUnit>(parsedOptions(options_.simulateOptions, &ok, nullptr));
        virtual_ = unit.get();
        backend_ = std::move(unit);
    } else {
        backend_ = std::make_unique<HidrawBackend>();
    }
    hooks_ = std::make_unique<UpgradeHooks>();
    link_ = std::make_unique<UsbLink>(*backend_, state_, log_,
                                      LinkContext{notifier, prompter,
                                                  options_.clock ? *options_.clock : SystemClock::instance(),
                                                  hooks_.get()});
    outbox_ = std::make_unique<Outbox>(*link_);
}

Session::~Session() {
    // The outbox's sender, then the link, before the backend it reads from
    // and the hooks it feeds.
    outbox_.reset();
    link_.reset();
    hooks_.reset();
    backend_.reset();
}

bool Session::startTrace(const QString& path, QString* error) {
    auto t = std::make_unique<TraceFile>();
    if (path == QLatin1String("-")) {
        t->f = stdout;
    } else {
        t->f = std::fopen(QFile::encodeName(path).constData(), "w");
        if (!t->f) {
            if (error) *error = QStringLiteral("cannot write the trace file %1").arg(path);
            return false;
        }
        t->own = true;
    }
    TraceFile* raw = t.get();
    trace_ = std::move(t);
    link_->setTrace([raw](const uint8_t* d, size_t n) { raw->line(true, d, n); },
                    [raw](const uint8_t* d, size_t n) { raw->line(false, d, n); });
    return true;
}

bool Session::checkSimulateOptions(const QStringList& options, QString* error) {
    bool ok = false;
    std::string err;
    parsedOptions(options, &ok, &err);
    if (!ok && error) *error = QString::fromStdString(err);
    return ok;
}

QStringList Session::splitSimulateOptions(const QString& value) {
    QStringList out;
    for (const QString& part : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString t = part.trimmed();
        if (!t.isEmpty()) out << t;
    }
    return out;
}

Ctx& Session::context() const { return outbox_->context(); }

bool Session::connected() const { return link_->connected.load() == 1; }

int Session::upgradeMode() const { return link_->upgradeMode.load(); }

void Session::closeDevice() {
    // The user's last changes still reach the unit, before the closing report.
    if (connected()) outbox_->waitDrained(kCloseFlushMs);
    link_->CloseDevice();
}

bool Session::saveModeFile(const QString& path) {
    Ctx& c = context();
    // The file first: if it cannot be written, the unsaved state stays
    // marked as such and the unit's mode is left alone.
    if (!SaveModeFile(c, path.toStdString())) return false;
    SaveMode(c, c.st.currentMode.load());
    return true;
}

}  // namespace udare::shell
