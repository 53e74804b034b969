// The core's message boxes and window messages on a terminal.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <ostream>

#include "protocol/host.h"

namespace udare::cli {

// Boxes go to standard error as "caption: text". Questions are answered No,
// or Yes with --yes; the answer is shown after the text.
class TerminalPrompter final : public Prompter {
public:
    TerminalPrompter(std::ostream& err, bool yes, int lang) : err_(err), yes_(yes), lang_(lang) {}
    Answer messageBox(std::string_view text, std::string_view caption, Icon icon,
                      Buttons buttons) override;

private:
    std::mutex m_;
    std::ostream& err_;
    bool yes_;
    int lang_;
};

// Learned keys are kept for the command that waits for one; the rest of the
// messages need nothing on a terminal (commands run to completion in turn).
class TerminalNotifier final : public Notifier {
public:
    void keyLearned(int code) override;
    void syncDone(int) override {}
    // Waits up to ms for a key learned after the given count; -1 if none.
    int waitKey(int seenBefore, int ms);
    int keysLearned() const;

private:
    mutable std::mutex m_;
    std::condition_variable cv_;
    int count_ = 0;
    int last_ = -1;
};

}  // namespace udare::cli
