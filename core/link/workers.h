// Long request sequences on worker threads: reading everything back from the
// unit after a connection, and writing a whole loaded preset to it. They rely
// on the link's pacing: a request goes out only once the previous reply has
// been dispatched (or 1800 ms have passed), so after sending the next request
// a worker can read in DeviceState what the previous reply stored.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
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

// A running job as its owner sees it: progress 0-100 as the job reports
// it, whether it has finished, and a way to cancel it.
class JobStatus {
public:
    int progress() const { return progress_.load(); }
    void setProgress(int p) { progress_.store(p); }
    bool finished() const { return finished_.load(); }
    // From now on the job's requests are dropped, its waits cut short and
    // its stop test true; it ends at its next step.
    void cancel() { cancelled_.store(true); }
    bool cancelled() const { return cancelled_.load(); }

private:
    friend class Workers;
    std::atomic<int> progress_{0};
    std::atomic<bool> finished_{false};
    std::atomic<bool> cancelled_{false};
};

// A job's body: the link, the context the job sends through (drops its
// requests once it should stop), its stop test and its status for progress.
using JobBody = std::function<void(UsbLink& link, Ctx& c, const StopFn& stop, JobStatus& status)>;

// Whatever else writes to the link and must be quiet while a worker runs (the
// window's outbox). A worker takes its place among that writer's writes when
// it is started: what was queued before leaves first, what is queued after
// waits until the worker ends.
class WorkerGate {
public:
    using Ticket = uint64_t;
    virtual ~WorkerGate() = default;
    // On the starting thread.
    virtual Ticket admitWorker() = 0;
    // On the worker's thread: waits until everything before its place has
    // left; false when stop() ended the wait first.
    virtual bool enterWorker(Ticket t, const StopFn& stop) = 0;
    // The worker ended or gave up waiting; always called once per ticket.
    virtual void leaveWorker(Ticket t) = 0;
};

// Runs jobs on their own threads. Owned next to the link and destroyed
// before it: the destructor makes running jobs end early (their remaining
// requests are dropped, their waits cut short) and joins them. A job also
// ends early when the link disconnects or reconnects under it, or when it is
// cancelled; the synchronisation jobs still post their completion message
// then, so a waiting view is released. With a gate, a job takes its place
// among the gate's writes when it is started.
class Workers {
public:
    explicit Workers(UsbLink& link);
    ~Workers();
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    // Any job; a named one is logged as "Start thread:NAME".
    std::shared_ptr<JobStatus> run(const std::string& name, JobBody body);

    void StartSynchronizeData();
    void StartWriteAllData();
    // For the mode commands that start a synchronisation.
    StartSync syncStarter() {
        return [this] { StartSynchronizeData(); };
    }

    // Set before the first job starts; it must outlive this object.
    void setGate(WorkerGate* gate) { gate_ = gate; }

    int running();  // jobs that have not finished yet
    void waitAll();  // joins every job started so far

private:
    struct Job;
    void reapFinished();

    UsbLink& link_;
    WorkerGate* gate_ = nullptr;
    std::atomic<bool> stopping_{false};
    std::mutex m_;
    std::list<std::unique_ptr<Job>> jobs_;
};

}  // namespace udare
