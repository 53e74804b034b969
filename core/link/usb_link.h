// The open connection to the unit: discovery, the read thread that dispatches
// every inbound report, and the paced write path every sender goes through.
//
// Pacing: writeReady is an auto-reset event that the read thread sets after
// every report it reads. Each write consumes it, waiting up to 1800 ms, so
// normally one request is outstanding at a time.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link/hid_backend.h"
#include "protocol/context.h"
#include "protocol/device_state.h"
#include "protocol/host.h"
#include "protocol/report.h"

namespace udare {

// What the read thread's dispatcher needs besides the state and the link.
struct LinkContext {
    Notifier& notifier;
    Prompter& prompter;
    Clock& clock;
    UpgradeHooks* upgrade = nullptr;
};

// The waits of the link; only tests change them.
struct LinkTiming {
    int writeReadyWaitMs = 1800;  // how long a write waits for the previous reply
    int readerExitWaitMs = 1000;  // how long teardown waits for the read thread
    int readPollMs = 250;         // a read times out after this and simply loops
};

class UsbLink final : public ReportSink, public HotplugListener {
public:
    // Handles one inbound report (61 bytes); the protocol's DispatchReport by default.
    using Dispatcher = std::function<void(Ctx&, const uint8_t* report, size_t len)>;
    // A copy of every report handed to the device (just before the write) and
    // of every report received (before dispatch).
    using TraceFn = std::function<void(const uint8_t* report, size_t len)>;
    // Arrival (true) or removal (false) of a HID interface, on the monitor's thread.
    using HotplugFn = std::function<void(bool arrived, const std::string& path)>;

    UsbLink(HidBackend& backend, DeviceState& st, LogSink& log, const LinkContext& lc);
    // Ends the link without the closing report and stops the monitor; joins every
    // read thread. Workers using the link must have ended before (see Workers).
    // A read thread held in the Notifier or Prompter (a synchronous message to
    // the UI) is waited for here, so those must not block on the destroying
    // thread by then.
    ~UsbLink() override;
    UsbLink(const UsbLink&) = delete;
    UsbLink& operator=(const UsbLink&) = delete;

    // 1 connected, 0 not (also when already connected: then nothing changes).
    int ConnectDevice();
    // Registers for hot-plug, enumerates, opens the first matching active interface.
    int FindDevice();
    // Opens one interface and checks its ids; stores its path in devicePath on success.
    std::unique_ptr<HidDevice> OpenDeviceInterface(const HidInterfaceInfo& info, uint16_t vendorId,
                                                   uint16_t productId);
    // After removal: no report sent. Always 1. Waits up to 1000 ms for the read
    // thread; one still busy keeps the device open until it returns.
    int DisconnectDevice();
    // The application ends the link: sends op::kClose first unless in upgrade mode.
    void CloseDevice();
    // True when path names the open device, letter case ignored.
    bool IsOurDeviceRemoved(const std::string& path) const;

    // 61 on success, 0 when refused or dropped, else what the device accepted.
    int WriteUsbData(const uint8_t* data, size_t len);
    int writeReport(const uint8_t* data, size_t len) override { return WriteUsbData(data, len); }
    void releaseWriter() override { SignalWriteReady(); }

    // Releases one waiting writer (the learning dialog does this when the user gives up).
    void SignalWriteReady();

    // The thread procedure and its step; public for tests, started by ConnectDevice.
    void ReadUsbThreadProc();
    int ReadAndDispatch();

    // The context commands and workers use: this link as the sink.
    Ctx& context() { return ctx_; }
    DeviceState& state() { return st_; }
    LogSink& log() { return log_; }

    // An interface that enumeration names as a unit but that could not be
    // opened (errno in error; permissions, mostly), so a caller can say which.
    struct OpenFailure {
        std::string path;
        int error = 0;
    };
    // Those met by the last FindDevice or ConnectDevice.
    std::vector<OpenFailure> openFailures() const;

    std::string devicePath() const;
    bool hasDevice() const;
    // The interface of the current (or last) connection.
    HidInterfaceInfo connectedInterface() const;
    // Changes at every successful connection; lets a worker notice a reconnection.
    uint64_t connectionId() const { return connectionId_.load(); }

    // Set these before ConnectDevice (the read thread uses them unlocked).
    void setDispatcher(Dispatcher d);
    void setTrace(TraceFn sent, TraceFn received);
    // May be set at any time.
    void setHotplugHandler(HotplugFn fn);
    void setTimingForTest(const LinkTiming& t);
    // Called, under the pacing lock, each time a writer is about to block on
    // the previous reply: a test knows the writer is waiting before it acts.
    void setWriterWaitingHookForTest(std::function<void()> hook);

    // HotplugListener: forwards to the hot-plug handler.
    void deviceArrived(const std::string& path) override;
    void deviceRemoved(const std::string& path) override;

    std::atomic<int> connected{0};
    std::atomic<int> upgradeMode{0};
    std::atomic<int> g_bReadThreadEnd{0};
    std::atomic<int> linkIdle{1};
    std::atomic<int> dspUpgradeActive{0};

private:
    struct Session;

    bool registerNotifications();
    bool openFirstMatch();
    int teardown(bool sendClosing);
    void readLoop(const std::shared_ptr<Session>& s);
    int readOnce(Session& s);
    bool waitWriteReady(int ms);
    void setWriteReady();
    void reapEndedReaders();
    std::shared_ptr<Session> currentSession() const;

    HidBackend& backend_;
    DeviceState& st_;
    LogSink& log_;
    Ctx ctx_;

    std::mutex controlMutex_;  // connect and teardown, one at a time
    mutable std::mutex sessionMutex_;
    std::shared_ptr<Session> session_;
    std::vector<std::shared_ptr<Session>> lateReaders_;  // still running after teardown
    HidInterfaceInfo found_;       // set by FindDevice
    HidInterfaceInfo connectedIf_;
    std::unique_ptr<HidDevice> opened_;  // FindDevice's result until ConnectDevice takes it

    mutable std::mutex pathMutex_;
    std::string devicePath_;
    std::vector<OpenFailure> openFailures_;  // under pathMutex_

    std::mutex readyMutex_;
    std::condition_variable readyCv_;
    bool writeReady_ = true;
    uint64_t readyEpoch_ = 0;  // bumped on teardown to release waiting writers
    std::function<void()> writerWaitingHook_;  // under readyMutex_

    std::mutex writeLock;

    Dispatcher dispatch_;
    TraceFn traceSent_, traceReceived_;
    std::mutex hotplugMutex_;
    HotplugFn hotplug_;
    std::atomic<bool> monitorStarted_{false};

    std::atomic<int> writeWaitMs_{1800};
    std::atomic<int> readerWaitMs_{1000};
    std::atomic<int> readPollMs_{250};
    std::atomic<uint64_t> connectionId_{0};
};

}  // namespace udare
