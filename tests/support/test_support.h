// Fakes shared by the core tests.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "protocol/context.h"
#include "protocol/device_state.h"
#include "protocol/host.h"
#include "protocol/report.h"

namespace udare::test {

// Records every report; answers as connected (61) unless told otherwise.
class RecordingSink : public ReportSink {
public:
    int writeReport(const uint8_t* data, size_t len) override;
    // Counts the writers let go without a reply.
    void releaseWriter() override { ++released; }
    std::vector<HidReport> reports;
    int released = 0;
    bool connected = true;
    std::vector<std::string> hex() const;  // each report as upper-case hex
    void clear() { reports.clear(); }
};

// "02 09 00 01" -> bytes, zero-padded to 61.
HidReport fromHex(const std::string& hex);

// Time that only moves when slept; records every sleep.
class FakeClock : public Clock {
public:
    void sleepMs(int ms) override {
        std::lock_guard<std::mutex> l(m);
        sleeps.push_back(ms);
        now += ms;
    }
    int64_t nowMs() override {
        std::lock_guard<std::mutex> l(m);
        return now;
    }
    std::mutex m;
    std::vector<int> sleeps;
    int64_t now = 0;
};

class RecordingLog : public LogSink {
public:
    void log(std::string_view line) override {
        std::lock_guard<std::mutex> l(m);
        lines.emplace_back(line);
    }
    std::mutex m;
    std::vector<std::string> lines;
};

class RecordingNotifier : public Notifier {
public:
    void keyLearned(int code) override {
        std::lock_guard<std::mutex> l(m);
        keys.push_back(code);
    }
    void syncDone(int w) override {
        std::lock_guard<std::mutex> l(m);
        syncs.push_back(w);
    }
    std::mutex m;
    std::vector<int> keys;
    std::vector<int> syncs;
};

class RecordingPrompter : public Prompter {
public:
    struct Box {
        std::string text, caption;
        Icon icon;
        Buttons buttons;
    };
    Answer messageBox(std::string_view text, std::string_view caption, Icon icon,
                      Buttons buttons) override {
        std::lock_guard<std::mutex> l(m);
        boxes.push_back({std::string(text), std::string(caption), icon, buttons});
        return buttons == Buttons::Ok ? Answer::Ok : answer;
    }
    std::mutex m;
    std::vector<Box> boxes;
    Answer answer = Answer::Yes;
};

// Records the clock's time of every report, to place the waits among them.
class StampSink : public RecordingSink {
public:
    explicit StampSink(FakeClock& clock) : clock_(clock) {}
    int writeReport(const uint8_t* data, size_t len) override {
        stamps.push_back(clock_.nowMs());
        return RecordingSink::writeReport(data, len);
    }
    std::vector<int64_t> stamps;

private:
    FakeClock& clock_;
};

// What an operation needs: a state, a recording link and fakes for the rest.
struct CommandRig {
    DeviceState st;
    FakeClock clock;
    StampSink out{clock};
    RecordingLog log;
    RecordingNotifier notifier;
    RecordingPrompter prompter;
    Ctx c{st, out, clock, log, notifier, prompter};
};

}  // namespace udare::test
