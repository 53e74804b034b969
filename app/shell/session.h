// The one place where the program meets the unit: it owns the parameter
// mirror, the debugger log and the link (a real unit or the virtual one).
#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <string_view>

#include "protocol/device_state.h"
#include "protocol/host.h"

namespace udare::shell {

// Debugger log lines: dropped, or printed on standard error with --debug.
class StderrLog final : public LogSink {
public:
    explicit StderrLog(bool enabled) : enabled_(enabled) {}
    void log(std::string_view line) override;
    bool enabled() const { return enabled_; }

private:
    bool enabled_;
};

struct SessionOptions {
    bool debug = false;
    bool simulate = false;
    QStringList simulateOptions;  // KEY=VALUE or bare flags, as given
};

class Session {
public:
    explicit Session(SessionOptions options = {});
    virtual ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    DeviceState& state() { return state_; }
    const DeviceState& state() const { return state_; }
    LogSink& log() { return log_; }
    const SessionOptions& options() const { return options_; }

    // The link's view of things; without a link nothing is ever connected.
    virtual bool connected() const;
    virtual int upgradeMode() const;
    // Send the closing report, stop the read thread (at most 1000 ms), close.
    virtual void closeDevice();
    // Store the current mode on the unit and write a mode file; on failure
    // the file is left as it was and error says why.
    virtual bool saveModeFile(const QString& path, QString* error);

    // Split "--simulate=A=1,B" into its options.
    static QStringList splitSimulateOptions(const QString& value);

private:
    SessionOptions options_;
    StderrLog log_;
    DeviceState state_;
};

}  // namespace udare::shell
