// One run of the program: options, the mirror, the link (made when a command
// first needs the unit) and the terminal ends of the core's callbacks.
#pragma once

#include <atomic>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <memory>
#include <ostream>
#include <string>

#include "args.h"
#include "link/hid_backend.h"
#include "protocol/context.h"
#include "protocol/device_state.h"
#include "terminal.h"
#include "text.h"
#include "wire_tap.h"

namespace udare {
class UsbLink;
}

namespace udare::cli {

struct CliHooks {
    // Makes the HID layer; by default the virtual unit for --simulate and the
    // hidraw devices otherwise. nullptr with error set on failure.
    std::function<std::unique_ptr<HidBackend>(const Options&, std::string& error)> makeBackend;
    // Set from a signal handler: ends a running meter.
    const std::atomic<bool>* interrupted = nullptr;
};

std::unique_ptr<HidBackend> DefaultBackend(const Options& opt, std::string& error);

class Session {
public:
    Session(const Options& opt, std::ostream& out, std::ostream& err, const CliHooks& hooks);
    ~Session();  // closes the link
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    const Options& opt;
    std::ostream& out;
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
    // Closing report, then the link down. Idempotent.
    void close();
    bool interrupted() const { return hooks_.interrupted && hooks_.interrupted->load(); }

private:
    CliHooks hooks_;
    std::ofstream traceFile_;
    std::unique_ptr<HidBackend> backend_;
    std::unique_ptr<UsbLink> link_;
    bool closed_ = false;
    bool silentReported_ = false;
};

}  // namespace udare::cli
