// udare-ctl as a function, so tests can run it in-process.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "session.h"

namespace udare::cli {

// args without the program name. Returns the exit code.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CliHooks& hooks = {});

}  // namespace udare::cli
