#include <atomic>
#include <csignal>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

#include "cli.h"
#ifdef UDARE_HAVE_CURVE_PNG
#include "curve_image.h"
#endif

namespace {
std::atomic<bool> g_interrupted{false};
// The first Ctrl-C asks the running command to stop; a second one ends the program.
extern "C" void onInterrupt(int) {
    g_interrupted.store(true);
    std::signal(SIGINT, SIG_DFL);
}
}  // namespace

int main(int argc, char** argv) {
    // Ctrl-C ends a meter cleanly, so the link is still closed properly.
    std::signal(SIGINT, onInterrupt);
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    udare::cli::CliHooks hooks;
    hooks.interrupted = &g_interrupted;
    hooks.terminal = ::isatty(STDOUT_FILENO) == 1;
#ifdef UDARE_HAVE_CURVE_PNG
    hooks.writeCurvePng = udare::controls::WriteCurvePng;
#endif
    std::ios::sync_with_stdio(true);
    return udare::cli::RunCli(args, std::cout, std::cerr, hooks);
}
