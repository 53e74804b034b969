// One run of the program: options, the mirror, the link (made when a command
// first needs the unit) and the terminal ends of the core's callbacks.
#pragma once

#include <atomic>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <streambuf>
#include <ostream>
#include <string>

#include "args.h"
#include "dsp/eq_model.h"
#include "link/hid_backend.h"
#include "protocol/context.h"
#include "protocol/device_state.h"
#include "upgrade/upgrade_hooks.h"
#include "terminal.h"
#include "text.h"
#include "wire_tap.h"

namespace udare {
class UsbLink;
}

namespace udare::cli {

// Standard output is written by the command and, with "--trace -", by the
// read thread: every write goes through one lock.
class SyncBuf final : public std::streambuf {
public:
    explicit SyncBuf(std::streambuf* dest) : dest_(dest) {}

protected:
    int_type overflow(int_type c) override {
        std::lock_guard<std::mutex> l(m_);
        return traits_type::eq_int_type(c, traits_type::eof()) ? traits_type::not_eof(c) : dest_->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        std::lock_guard<std::mutex> l(m_);
        return dest_->sputn(s, n);
    }
    int sync() override {
        std::lock_guard<std::mutex> l(m_);
        return dest_->pubsync();
    }

private:
    std::mutex m_;
    std::streambuf* dest_;
};

struct CliHooks {
    // Makes the HID layer; by default the virtual unit for --simulate and the
    // hidraw devices otherwise. nullptr with error set on failure.
    std::function<std::unique_ptr<HidBackend>(const Options&, std::string& error)> makeBackend;
    // Set from a signal handler: ends a running meter.
    const std::atomic<bool>* interrupted = nullptr;
    // Standard output is a terminal: progress is drawn as a bar.
    bool terminal = false;
    // Draws the EQ curve control with the model's bands into a PNG file of
    // the given size; set by programs built with the windowing toolkit.
    // false with error set on failure.
    std::function<bool(const dsp::EqModel& model, int lang, int width, int height, const std::string& path,
                       std::string& error)>
        writeCurvePng;
};

std::unique_ptr<HidBackend> DefaultBackend(const Options& opt, std::string& error);

class Session {
public:
    Session(const Options& opt, std::ostream& out, std::ostream& err, const CliHooks& hooks);
    ~Session();  // closes the link
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const Options& opt;
private:
    SyncBuf outBuf_;

public:
    std::ostream out;
    std::ostream& err;
    int lang() const { return opt.lang; }
    const char* t(const Tr& tr) const { return tr.in(opt.lang); }
    // "udare-ctl: " and the message on standard error.
    void fail(const std::string& message);

    DeviceState st;
    WireTap tap;
    TerminalNotifier notifier;
    TerminalPrompter prompter;
    LogSink& log;

    // Opens the trace file named by --trace; EXIT_FAILED when it cannot.
    int openTrace();
    // The HID layer, made on first use; nullptr after printing why.
    HidBackend* backend();
    // Connects on first use. EXIT_OK, EXIT_NO_UNIT or EXIT_FAILED (message printed).
    int connect();
    bool connected() const;
    UsbLink& link() { return *link_; }
    // The link's context once connected; before that one whose reports go nowhere.
    Ctx& ctx();
    // After a command that used the unit: waits for the reply to the last
    // report; EXIT_SILENT (message printed) when the unit stopped answering.
    int checkAnswering();
    bool unitLost() const;
    // Sends short requests one after another; the pacing makes each wait for
    // the previous reply.
    void request(std::initializer_list<int> commands);
    // The model and protocol checks ReadAll makes; prints the core's texts on a
    // mismatch and returns false.
    bool identityMatches();
    // The unit's model and protocol version have been answered since the link
    // came up, whichever command asked (ReadAll, info or knowUnit).
    bool identityKnown() const;
    // Before reports whose form depends on the unit's protocol version: asks
    // the identity unless it is known, then refuses a model that is not ours.
    // EXIT_OK, or the exit code with the reason printed; nothing else is sent.
    int knowUnit();
    // Closing report, then the link down. Idempotent.
    void close();
    bool interrupted() const { return hooks_.interrupted && hooks_.interrupted->load(); }
    bool terminal() const { return hooks_.terminal; }
    // The unit left the bus and is expected back (an upgrade restart): the
    // link reconnects, and the tap starts afresh. EXIT_OK once connected.
    int reconnect();

    // What the upgrade transfers share with the read thread.
    UpgradeHooks upgrade;
    const CliHooks& hooks() const { return hooks_; }

private:
    CliHooks hooks_;
    std::ofstream traceFile_;
    std::unique_ptr<HidBackend> backend_;
    std::unique_ptr<UsbLink> link_;
    class DropSink final : public ReportSink {
    public:
        int writeReport(const uint8_t*, size_t) override { return 0; }
    } drop_;
    Ctx offline_;
    bool closed_ = false;
    bool silentReported_ = false;
    // Identity replies counted by the tap when the link last came up.
    uint64_t modelRepliesBefore_ = 0, protocolRepliesBefore_ = 0;
    void noteConnected();
    // The unit's silence, reported once per session however often it is met.
    int wentSilent(const Tr& why);
    // IsOurModel, printing the refusal when it is not.
    bool ourModel();
};

}  // namespace udare::cli
