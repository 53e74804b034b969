#include "link/usb_link.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "protocol/opcodes.h"
#include "protocol/inbound.h"

namespace udare {

namespace {

constexpr int kMaxInterfaces = 32;
constexpr size_t kReadBufferSize = 65;  // a report with room to spare

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}

UsbLink::Dispatcher defaultDispatcher() {
    return [](Ctx& c, const uint8_t* report, size_t len) { DispatchReport(c, report, len); };
}

}  // namespace

// One connection: the open device and the thread reading it. The reader keeps
// its session (and so the device) alive until it returns, whatever teardown did.
struct UsbLink::Session {
    std::shared_ptr<HidDevice> dev;
    std::thread thread;
    std::mutex m;
    std::condition_variable cv;
    bool cancelled = false;  // under m: once set the reader touches no link flag
    bool ended = false;      // under m
};

UsbLink::UsbLink(HidBackend& backend, DeviceState& st, LogSink& log, const LinkContext& lc)
    : backend_(backend),
      st_(st),
      log_(log),
      ctx_{st, *this, lc.clock, log, lc.notifier, lc.prompter, lc.upgrade},
      dispatch_(defaultDispatcher()) {}

UsbLink::~UsbLink() {
    if (monitorStarted_) backend_.stopMonitor();
    teardown(false);
    std::vector<std::shared_ptr<Session>> late;
    {
        std::lock_guard<std::mutex> l(controlMutex_);
        late.swap(lateReaders_);
    }
    for (auto& s : late)
        if (s->thread.joinable()) s->thread.join();
}

void UsbLink::setDispatcher(Dispatcher d) { dispatch_ = d ? std::move(d) : defaultDispatcher(); }

void UsbLink::setTrace(TraceFn sent, TraceFn received) {
    traceSent_ = std::move(sent);
    traceReceived_ = std::move(received);
}

void UsbLink::setHotplugHandler(HotplugFn fn) {
    std::lock_guard<std::mutex> l(hotplugMutex_);
    hotplug_ = std::move(fn);
}

void UsbLink::setTimingForTest(const LinkTiming& t) {
    writeWaitMs_ = t.writeReadyWaitMs;
    readerWaitMs_ = t.readerExitWaitMs;
    readPollMs_ = t.readPollMs;
}

void UsbLink::setWriterWaitingHookForTest(std::function<void()> hook) {
    std::lock_guard<std::mutex> l(readyMutex_);
    writerWaitingHook_ = std::move(hook);
}

void UsbLink::deviceArrived(const std::string& path) {
    HotplugFn fn;
    {
        std::lock_guard<std::mutex> l(hotplugMutex_);
        fn = hotplug_;
    }
    if (fn) fn(true, path);
}

void UsbLink::deviceRemoved(const std::string& path) {
    HotplugFn fn;
    {
        std::lock_guard<std::mutex> l(hotplugMutex_);
        fn = hotplug_;
    }
    if (fn) fn(false, path);
}

std::string UsbLink::devicePath() const {
    std::lock_guard<std::mutex> l(pathMutex_);
    return devicePath_;
}

bool UsbLink::hasDevice() const { return currentSession() != nullptr; }

std::vector<UsbLink::OpenFailure> UsbLink::openFailures() const {
    std::lock_guard<std::mutex> l(pathMutex_);
    return openFailures_;
}

HidInterfaceInfo UsbLink::connectedInterface() const {
    std::lock_guard<std::mutex> l(pathMutex_);
    return connectedIf_;
}

std::shared_ptr<UsbLink::Session> UsbLink::currentSession() const {
    std::lock_guard<std::mutex> l(sessionMutex_);
    return session_;
}

bool UsbLink::IsOurDeviceRemoved(const std::string& path) const {
    std::lock_guard<std::mutex> l(pathMutex_);
    return !devicePath_.empty() && equalsIgnoringCase(path, devicePath_);
}

// ---- discovery and connection ----

int UsbLink::ConnectDevice() {
    if (connected.load()) return 0;
    // Registered before taking the connection lock: a backend may call its
    // listener (and so the owner, and so DisconnectDevice) under its own lock.
    if (!registerNotifications()) {
        // Every attempt starts from a link that is not in upgrade mode.
        std::lock_guard<std::mutex> control(controlMutex_);
        if (!connected.load()) upgradeMode = 0;
        return 0;
    }
    std::lock_guard<std::mutex> control(controlMutex_);
    if (connected.load()) return 0;
    reapEndedReaders();

    // Fresh pacing state for this connection: the event starts signalled.
    {
        std::lock_guard<std::mutex> l(readyMutex_);
        writeReady_ = true;
    }
    // Cleared here too, so a write racing the reader's start is not refused.
    g_bReadThreadEnd = 0;
    upgradeMode = 0;

    if (!openFirstMatch()) return 0;

    auto s = std::make_shared<Session>();
    s->dev = std::shared_ptr<HidDevice>(std::move(opened_));
    {
        std::lock_guard<std::mutex> l(pathMutex_);
        connectedIf_ = found_;
    }
    upgradeMode = isUpgradeModeInterface(found_) ? 1 : 0;
    {
        std::lock_guard<std::mutex> l(sessionMutex_);
        session_ = s;
    }
    ++connectionId_;
    connected = 1;
    s->thread = std::thread([this, s] { readLoop(s); });
    return 1;
}

int UsbLink::FindDevice() { return registerNotifications() && openFirstMatch() ? 1 : 0; }

bool UsbLink::registerNotifications() {
    if (!backend_.startMonitor(this)) {
        ctx_.prompter.messageBox("Can't register device notification: ", "Error",
                                 Prompter::Icon::Warning);
        log_.log("注册Guid错误，可能不能捕捉设备的连接或移除\n");
        return false;
    }
    monitorStarted_ = true;
    return true;
}

bool UsbLink::openFirstMatch() {
    {
        std::lock_guard<std::mutex> l(pathMutex_);
        openFailures_.clear();
    }
    bool ok = true;
    std::vector<HidInterfaceInfo> list = backend_.enumerate(&ok);
    if (!ok) {
        log_.log("获取Hid设备信息失败");
        return false;
    }
    log_.log("开始枚举usb设备");
    for (int i = 0; i < kMaxInterfaces; ++i) {
        if (static_cast<size_t>(i) >= list.size()) {
            log_.log("枚举usb设备出错,usb设备接口可能枚举完成了");
            break;
        }
        log_.log("枚举usb设备成功");
        const HidInterfaceInfo& info = list[static_cast<size_t>(i)];
        if (!info.active) continue;
        std::unique_ptr<HidDevice> dev = OpenDeviceInterface(info, UNIT_VENDOR_ID, UNIT_PRODUCT_ID);
        if (dev) {
            opened_ = std::move(dev);
            found_ = info;
            log_.log("连接目标设备成功!");
            return true;
        }
    }
    log_.log("连接目标设备失败，没有找到目标设备");
    return false;
}

std::unique_ptr<HidDevice> UsbLink::OpenDeviceInterface(const HidInterfaceInfo& info,
                                                        uint16_t vendorId, uint16_t productId) {
    if (info.path.empty()) {
        log_.log("查找设备路径时出错!");
        return nullptr;
    }
    log_.log("设备路径:\r\n" + info.path);
    log_.log("尝试打开通信端口....");
    errno = 0;
    std::unique_ptr<HidDevice> dev = backend_.open(info.path);
    if (!dev) {
        const int error = errno;
        log_.log("无法打开通信端口。不能读取设备信息!(设备连接可能不正确?)\n");
        if (info.vendorId == vendorId && info.productId == productId) {
            std::lock_guard<std::mutex> l(pathMutex_);
            openFailures_.push_back({info.path, error});
        }
        return nullptr;
    }
    log_.log("打开通信端口成功!\n");
    log_.log("正在读取设备的标识...\n");
    uint16_t v = 0, p = 0;
    if (!dev->attributes(v, p)) {
        log_.log("查询设备信息出错!\n");
        return nullptr;  // closes it
    }
    if (v != vendorId || p != productId) return nullptr;
    {
        std::lock_guard<std::mutex> l(pathMutex_);
        devicePath_ = info.path;
    }
    return dev;
}

int UsbLink::DisconnectDevice() { return teardown(false); }

void UsbLink::CloseDevice() { teardown(true); }

int UsbLink::teardown(bool sendClosing) {
    std::lock_guard<std::mutex> control(controlMutex_);
    if (!connected.load()) return 1;
    st_.identity.meterLevels.fill(0);
    if (sendClosing && !upgradeMode.load()) req::Close(*this);
    connected = 0;

    std::shared_ptr<Session> s = currentSession();
    bool ended = true;
    if (s) {
        {
            std::lock_guard<std::mutex> l(s->m);
            s->cancelled = true;
        }
        s->dev->cancel();
    }
    // Release writers waiting for a reply that will not come.
    {
        std::lock_guard<std::mutex> l(readyMutex_);
        ++readyEpoch_;
    }
    readyCv_.notify_all();

    if (s) {
        std::unique_lock<std::mutex> l(s->m);
        ended = s->cv.wait_for(l, std::chrono::milliseconds(readerWaitMs_.load()),
                               [&] { return s->ended; });
    }
    if (!ended) log_.log("wait read thread exited time out !\n");

    {
        std::lock_guard<std::mutex> l(sessionMutex_);
        session_.reset();
    }
    if (s) {
        // A reader still inside the dispatcher keeps the device open; it is
        // joined once it has returned (next connection or destruction).
        if (ended)
            s->thread.join();
        else
            lateReaders_.push_back(std::move(s));
    }
    return 1;
}

void UsbLink::reapEndedReaders() {
    for (auto it = lateReaders_.begin(); it != lateReaders_.end();) {
        bool ended;
        {
            std::lock_guard<std::mutex> l((*it)->m);
            ended = (*it)->ended;
        }
        if (ended) {
            (*it)->thread.join();
            it = lateReaders_.erase(it);
        } else {
            ++it;
        }
    }
}

// ---- pacing ----

void UsbLink::setWriteReady() {
    {
        std::lock_guard<std::mutex> l(readyMutex_);
        writeReady_ = true;
    }
    readyCv_.notify_one();
}

void UsbLink::SignalWriteReady() { setWriteReady(); }

bool UsbLink::waitWriteReady(int ms) {
    std::unique_lock<std::mutex> l(readyMutex_);
    const uint64_t epoch = readyEpoch_;
    if (!writeReady_ && writerWaitingHook_) writerWaitingHook_();
    readyCv_.wait_for(l, std::chrono::milliseconds(ms),
                      [&] { return writeReady_ || readyEpoch_ != epoch; });
    if (!writeReady_) return false;
    writeReady_ = false;  // auto reset: this writer consumes the reply
    return true;
}

int UsbLink::WriteUsbData(const uint8_t* data, size_t len) {
    if (!connected.load()) return 0;
    if (g_bReadThreadEnd.load()) {
        log_.log("g_bReadThreadEnd == TRUE ,WriteUsbData return \n");
        return 0;
    }
    HidReport buf{};
    if (data) std::memcpy(buf.data(), data, std::min(len, buf.size()));
    const bool paramOrImage = buf[1] == op::kWriteParam || buf[1] == op::kWriteEqBytes;
    if (paramOrImage && (upgradeMode.load() || dspUpgradeActive.load())) return 0;

    // The result is not examined: after a time-out the report goes anyway.
    waitWriteReady(writeWaitMs_.load());

    // Torn down while waiting: the handle is gone, nothing to write to.
    std::shared_ptr<Session> s = currentSession();
    if (!s || !connected.load()) {
        log_.log("usb数据写入失败");
        return 0;
    }

    int count = 0;
    {
        std::lock_guard<std::mutex> l(writeLock);
        // Traced before the write: the reply may be read before write() returns.
        if (traceSent_) traceSent_(buf.data(), buf.size());
        int r = s->dev->write(buf.data(), buf.size());
        count = r < 0 ? 0 : r;
    }
    if (count != kReportSize) log_.log("usb数据写入失败");
    return count;
}

// ---- the read thread ----

void UsbLink::ReadUsbThreadProc() {
    if (auto s = currentSession()) readLoop(s);
}

int UsbLink::ReadAndDispatch() {
    auto s = currentSession();
    return s ? readOnce(*s) : 0;
}

void UsbLink::readLoop(const std::shared_ptr<Session>& s) {
    {
        std::lock_guard<std::mutex> l(s->m);
        if (!s->cancelled) g_bReadThreadEnd = 0;
    }
    log_.log("start thread: ReadUsbThreadProc \n");
    for (;;) {
        {
            std::lock_guard<std::mutex> l(s->m);
            if (s->cancelled || !connected.load()) break;
        }
        if (readOnce(*s)) continue;
        std::lock_guard<std::mutex> l(s->m);
        if (!s->cancelled) {
            linkIdle = 0;
            g_bReadThreadEnd = 1;
            setWriteReady();  // release a waiting writer
        }
        break;
    }
    {
        std::lock_guard<std::mutex> l(s->m);
        s->ended = true;
    }
    s->cv.notify_all();
}

int UsbLink::readOnce(Session& s) {
    uint8_t buf[kReadBufferSize] = {};
    int n = s.dev->read(buf, sizeof buf, readPollMs_.load());
    if (n == 0) return 1;  // time-out: nothing arrived, keep reading
    if (n < 0) {
        bool cancelled;
        {
            std::lock_guard<std::mutex> l(s.m);
            cancelled = s.cancelled;
        }
        if (cancelled) return 0;  // our own teardown, not a fault
        log_.log("Read Usb Error will return !\n");
        return 0;
    }
    // Shorter reports are zero-padded; anything past 61 bytes is not ours.
    if (traceReceived_) traceReceived_(buf, kReportSize);
    dispatch_(ctx_, buf, kReportSize);
    std::lock_guard<std::mutex> l(s.m);
    if (!s.cancelled) setWriteReady();
    return 1;
}

}  // namespace udare
