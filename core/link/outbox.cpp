#include "link/outbox.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <cstring>

#include "protocol/opcodes.h"

namespace udare {

namespace {
constexpr int kPauseStepMs = 20;  // a pause is cut short this often once the outbox ends
constexpr int kGatePollMs = 20;   // how often a waiting worker asks whether it should stop
}  // namespace

Outbox::Outbox(UsbLink& link)
    : link_(link),
      base_(link.context()),
      uiCtx_{link.state(), queueSink_, queueClock_, link.log(), base_.notifier, base_.prompter, base_.upgrade},
      jobCtx_{link.state(), directSink_, directClock_, link.log(), base_.notifier, base_.prompter, base_.upgrade} {
    sender_ = std::thread([this] { run(); });
}

Outbox::~Outbox() {
    {
        std::lock_guard<std::mutex> l(m_);
        stopping_ = true;
        q_.clear();
    }
    work_.notify_all();
    idle_.notify_all();
    sender_.join();
}

uint64_t Outbox::targetOf(const HidReport& r) {
    // Parameter writes: group, code and count; image writes: offset and length.
    const uint64_t command = uint64_t(r[1]) << 32;
    if (r[1] == op::kWriteParam) return command | uint64_t(r[3]) << 16 | uint64_t(r[4]) << 8 | r[5];
    if (r[1] == op::kWriteEqBytes) return command | uint64_t(r[2]) << 16 | uint64_t(r[3]) << 8 | r[4];
    // A level-meter request still waiting makes another one pointless.
    if (r[1] == op::kMeterLevels) return command;
    return 0;
}

int64_t Outbox::QueueClock::nowMs() { return o.base_.clock.nowMs(); }
int64_t Outbox::DirectClock::nowMs() { return o.base_.clock.nowMs(); }

int Outbox::DirectSink::writeReport(const uint8_t* data, size_t len) {
    return o.stopping_.load() ? 0 : o.link_.WriteUsbData(data, len);
}

int Outbox::queueReport(const uint8_t* data, size_t len) {
    // Sent while not connected: dropped here, as the link would.
    if (!link_.connected.load()) return 0;
    Item it;
    it.kind = Item::Kind::Report;
    if (data) std::memcpy(it.report.data(), data, std::min(len, it.report.size()));
    it.target = targetOf(it.report);
    {
        std::lock_guard<std::mutex> l(m_);
        if (stopping_) return 0;
        it.pinned = glueNext_;
        glueNext_ = false;
        if (it.target != 0 && !it.pinned) {
            // Back to the last worker's place or job at most: what was queued
            // before one must reach the unit before it.
            for (auto q = q_.rbegin(); q != q_.rend(); ++q) {
                if (q->kind == Item::Kind::Worker || q->kind == Item::Kind::Job) break;
                if (q->kind == Item::Kind::Report && !q->pinned && q->target == it.target) {
                    q_.erase(std::next(q).base());
                    ++counts_.superseded;
                    break;
                }
            }
        }
        ++counts_.queued;
        push(std::move(it));
    }
    work_.notify_one();
    return kReportSize;
}

void Outbox::queuePause(int ms) {
    if (ms <= 0 || !link_.connected.load()) return;
    {
        std::lock_guard<std::mutex> l(m_);
        if (stopping_) return;
        // The report before a pause and the one after it belong to one sequence.
        if (!q_.empty() && q_.back().kind == Item::Kind::Report) q_.back().pinned = true;
        glueNext_ = true;
        Item it;
        it.kind = Item::Kind::Pause;
        it.ms = ms;
        push(std::move(it));
    }
    work_.notify_one();
}

void Outbox::post(Job job, std::function<void()> done) {
    {
        std::lock_guard<std::mutex> l(m_);
        if (stopping_) return;
        glueNext_ = false;
        Item it;
        it.kind = Item::Kind::Job;
        it.job = std::move(job);
        it.done = std::move(done);
        push(std::move(it));
    }
    work_.notify_one();
}

void Outbox::push(Item item) { q_.push_back(std::move(item)); }

bool Outbox::waitDrained(int ms) {
    std::unique_lock<std::mutex> l(m_);
    return idle_.wait_for(l, std::chrono::milliseconds(ms), [&] { return drainedLocked() || stopping_; }) &&
           drainedLocked();
}

WorkerGate::Ticket Outbox::admitWorker() {
    Item it;
    it.kind = Item::Kind::Worker;
    {
        std::lock_guard<std::mutex> l(m_);
        glueNext_ = false;
        it.ticket = ++nextTicket_;
        push(it);
    }
    work_.notify_one();
    return it.ticket;
}

bool Outbox::enterWorker(Ticket t, const StopFn& stop) {
    std::unique_lock<std::mutex> l(m_);
    for (;;) {
        if (std::find(reached_.begin(), reached_.end(), t) != reached_.end()) return true;
        if (stopping_ || (stop && stop())) return false;
        idle_.wait_for(l, std::chrono::milliseconds(kGatePollMs));
    }
}

void Outbox::leaveWorker(Ticket t) {
    {
        std::lock_guard<std::mutex> l(m_);
        auto r = std::find(reached_.begin(), reached_.end(), t);
        if (r != reached_.end()) {
            reached_.erase(r);
            --holds_;
        } else {
            // Gave up before its place came: the place goes.
            auto q = std::find_if(q_.begin(), q_.end(), [&](const Item& i) {
                return i.kind == Item::Kind::Worker && i.ticket == t;
            });
            if (q != q_.end()) q_.erase(q);
        }
    }
    work_.notify_one();
    idle_.notify_all();
}

Outbox::Counts Outbox::counts() const {
    std::lock_guard<std::mutex> l(m_);
    return counts_;
}

size_t Outbox::pending() const {
    std::lock_guard<std::mutex> l(m_);
    return q_.size() + (busy_ ? 1 : 0);
}

void Outbox::run() {
    std::unique_lock<std::mutex> l(m_);
    for (;;) {
        work_.wait(l, [&] { return stopping_ || (!q_.empty() && holds_ == 0); });
        if (stopping_) break;
        Item it = std::move(q_.front());
        q_.pop_front();
        if (it.kind == Item::Kind::Worker) {
            // The worker's turn: nothing else leaves until it ends.
            reached_.push_back(it.ticket);
            ++holds_;
            idle_.notify_all();
            continue;
        }
        busy_ = true;
        if (it.kind == Item::Kind::Report) ++counts_.handed;
        l.unlock();
        execute(it);
        l.lock();
        busy_ = false;
        idle_.notify_all();
    }
    busy_ = false;
    idle_.notify_all();
}

void Outbox::execute(Item& it) {
    switch (it.kind) {
    case Item::Kind::Report:
        link_.WriteUsbData(it.report.data(), it.report.size());
        break;
    case Item::Kind::Pause:
        // A pause spaces reports to a unit; without one there is nothing to space.
        if (link_.connected.load()) pause(it.ms);
        break;
    case Item::Kind::Job:
        if (it.job) it.job(jobCtx_);
        if (it.done) it.done();
        break;
    case Item::Kind::Worker:
        break;  // taken in run()
    }
}

void Outbox::pause(int ms) {
    // In steps of the link's clock, so that the outbox's end cuts it short.
    for (int left = ms; left > 0 && !stopping_.load(); left -= kPauseStepMs)
        base_.clock.sleepMs(std::min(left, kPauseStepMs));
}

}  // namespace udare
