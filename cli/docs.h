// What udare-ctl says about itself outside its own run: the program options
// and exit statuses (read by help too), the manual pages and the bash
// completion. All of it comes from the command table, so it cannot drift.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "text.h"

namespace udare::cli {

struct OptionDoc {
    const char* form;  // "--trace FILE|-"
    Tr help;
};
const std::vector<OptionDoc>& GlobalOptions();

struct ExitDoc {
    int code;
    Tr meaning;
};
const std::vector<ExitDoc>& ExitStatuses();

// udare-ctl(1) in roff.
void WriteCtlManPage(std::ostream& os);
// udare-tuner(1): its own --help text (the program's option parser is its
// one description) under a fixed head.
void WriteTunerManPage(std::ostream& os, const std::string& tunerHelp);
// A bash completion script for udare-ctl.
void WriteBashCompletion(std::ostream& os);

}  // namespace udare::cli
