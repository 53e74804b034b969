// What the protocol layer needs from the program around it: time, a debug
// log, and a way to reach the user or the window. The app implements these
// on the UI thread; the CLI on the terminal; tests with fakes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace udare {

class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(int ms) = 0;
    virtual int64_t nowMs() = 0;  // monotonic
};

// Real time.
class SystemClock final : public Clock {
public:
    void sleepMs(int ms) override;
    int64_t nowMs() override;
    static SystemClock& instance();  // stateless, so sharing it hides nothing
};

// The debugger log: short lines, each normally ending in '\n'.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void log(std::string_view line) = 0;
};

class NullLog final : public LogSink {
public:
    void log(std::string_view) override {}
    static NullLog& instance();
};

// Prints every line on standard error (both programs' --debug); thread-safe.
class StderrLog final : public LogSink {
public:
    void log(std::string_view line) override;
};

// Messages from the link's threads to the view.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void keyLearned(int code) = 0;  // MSG_KEY_LEARNED: returns once handled
    virtual void syncDone(int wparam) = 0;  // MSG_SYNC_DONE: posted, 0 sync / 1 write-all
    virtual void mcuUpgradeDone() {}        // MSG_MCU_UPGRADE_DONE: returns once handled
    virtual void dspUpgradeDone() {}        // MSG_DSP_UPGRADE_DONE: posted
};

class NullNotifier final : public Notifier {
public:
    void keyLearned(int) override {}
    void syncDone(int) override {}
    static NullNotifier& instance();
};

// Modal message boxes, callable from any thread; returns after the user answered.
class Prompter {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };
    virtual ~Prompter() = default;
    // text and caption are UTF-8.
    virtual Answer messageBox(std::string_view text, std::string_view caption, Icon icon,
                              Buttons buttons = Buttons::Ok) = 0;
};

// Answers every box with a fixed answer (Ok for Ok boxes).
class AutoPrompter final : public Prompter {
public:
    explicit AutoPrompter(Answer answer = Answer::Ok) : answer_(answer) {}
    Answer messageBox(std::string_view, std::string_view, Icon, Buttons b) override {
        return b == Buttons::Ok ? Answer::Ok : answer_;
    }
    static AutoPrompter& instance();

private:
    Answer answer_;
};

}  // namespace udare
