#include "session.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "link/hidraw_backend.h"
#include "link/usb_link.h"
#include "protocol/opcodes.h"
#include "sim/sim_options.h"
#include "sim/virtual_unit.h"

namespace udare::cli {

std::unique_ptr<HidBackend> DefaultBackend(const Options& opt, std::string& error) {
    if (opt.simulate) {
        sim::SimOptions so;
        if (!sim::parseSimOptions(opt.simulateOptions, so, &error)) return nullptr;
        return std::make_unique<sim::VirtualUnit>(so);
    }
    return std::make_unique<HidrawBackend>();
}

namespace {
LogSink& chooseLog(bool debug) {
    if (!debug) return NullLog::instance();
    static StderrLog log;  // stateless apart from its lock
    return log;
}
}  // namespace

Session::Session(const Options& o, std::ostream& out_, std::ostream& err_, const CliHooks& hooks)
    : opt(o), outBuf_(out_.rdbuf()), out(&outBuf_), err(err_), prompter(err_, o.yes, o.lang), log(chooseLog(o.debug)),
      hooks_(hooks), offline_{st, drop_, SystemClock::instance(), log, notifier, prompter, nullptr} {
    if (!hooks_.makeBackend) hooks_.makeBackend = DefaultBackend;
}

Session::~Session() { close(); }

void Session::fail(const std::string& message) {
    err << "udare-ctl: " << message << '\n' << std::flush;
}

int Session::openTrace() {
    if (opt.trace.empty()) return EXIT_OK;
    if (opt.trace == "-") {
        tap.setTrace(&out);
        return EXIT_OK;
    }
    traceFile_.open(opt.trace, std::ios::out | std::ios::trunc);
    if (!traceFile_) {
        fail(format(t({"无法写入跟踪文件 %s", "cannot write the trace file %s"}), opt.trace.c_str()));
        return EXIT_FAILED;
    }
    tap.setTrace(&traceFile_);
    return EXIT_OK;
}

HidBackend* Session::backend() {
    if (backend_) return backend_.get();
    std::string error;
    std::unique_ptr<HidBackend> inner = hooks_.makeBackend(opt, error);
    if (!inner) {
        fail(format("--simulate: %s", error.c_str()));
        return nullptr;
    }
    backend_ = std::make_unique<TappedBackend>(std::move(inner), tap, opt.device);
    return backend_.get();
}

int Session::connect() {
    if (link_ && link_->connected.load()) return EXIT_OK;
    if (link_) {  // connected once and lost since
        fail(t({"机器已断开", "the unit has gone away"}));
        return EXIT_SILENT;
    }
    HidBackend* b = backend();
    if (!b) return EXIT_USAGE;
    LinkContext lc{notifier, prompter, SystemClock::instance(), &upgrade};
    link_ = std::make_unique<UsbLink>(*b, st, log, lc);
    if (!link_->ConnectDevice()) {
        const std::vector<UsbLink::OpenFailure> failed = link_->openFailures();
        if (!failed.empty()) {
            // A unit is there but could not be opened: say which node and why.
            const UsbLink::OpenFailure& f = failed.front();
            if (f.error)
                fail(format(t({"无法打开 %s: %s", "cannot open %s: %s"}), f.path.c_str(), std::strerror(f.error)));
            else
                fail(format(t({"无法打开 %s", "cannot open %s"}), f.path.c_str()));
            if (f.error == EACCES || f.error == EPERM)
                fail(t({"udev 规则 resources/70-udare.rules 让登录的用户能访问机器 (见 README)",
                        "the udev rule resources/70-udare.rules gives the logged-in user access to the unit "
                        "(see README)"}));
        } else if (opt.device.empty())
            fail(t({"未找到机器", "no unit found"}));
        else
            fail(format(t({"%s 处没有机器", "no unit at %s"}), opt.device.c_str()));
        return EXIT_NO_UNIT;
    }
    noteConnected();
    return EXIT_OK;
}

int Session::reconnect() {
    if (!link_) return connect();
    link_->DisconnectDevice();
    tap.reconnected();
    if (!link_->ConnectDevice()) return EXIT_NO_UNIT;
    noteConnected();  // a restarted unit may have another protocol
    return EXIT_OK;
}

void Session::noteConnected() {
    modelRepliesBefore_ = tap.replies(op::kModelName);
    protocolRepliesBefore_ = tap.replies(op::kProtocolVersion);
}

bool Session::connected() const { return link_ && link_->connected.load(); }

Ctx& Session::ctx() { return link_ ? link_->context() : offline_; }

bool Session::unitLost() const {
    return tap.silent() || tap.readBroken() || (link_ && link_->g_bReadThreadEnd.load());
}

int Session::checkAnswering() {
    if (!link_) return EXIT_OK;
    bool answered = tap.waitAnswered();
    if (unitLost() || !answered) return wentSilent({"机器没有响应", "the unit stopped answering"});
    return EXIT_OK;
}

int Session::wentSilent(const Tr& why) {
    if (!silentReported_) fail(t(why));
    tap.declareSilent();
    silentReported_ = true;
    return EXIT_SILENT;
}

void Session::request(std::initializer_list<int> commands) {
    for (int c : commands) req::Short(ctx().out, uint8_t(c));
}

bool Session::ourModel() {
    if (IsOurModel(st)) return true;
    fail("机器型号与软件不匹配!");  // the refusal the window shows
    return false;
}

bool Session::identityMatches() {
    if (!ourModel()) return false;
    if (st.protocol() != kExpectedProtocol) {
        fail("软件与机器通信协议不匹配，请您升级!");
        return false;
    }
    return true;
}

bool Session::identityKnown() const {
    return link_ && tap.replies(op::kModelName) > modelRepliesBefore_ &&
           tap.replies(op::kProtocolVersion) > protocolRepliesBefore_;
}

int Session::knowUnit() {
    if (int rc = connect()) return rc;
    if (unitLost()) return checkAnswering();
    // A unit in upgrade mode answers only the transfers; what it is gets
    // checked by the transfer itself.
    if (link_->upgradeMode.load() != 0) return EXIT_OK;
    if (!identityKnown()) {
        req::Identity(ctx().out);
        if (!tap.waitAnswered() || unitLost())
            return wentSilent({"机器没有回答型号和通信版本的询问, 未写入任何内容",
                               "the unit did not answer when asked for its model and protocol; nothing was written"});
        if (!identityKnown()) {
            fail(t({"机器没有报告型号和通信版本, 未写入任何内容",
                    "the unit did not report its model and protocol; nothing was written"}));
            return EXIT_FAILED;
        }
    }
    return ourModel() ? EXIT_OK : EXIT_FAILED;
}

void Session::close() {
    if (closed_) return;
    closed_ = true;
    if (link_) {
        tap.stopTracingReplies();
        // Give the reader a moment to notice a cancelled device, so the closing
        // report is refused at once rather than after the pacing wait.
        if (tap.silent())
            for (int i = 0; i < 50 && !link_->g_bReadThreadEnd.load(); ++i) SystemClock::instance().sleepMs(2);
        link_->CloseDevice();
        link_.reset();
    }
}

}  // namespace udare::cli
