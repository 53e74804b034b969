// Long request sequences on worker threads: reading everything back from the
// unit after a connection, and writing a whole loaded preset to it. They rely
// on the link's pacing: a request goes out only once the previous reply has
// been dispatched (or 1800 ms have passed), so after sending the next request
// a worker can read in DeviceState what the previous reply stored.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "link/usb_link.h"
#include "protocol/commands.h"
#include "protocol/context.h"

namespace udare {

// True when a sequence should stop early (the link went away, or its owner ends).
using StopFn = std::function<bool()>;

// Identity, then (for the expected model on protocol 2) every parameter, the
// equaliser image, the machine settings and the remote table; then clears
// settingsModified and waits 200 ms. Returns true when all of it was asked
// for; false when the identity did not match or stop() ended it early (then
// settingsModified is left as it was).
bool ReadAll(Ctx& c, const StopFn& stop = {});
// The parameter part of a full send, in the unit's order. Returns false when
// stop() ended it early.
bool SendAllParams(Ctx& c, bool fade, const StopFn& stop = {});

// The worker bodies with their bookkeeping on the link (meterLevels zeroed,
// linkIdle 0 while running, 1 after) and the completion message
// syncDone(0) or syncDone(1). c.out should be the link or a sink in front of it.
void SynchronizeData(UsbLink& link, Ctx& c, const StopFn& stop = {});
void WriteAllData(UsbLink& link, Ctx& c, const StopFn& stop = {});

// Runs the workers on their own threads. Owned next to the link and destroyed
// before it: the destructor makes running workers end early (their remaining
// requests are dropped, their waits cut short) and joins them. A worker also
// ends early when the link disconnects or reconnects under it; it still posts
// its completion message then, so a waiting view is released.
class Workers {
public:
    explicit Workers(UsbLink& link);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    void StartSynchronizeData();
    void StartWriteAllData();
    // For the mode commands that start a synchronisation.
    StartSync syncStarter() {
        return [this] { StartSynchronizeData(); };
    }

    int running();  // workers that have not finished yet
    void waitAll();  // joins every worker started so far

private:
    struct Job;
    void start(void (*body)(UsbLink&, Ctx&, const StopFn&));
    void reapFinished();

    UsbLink& link_;
    std::atomic<bool> stopping_{false};
    std::mutex m_;
    std::list<std::unique_ptr<Job>> jobs_;
};

}  // namespace udare
