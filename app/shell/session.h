// The one place where the program meets the unit: it owns the parameter
// mirror, the debugger log, the HID backend (the real unit or the virtual
// one) and the link over it.
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <string_view>

#include "protocol/context.h"
#include "protocol/device_state.h"
#include "protocol/host.h"

namespace udare {
class HidBackend;
class Outbox;
class UsbLink;
struct UpgradeHooks;
namespace sim {
class VirtualUnit;
}
}  // namespace udare

namespace udare::shell {

// Debugger log lines: dropped, or printed on standard error with --debug.
class StderrLog final : public LogSink {
public:
    explicit StderrLog(bool enabled) : enabled_(enabled) {}
    void log(std::string_view line) override {
        if (enabled_) stderr_.log(line);
    }
    bool enabled() const { return enabled_; }

private:
    bool enabled_;
    udare::StderrLog stderr_;  // one line at a time, whichever thread logs
};

struct SessionOptions {
    bool debug = false;
    bool simulate = false;
    QStringList simulateOptions;  // KEY=VALUE or bare flags, as given
    Clock* clock = nullptr;       // every wait of the link and its users; real time when null
};

class Session {
public:
    // notifier and prompter outlive the session.
    explicit Session(SessionOptions options = {}, Notifier& notifier = NullNotifier::instance(),
                     Prompter& prompter = AutoPrompter::instance());
    virtual ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Writes every report to path ("-": standard output) as udare-ctl's
    // --trace does: "> " sent, "< " received, 61 bytes of hex a line. Call
    // before the first connection; false with a message when it cannot write.
    bool startTrace(const QString& path, QString* error);

    // Checks the --simulate options; false with a message naming the bad one.
    static bool checkSimulateOptions(const QStringList& options, QString* error);
    // Split "A=1,B" into its options.
    static QStringList splitSimulateOptions(const QString& value);

    DeviceState& state() { return state_; }
    const DeviceState& state() const { return state_; }
    LogSink& log() { return log_; }
    const SessionOptions& options() const { return options_; }

    // The link and what the protocol operations act on; both always exist.
    UsbLink& link() const { return *link_; }
    // The window's context: operations store, queue their reports in the
    // outbox and return at once; its sender thread waits on the unit.
    Ctx& context() const;
    // What the upgrade workers and the read thread share; always exists.
    UpgradeHooks& upgradeHooks() const { return *hooks_; }
    Outbox& outbox() const { return *outbox_; }
    // The virtual unit with --simulate, else null.
    sim::VirtualUnit* virtualUnit() const { return virtual_; }

    virtual bool connected() const;
    virtual int upgradeMode() const;
    // Let the queued writes go (at most kCloseFlushMs), then send the closing
    // report, stop the read thread (at most 1000 ms), close.
    static constexpr int kCloseFlushMs = 2000;
    virtual void closeDevice();
    // Write a mode file, then store the current mode on the unit. On failure
    // the user has been told, the old file is kept and nothing is stored.
    virtual bool saveModeFile(const QString& path);

private:
    SessionOptions options_;
    StderrLog log_;
    DeviceState state_;
    struct TraceFile;
    std::unique_ptr<TraceFile> trace_;  // outlives the link that writes to it
    std::unique_ptr<HidBackend> backend_;
    std::unique_ptr<UpgradeHooks> hooks_;
    sim::VirtualUnit* virtual_ = nullptr;
    std::unique_ptr<UsbLink> link_;
    std::unique_ptr<Outbox> outbox_;  // after the link: it goes first
};

}  // namespace udare::shell
