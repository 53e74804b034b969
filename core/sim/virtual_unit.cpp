#include "sim/virtual_unit.h"

#include <thread>

#include "protocol/context.h"
#include "protocol/device_state.h"
#include "sim/demo_unit.h"
#include "sim/unit_core.h"

namespace udare::sim {

namespace {

class VirtualDevice final : public HidDevice {
public:
    VirtualDevice(std::shared_ptr<VirtualUnit::Core> core,
                  std::shared_ptr<VirtualUnit::Core::Handle> h)
        : core_(std::move(core)), h_(std::move(h)) {}
    ~VirtualDevice() override {
        std::lock_guard<std::mutex> l(core_->m);
        auto& hs = core_->handles;
        hs.erase(std::remove(hs.begin(), hs.end(), h_), hs.end());
    }

    int read(uint8_t* buf, size_t capacity, int timeoutMs) override {
        std::unique_lock<std::mutex> l(core_->m);
        const TimePoint deadline = SteadyClock::now() + milliseconds(std::max(timeoutMs, 0));
        while (true) {
            if (h_->cancelled || h_->gone || h_->readFail) return -1;
            TimePoint now = SteadyClock::now();
            if (!h_->queue.empty() && h_->queue.front().at <= now) {
                HidReport r = h_->queue.front().report;
                h_->queue.pop_front();
                size_t n = std::min(capacity, size_t(kReportSize));
                std::memcpy(buf, r.data(), n);
                return int(n);
            }
            if (timeoutMs >= 0 && now >= deadline) return 0;
            ++core_->readsWaiting;
            core_->waitingCv.notify_all();
            if (!h_->queue.empty()) {
                TimePoint wake = h_->queue.front().at;
                if (timeoutMs >= 0) wake = std::min(wake, deadline);
                core_->readCv.wait_until(l, wake);
            } else if (timeoutMs >= 0) {
                core_->readCv.wait_until(l, deadline);
            } else {
                core_->readCv.wait(l);
            }
            --core_->readsWaiting;
        }
    }

    int write(const uint8_t* data, size_t len) override {
        TimePoint sendAt;
        {
            std::lock_guard<std::mutex> l(core_->m);
            Core& c = *core_;
            if (h_->gone || !c.plugged) return -1;
            if (len == 0 || len > size_t(kReportSize) || data[0] != kReportId) return -1;
            HidReport in{};
            std::memcpy(in.data(), data, len);
            c.log.push_back(in);
            if (c.log.size() > kLogLimit) c.log.pop_front();
            ++c.received;

            TimePoint now = SteadyClock::now();
            sendAt = now;
            TimePoint due = now;
            if (c.opt.frames) {
                // The report leaves at the next frame; the reply is taken one frame later.
                auto since = std::chrono::duration_cast<milliseconds>(now - c.epoch).count();
                sendAt = c.epoch + milliseconds(since + 1);
                due = sendAt + milliseconds(1);
            }
            due += milliseconds(c.opt.latencyMs);

            std::vector<HidReport> out;
            if (c.upgrade)
                c.processUpgrade(in, out, due);
            else
                c.process(in, out, due);

            if (!c.removeFired && c.opt.removeAfter > 0 && c.received >= size_t(c.opt.removeAfter)) {
                c.removeFired = true;
                c.unplugLocked();
                return int(len);
            }
            if (!c.opt.silent) {
                for (const HidReport& r : out) {
                    if (c.opt.garbage && c.rng() % 8 == 0) {
                        HidReport junk{};
                        for (auto& b : junk) b = uint8_t(c.rng());
                        c.deliver(junk, due);
                    }
                    c.deliver(r, due);
                }
            }
            c.checkReadError();
        }
        if (core_->opt.frames) std::this_thread::sleep_until(sendAt);
        return int(len);
    }

    bool attributes(uint16_t& vendorId, uint16_t& productId) override {
        std::lock_guard<std::mutex> l(core_->m);
        if (h_->gone) return false;
        vendorId = UNIT_VENDOR_ID;
        productId = UNIT_PRODUCT_ID;
        return true;
    }

    void cancel() override {
        std::lock_guard<std::mutex> l(core_->m);
        h_->cancelled = true;
        core_->readCv.notify_all();
    }

private:
    using Core = VirtualUnit::Core;
    std::shared_ptr<Core> core_;
    std::shared_ptr<Core::Handle> h_;
};

}  // namespace

namespace {

void eventLoop(VirtualUnit::Core* c) {
    using Kind = VirtualUnit::Core::EventKind;
    std::unique_lock<std::mutex> l(c->m);
    while (!c->stopping) {
        if (c->events.empty()) {
            c->eventCv.wait(l);
            continue;
        }
        if (SteadyClock::now() < c->events.front().at) {
            c->eventCv.wait_until(l, c->events.front().at);
            continue;
        }
        auto e = c->events.front();
        c->events.pop_front();
        switch (e.kind) {
        case Kind::Unplug: c->unplugLocked(); break;
        case Kind::Plug:
            if (c->pulledOut) break;
            c->upgrade = e.upgrade;
            if (e.restart) {
                const int m = machine::powerOnModeIndex(c->machine);
                c->loadMode(m >= 0 ? m : c->currentMode);
            }
            c->plugLocked();
            break;
        case Kind::KeyPress:
            // Only if that key is still being learned.
            if (c->learning == e.key) c->pressKeyLocked(uint8_t(0x40 + 0x1D * e.key));
            break;
        case Kind::NotifyRemoved:
        case Kind::NotifyArrived: {
            std::string path = c->opt.path;
            l.unlock();
            {
                std::lock_guard<std::recursive_mutex> ll(c->listenerMutex);
                if (c->listener) {
                    if (e.kind == Kind::NotifyRemoved)
                        c->listener->deviceRemoved(path);
                    else
                        c->listener->deviceArrived(path);
                }
            }
            l.lock();
            break;
        }
        }
    }
}

}  // namespace

VirtualUnit::VirtualUnit(const SimOptions& options)
    : options_(options), core_(std::make_shared<Core>(options)) {
    Core& c = *core_;
    c.imageSize = options.protocol == 1 ? kImageSizeProtocol1 : kImageSize;
    c.cur = startSettings(options.protocol);
    for (int n = 0; n < 4; ++n) c.modes[n] = factorySettings(n, options.protocol);
    std::copy(std::begin(kInitialRemoteKeys), std::end(kInitialRemoteKeys), c.remote.begin());
    if (options.demo) {
        // The demo preset reaches the unit as the program's reports would: the
        // protocol's operations write it, the unit takes each write, M1 keeps it.
        struct Apply final : ReportSink, Clock {
            Core& core;
            explicit Apply(Core& k) : core(k) {}
            int writeReport(const uint8_t* data, size_t len) override {
                HidReport r{};
                std::memcpy(r.data(), data, std::min(len, r.size()));
                std::vector<HidReport> replies;
                core.process(r, replies, SteadyClock::now());
                return kReportSize;
            }
            void sleepMs(int) override {}
            int64_t nowMs() override { return 0; }
        } apply(c);
        DeviceState st;
        st.identity.protocolVersion = static_cast<uint8_t>(options.protocol);
        Ctx ctx{st, apply, apply, NullLog::instance(), NullNotifier::instance(), AutoPrompter::instance()};
        WriteDemoSettings(ctx);
        c.modes[0] = c.cur;
        c.currentMode = 0;
    }
    c.upgrade = options.upgradeMode;
    c.noImage = options.noImage;
    if (c.noImage) std::fill(c.cur.image.begin(), c.cur.image.end(), op::kNoImageByte);
    events_ = std::thread(eventLoop, core_.get());
}

VirtualUnit::~VirtualUnit() {
    stopMonitor();
    {
        std::lock_guard<std::mutex> l(core_->m);
        core_->stopping = true;
        core_->eventCv.notify_all();
    }
    if (events_.joinable()) events_.join();
}

std::vector<HidInterfaceInfo> VirtualUnit::enumerate(bool* ok) {
    if (ok) *ok = true;
    std::lock_guard<std::mutex> l(core_->m);
    if (!core_->plugged) return {};
    HidInterfaceInfo info;
    info.path = options_.path;
    info.vendorId = UNIT_VENDOR_ID;
    info.productId = UNIT_PRODUCT_ID;
    info.releaseNumber = 0x0100;
    info.manufacturer = "udare virtual unit";
    info.product = core_->upgrade ? "Karaoke DSP Upgrade" : "Karaoke DSP";
    info.active = true;
    return {info};
}

std::unique_ptr<HidDevice> VirtualUnit::open(const std::string& path) {
    std::lock_guard<std::mutex> l(core_->m);
    if (!core_->plugged || path != options_.path) return nullptr;
    auto h = std::make_shared<Core::Handle>();
    core_->handles.push_back(h);
    core_->checkReadError();
    return std::make_unique<VirtualDevice>(core_, h);
}

bool VirtualUnit::startMonitor(HotplugListener* listener) {
    std::lock_guard<std::recursive_mutex> l(core_->listenerMutex);
    core_->listener = listener;
    return listener != nullptr;
}

void VirtualUnit::stopMonitor() {
    std::lock_guard<std::recursive_mutex> l(core_->listenerMutex);
    core_->listener = nullptr;
}

void VirtualUnit::unplug() {
    std::lock_guard<std::mutex> l(core_->m);
    core_->pulledOut = true;
    core_->unplugLocked();
}

void VirtualUnit::replug() {
    std::lock_guard<std::mutex> l(core_->m);
    core_->pulledOut = false;
    core_->plugLocked();
}

bool VirtualUnit::plugged() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->plugged;
}

bool VirtualUnit::pressRemoteKey(uint8_t code) {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->pressKeyLocked(code);
}

int VirtualUnit::learningKey() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->learning;
}

std::vector<uint32_t> VirtualUnit::wireValues(int group, int code, int count) const {
    std::lock_guard<std::mutex> l(core_->m);
    std::vector<uint32_t> v;
    if (group < 0 || group > 8) return v;
    count = std::clamp(count, 0, 7);
    if (code < kFirstCode) {
        if (code < 0 || code >= 30) return v;
        for (int k = 0; k < std::min(count, 5); ++k) v.push_back(core_->cur.coeffs[group][code][k]);
    } else if (code < kFirstCode + kCodeSlots) {
        for (int k = 0; k < count; ++k) v.push_back(core_->cur.values[group][code - kFirstCode][k]);
    }
    return v;
}

void VirtualUnit::frontPanelEdit(int group, int code, const std::vector<uint32_t>& values) {
    setWireValues(group, code, values);
    std::lock_guard<std::mutex> l(core_->m);
    if (!core_->plugged || core_->opt.silent) return;
    HidReport r = reply(op::kParamChanged);
    r[3] = uint8_t(group);
    r[4] = uint8_t(code);
    core_->deliver(r, SteadyClock::now() + milliseconds(core_->opt.latencyMs));
}

void VirtualUnit::setWireValues(int group, int code, const std::vector<uint32_t>& values) {
    std::lock_guard<std::mutex> l(core_->m);
    if (group < 0 || group > 8) return;
    if (code < kFirstCode) {
        if (code < 0 || code >= 30) return;
        for (size_t k = 0; k < std::min<size_t>(values.size(), 5); ++k)
            core_->cur.coeffs[group][code][k] = values[k];
    } else if (code < kFirstCode + kCodeSlots) {
        for (size_t k = 0; k < std::min<size_t>(values.size(), 7); ++k)
            core_->cur.values[group][code - kFirstCode][k] = values[k];
    }
}

std::array<uint32_t, 5> VirtualUnit::coefficients(int group, int band) const {
    std::lock_guard<std::mutex> l(core_->m);
    if (group < 0 || group > 8 || band < 0 || band >= 30) return {};
    return core_->cur.coeffs[group][band];
}

std::vector<uint8_t> VirtualUnit::image() const {
    std::lock_guard<std::mutex> l(core_->m);
    return {core_->cur.image.begin(), core_->cur.image.begin() + core_->imageSize};
}

void VirtualUnit::setImage(const std::vector<uint8_t>& bytes) {
    std::lock_guard<std::mutex> l(core_->m);
    size_t n = std::min(bytes.size(), size_t(core_->imageSize));
    std::copy(bytes.begin(), bytes.begin() + long(n), core_->cur.image.begin());
    core_->noImage = false;
}

UnitSettings VirtualUnit::current() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->cur;
}

UnitSettings VirtualUnit::storedMode(int n) const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->modes[std::clamp(n, 0, 3)];
}

UnitSettings VirtualUnit::factoryPreset(int n) const {
    return factorySettings(std::clamp(n, 0, 3), options_.protocol);
}

int VirtualUnit::currentMode() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->currentMode;
}

std::array<uint8_t, machine::kSize> VirtualUnit::machineSettings() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->machine;
}

void VirtualUnit::setMachineSettings(const std::array<uint8_t, machine::kSize>& s) {
    std::lock_guard<std::mutex> l(core_->m);
    core_->machine = s;
}

std::array<uint8_t, 16> VirtualUnit::remoteKeys() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->remote;
}

void VirtualUnit::setRemoteKeys(const std::array<uint8_t, 16>& t) {
    std::lock_guard<std::mutex> l(core_->m);
    core_->remote = t;
}

std::array<uint8_t, 3> VirtualUnit::meterLevels() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->levels;
}

bool VirtualUnit::upgradeMode() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->upgrade;
}

std::vector<uint8_t> VirtualUnit::mcuImage() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->mcuImage;
}

std::array<uint8_t, 3> VirtualUnit::mcuImageHead() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->mcuHead;
}

bool VirtualUnit::mcuImageEnded() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->mcuEnded;
}

int VirtualUnit::restarts() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->restarts;
}

std::vector<uint8_t> VirtualUnit::dspFlash(uint32_t address, uint32_t length) const {
    std::lock_guard<std::mutex> l(core_->m);
    std::vector<uint8_t> v;
    v.reserve(length);
    for (uint32_t i = 0; i < length; ++i) {
        uint32_t a = address + i;
        v.push_back(a < kFlashSectors * kFlashSectorSize ? core_->flashByte(a) : 0xFF);
    }
    return v;
}

std::vector<uint8_t> VirtualUnit::modeMemory() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->modeMemory;
}

std::vector<HidReport> VirtualUnit::received() const {
    std::lock_guard<std::mutex> l(core_->m);
    return {core_->log.begin(), core_->log.end()};
}

size_t VirtualUnit::receivedCount() const {
    std::lock_guard<std::mutex> l(core_->m);
    return core_->received;
}

void VirtualUnit::clearReceived() {
    std::lock_guard<std::mutex> l(core_->m);
    core_->log.clear();
}

bool VirtualUnit::waitForBlockedRead(int ms) const {
    std::unique_lock<std::mutex> l(core_->m);
    return core_->waitingCv.wait_for(l, milliseconds(ms), [&] { return core_->readsWaiting > 0; });
}

}  // namespace udare::sim
