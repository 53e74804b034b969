#include "terminal.h"

#include <chrono>
#include <string>

#include "text.h"

namespace udare::cli {

Prompter::Answer TerminalPrompter::messageBox(std::string_view text, std::string_view caption,
                                              Icon, Buttons buttons) {
    std::lock_guard<std::mutex> l(m_);
    std::string line(caption);
    line += ": ";
    line += text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    Answer a = Answer::Ok;
    if (buttons != Buttons::Ok) {
        a = yes_ ? Answer::Yes : Answer::No;
        line += yes_ ? Tr{" [是]", " [Yes]"}.in(lang_) : Tr{" [否]", " [No]"}.in(lang_);
    }
    err_ << line << '\n' << std::flush;
    return a;
}

void TerminalNotifier::keyLearned(int code) {
    std::lock_guard<std::mutex> l(m_);
    ++count_;
    last_ = code;
    cv_.notify_all();
}

int TerminalNotifier::keysLearned() const {
    std::lock_guard<std::mutex> l(m_);
    return count_;
}

int TerminalNotifier::waitKey(int seenBefore, int ms) {
    std::unique_lock<std::mutex> l(m_);
    if (!cv_.wait_for(l, std::chrono::milliseconds(ms), [&] { return count_ > seenBefore; }))
        return -1;
    return last_;
}

}  // namespace udare::cli
