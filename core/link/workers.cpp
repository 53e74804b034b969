#include "link/workers.h"

#include <algorithm>
#include <iterator>

#include "protocol/codec.h"
#include "protocol/opcodes.h"
#include "protocol/slots.h"

namespace udare {

namespace {

constexpr int kSyncStartWaitMs = 2500;
constexpr int kReadAllEndWaitMs = 200;
constexpr int kWriteAllStartWaitMs = 100;
constexpr int kWriteAllEndWaitMs = 50;

bool stopped(const StopFn& stop) { return stop && stop(); }

// Every slot of one kind of read, in the order the unit is asked for them:
// group by group, each code once (the compressor block is one request), in
// code order.
bool readSlots(Ctx& c, Read which, const StopFn& stop) {
    for (int g = GROUP_MIC; g <= GROUP_SUB; ++g)
        for (int code = 0; code < 128; ++code) {
            const int s = slotAt(g, static_cast<char>(code));
            if (s < 0 || kSlots[s].read != which) continue;
            if (stopped(stop)) return false;
            ReadParam(c.out, g, code, readCount(kSlots[s]));
        }
    return true;
}

void workerStarts(UsbLink& link, Ctx& c) {
    c.st.identity.meterLevels.fill(0);
    link.linkIdle = 0;
}

void workerEnds(UsbLink& link, Ctx& c) {
    c.st.identity.meterLevels.fill(0);
    link.linkIdle = 1;
}

}  // namespace

bool ReadAll(Ctx& c, const StopFn& stop) {
    req::Identity(c.out);
    // The model-name and protocol replies were dispatched before the
    // MCU-version request went out.
    if (!IsOurModel(c.st) || c.st.protocol() != kExpectedProtocol)
        return false;
    if (stopped(stop)) return false;

    req::CurrentMode(c.out);
    req::ExtendedInfo(c.out);
    req::DspVersion(c.out);
    if (c.st.identity.extendedInfo.load() != 0) req::ExtendedBlock(c.out);

    if (!readSlots(c, Read::Always, stop)) return false;
    if (c.st.hasOutputDelays() && !readSlots(c, Read::Protocol2, stop)) return false;
    if (stopped(stop)) return false;
    ReadEqImage(c);
    if (stopped(stop)) return false;
    req::MachineSettings(c.out);
    req::RemoteKeys(c.out);
    if (stopped(stop)) return false;
    c.st.settingsModified = 0;
    c.clock.sleepMs(kReadAllEndWaitMs);
    return true;
}

bool SendAllParams(Ctx& c, bool fade, const StopFn& stop) {
    DeviceState& st = c.st;
    auto step = [&] { return !stopped(stop); };

    if (fade) SendVolumesZero(c);

    static constexpr Eq kSwitchOrder[] = {Eq::Mic1,   Eq::Mic2, Eq::Music,  Eq::Echo, Eq::Reverb,
                                          Eq::Main,   Eq::Rear, Eq::Center, Eq::Sub};
    for (Eq eq : kSwitchOrder) {
        if (!step()) return false;
        SendSlot(c, eqInfo(eq).switchSlot);
    }
    if (!step()) return false;
    SendSlot(c, slot::micSpareLevel);
    SendSlot(c, slot::effectVolume);
    SendSlot(c, slot::micMute);

    if (!step()) return false;
    SetFbcShift(c, st.slotInt(slot::fbcOff) == 1 ? 1 : st.slotInt(slot::fbcShift));
    SendSlot(c, slot::fbcOff);

    if (!step()) return false;
    SendSlot(c, slot::micGateThreshold);
    SendSlot(c, slot::micGateThreshold2);
    SendSlot(c, slot::micGateAttack);
    SendSlot(c, slot::micGateRelease);
    SendSlot(c, slot::autoSubEnable);
    SendSlot(c, slot::autoSubLevel);

    if (!step()) return false;
    SendSlot(c, slot::echoVolume);
    SendSlot(c, slot::echoMute);
    SetEchoPreDelay(c, st.slotFloat(slot::echoPreDelayA) + st.slotFloat(slot::echoPreDelayB));

    if (!step()) return false;
    SendSlot(c, slot::reverbVolume);
    SendSlot(c, slot::reverbMute);
    SetReverbPreDelay(c, st.slotFloat(slot::reverbPreDelayA) + st.slotFloat(slot::reverbPreDelayB));
    // Held as a whole number: truncated, stored back, sent as both codes.
    SetReverbTime(c, truncToInt(st.slotFloat(slot::reverbTime)));

    if (!step()) return false;
    SetMusicMute(c, st.slotInt(slot::musicMute));
    if (!step()) return false;
    SendSlot(c, slot::musicGateThreshold);
    SendSlot(c, slot::musicGateAttack);
    SendSlot(c, slot::musicGateRelease);
    SetPitchBypass(c, st.slotInt(slot::pitchBypass));
    SetMusicPitch(c, st.slotInt(slot::musicPitch));

    for (int g = GROUP_MAIN; g <= GROUP_SUB; ++g) {
        if (!step()) return false;
        for (int k = OUT_MIC_LEVEL; k <= OUT_MUSIC_LEVEL; ++k) SendSlot(c, outputSlot(g, k));
        SendSlot(c, outputSlot(g, OUT_VOLUME));
    }

    if (!step()) return false;
    for (int k = 0; k < 7; ++k) SendSlot(c, slot::echoTapDelay0 + k);
    for (int k = 0; k < 7; ++k) SendSlot(c, slot::echoTapLevel0 + k);
    SendSlot(c, slot::echoRatio);

    if (st.hasOutputDelays()) {
        struct Delay {
            int group;
            Side side;
        };
        static constexpr Delay kDelays[] = {
            {GROUP_MAIN, Side::Left}, {GROUP_MAIN, Side::Right},   {GROUP_REAR, Side::Left},
            {GROUP_REAR, Side::Right}, {GROUP_CENTER, Side::Left}, {GROUP_SUB, Side::Left},
        };
        if (!step()) return false;
        for (const Delay& d : kDelays)
            SetOutputDelay(c, d.group, d.side, st.slotFloat(outputDelaySlot(d.group, d.side)));
        for (const Delay& d : kDelays)
            SetOutputDelayOn(c, d.group, d.side, st.slotInt(outputDelayOnSlot(d.group, d.side)));
    }

    for (int g = GROUP_MAIN; g <= GROUP_SUB; ++g) {
        if (!step()) return false;
        SetCompressor(c, g, st.slotFloat(outputSlot(g, COMP_THRESHOLD)),
                      st.slotFloat(outputSlot(g, COMP_RATIO)), st.slotFloat(outputSlot(g, COMP_ATTACK)),
                      st.slotFloat(outputSlot(g, COMP_RELEASE)));
    }
    return true;
}

void SynchronizeData(UsbLink& link, Ctx& c, const StopFn& stop) {
    workerStarts(link, c);
    c.clock.sleepMs(kSyncStartWaitMs);
    if (!stopped(stop)) ReadAll(c, stop);
    c.notifier.syncDone(0);
    workerEnds(link, c);
}

void WriteAllData(UsbLink& link, Ctx& c, const StopFn& stop) {
    workerStarts(link, c);
    c.clock.sleepMs(kWriteAllStartWaitMs);
    const bool fade = machine::fadesVolumesIn(c.st.machine.committed);
    bool complete = SendAllParams(c, fade, stop);
    if (complete && !stopped(stop)) WriteEqImage(c);
    if (complete && !stopped(stop)) SendAllEqBands(c);
    if (complete && fade && !stopped(stop)) FadeInVolumes(c);
    complete = complete && !stopped(stop);
    if (complete) {
        // Bring the unit's actual volumes back into the mirror.
        for (int s : {slot::micVolume, slot::musicVolume})
            ReadParam(c.out, kSlots[s].group, kSlots[s].code, readCount(kSlots[s]));
    }
    c.clock.sleepMs(kWriteAllEndWaitMs);
    // Only a send that reached its end leaves the unit matching the mirror.
    if (complete && !stopped(stop)) c.st.settingsModified = 0;
    c.notifier.syncDone(1);
    workerEnds(link, c);
}

// ---- the worker threads ----

// One running worker: its thread and the sink, clock and notifier it sees,
// which drop its requests and cut its waits short once it should stop.
struct Workers::Job final : ReportSink, Clock, Notifier {
    Job(UsbLink& l, const std::atomic<bool>& s)
        : link(l),
          base(l.context()),
          stopping(s),
          status(std::make_shared<JobStatus>()),
          startedConnected(l.connected.load() != 0),
          connection(l.connectionId()),
          ctx{l.state(), *this, *this, l.log(), *this, base.prompter, base.upgrade} {}

    bool lost() const {
        if (stopping.load() || status->cancelled()) return true;
        // A read error leaves the link refusing every write until it reconnects.
        return startedConnected && (!link.connected.load() || link.g_bReadThreadEnd.load() ||
                                    link.connectionId() != connection);
    }

    int writeReport(const uint8_t* data, size_t len) override {
        return lost() ? 0 : link.WriteUsbData(data, len);
    }
    void sleepMs(int ms) override {
        // In short steps, so that a lost link or the owner's end cuts the wait.
        constexpr int kStepMs = 20;
        const int64_t end = base.clock.nowMs() + ms;
        while (!lost()) {
            const int64_t left = end - base.clock.nowMs();
            if (left <= 0) break;
            base.clock.sleepMs(static_cast<int>(std::min<int64_t>(left, kStepMs)));
        }
    }
    int64_t nowMs() override { return base.clock.nowMs(); }
    void keyLearned(int code) override { base.notifier.keyLearned(code); }
    void syncDone(int w) override {
        // Nobody waits for it once the owner is going away.
        if (!stopping.load()) base.notifier.syncDone(w);
    }
    void mcuUpgradeDone() override {
        if (!stopping.load()) base.notifier.mcuUpgradeDone();
    }
    void dspUpgradeDone() override {
        if (!stopping.load()) base.notifier.dspUpgradeDone();
    }

    UsbLink& link;
    Ctx& base;
    const std::atomic<bool>& stopping;
    const std::shared_ptr<JobStatus> status;
    const bool startedConnected;
    const uint64_t connection;
    Ctx ctx;
    std::thread thread;
};

Workers::Workers(UsbLink& link) : link_(link) {}

Workers::~Workers() {
    stopping_ = true;
    waitAll();
}

void Workers::StartSynchronizeData() {
    run("SynchronizeData", [](UsbLink& l, Ctx& c, const StopFn& stop, JobStatus&) { SynchronizeData(l, c, stop); });
}

void Workers::StartWriteAllData() {
    run({}, [](UsbLink& l, Ctx& c, const StopFn& stop, JobStatus&) { WriteAllData(l, c, stop); });
}

std::shared_ptr<JobStatus> Workers::run(const std::string& name, JobBody body) {
    if (!name.empty()) link_.log().log("Start thread:" + name + "\n");
    std::lock_guard<std::mutex> l(m_);
    reapFinished();
    auto job = std::make_unique<Job>(link_, stopping_);
    Job* j = job.get();
    WorkerGate* gate = gate_;
    const WorkerGate::Ticket ticket = gate ? gate->admitWorker() : 0;
    j->thread = std::thread([this, j, body = std::move(body), gate, ticket] {
        const StopFn stop = [j] { return j->lost(); };
        // Whatever the window queued before this job leaves first.
        if (gate) gate->enterWorker(ticket, stop);
        body(link_, j->ctx, stop, *j->status);
        if (gate) gate->leaveWorker(ticket);
        j->status->finished_ = true;
    });
    jobs_.push_back(std::move(job));
    return j->status;
}

void Workers::reapFinished() {
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if ((*it)->status->finished()) {
            (*it)->thread.join();
            it = jobs_.erase(it);
        } else {
            ++it;
        }
    }
}

int Workers::running() {
    std::lock_guard<std::mutex> l(m_);
    reapFinished();
    return static_cast<int>(jobs_.size());
}

void Workers::waitAll() {
    std::list<std::unique_ptr<Job>> jobs;
    {
        std::lock_guard<std::mutex> l(m_);
        jobs.swap(jobs_);
    }
    for (auto& j : jobs) j->thread.join();
}

}  // namespace udare
