// The window's writes: an ordered queue served by one sender thread, so that
// the thread that makes a change never waits for the unit.
//
// The context handed to the window stores into DeviceState as every operation
// does (store, then send), then queues the reports and the pauses between them
// and returns at once. The sender writes them through the paced link exactly
// as a direct caller would have, and really waits the pauses.
//
// A queued report that a newer report to the same target supersedes before it
// left is dropped (the same parameter code and count of a group, the same
// equaliser-image bytes): the unit ends holding the latest value, and what is
// sent is always a subsequence of what was queued, so no two targets swap
// order. Reports joined by a pause (fades, the select-then-save pair) form a
// sequence and are never dropped.
//
// Workers go through the outbox as a gate: a worker takes its place in the
// queue when it is started, starts once everything before it has left, and
// what is queued after it waits until it ends. No report is superseded across
// a worker's place.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "link/usb_link.h"
#include "link/workers.h"
#include "protocol/context.h"
#include "protocol/report.h"

namespace udare {

class Outbox final : public WorkerGate {
public:
    explicit Outbox(UsbLink& link);
    // Drops what is still queued, cuts the sender's pauses short and joins it.
    // A report already inside the link finishes its paced write first.
    ~Outbox() override;
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // For the window: operations store, queue and return. Reports are dropped
    // (0) while the link is not connected, as the link itself would.
    Ctx& context() { return uiCtx_; }

    // A job that needs replies or real time between its steps: it runs on the
    // sender thread in its turn, with a context that writes straight through
    // the link and really waits; then done runs, on the sender thread.
    using Job = std::function<void(Ctx&)>;
    void post(Job job, std::function<void()> done = {});

    // Until everything queued so far has been handed to the link, at most ms.
    bool waitDrained(int ms);

    // WorkerGate.
    Ticket admitWorker() override;
    bool enterWorker(Ticket t, const StopFn& stop) override;
    void leaveWorker(Ticket t) override;

    struct Counts {
        uint64_t queued = 0;      // reports accepted
        uint64_t superseded = 0;  // reports dropped for a newer one of the same target
        uint64_t handed = 0;      // reports handed to the link
    };
    Counts counts() const;
    size_t pending() const;

    // The target a report writes, or 0 when it has none (requests, commands).
    static uint64_t targetOf(const HidReport& r);

private:
    struct Item {
        enum class Kind { Report, Pause, Job, Worker } kind = Kind::Report;
        HidReport report{};
        uint64_t target = 0;
        bool pinned = false;  // part of a timed sequence
        int ms = 0;
        Ticket ticket = 0;
        Job job;
        std::function<void()> done;
    };

    // The window's side: queue instead of writing, queue instead of sleeping.
    struct QueueSink final : ReportSink {
        Outbox& o;
        explicit QueueSink(Outbox& ob) : o(ob) {}
        int writeReport(const uint8_t* data, size_t len) override { return o.queueReport(data, len); }
        // At once, not queued: the sender may be the writer waiting for a
        // reply that will never come (a key being learned).
        void releaseWriter() override { o.link_.SignalWriteReady(); }
    };
    struct QueueClock final : Clock {
        Outbox& o;
        explicit QueueClock(Outbox& ob) : o(ob) {}
        void sleepMs(int ms) override { o.queuePause(ms); }
        int64_t nowMs() override;
    };
    // The sender's side for posted jobs: the link, and waits it can cut short.
    struct DirectSink final : ReportSink {
        Outbox& o;
        explicit DirectSink(Outbox& ob) : o(ob) {}
        int writeReport(const uint8_t* data, size_t len) override;
        void releaseWriter() override { o.link_.SignalWriteReady(); }
    };
    struct DirectClock final : Clock {
        Outbox& o;
        explicit DirectClock(Outbox& ob) : o(ob) {}
        void sleepMs(int ms) override { o.pause(ms); }
        int64_t nowMs() override;
    };

    int queueReport(const uint8_t* data, size_t len);
    void queuePause(int ms);
    void push(Item item);  // under m_
    void run();
    void execute(Item& item);
    void pause(int ms);
    bool drainedLocked() const { return q_.empty() && !busy_; }

    UsbLink& link_;
    Ctx& base_;
    QueueSink queueSink_{*this};
    QueueClock queueClock_{*this};
    DirectSink directSink_{*this};
    DirectClock directClock_{*this};
    Ctx uiCtx_;
    Ctx jobCtx_;

    mutable std::mutex m_;
    std::condition_variable work_;  // the sender: something to do, or stop
    std::condition_variable idle_;  // drain waiters
    std::deque<Item> q_;
    bool busy_ = false;
    std::atomic<bool> stopping_{false};  // set under m_, read anywhere
    bool glueNext_ = false;  // the last thing queued was a pause
    int holds_ = 0;          // workers whose place the sender has reached
    Ticket nextTicket_ = 0;
    std::vector<Ticket> reached_;
    Counts counts_;
    std::thread sender_;
};

}  // namespace udare
