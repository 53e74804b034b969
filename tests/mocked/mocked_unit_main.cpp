// Holds a mocked machine with one unit (a virtual unit behind a umockdev
// hidraw node) and runs a program on it, for a person to try the real device
// path without the hardware:
//
//   udare-mocked-unit [--simulate=OPTIONS] [--other-device] -- PROGRAM [ARGS...]
//
// While the program runs, lines on standard input pull the unit out
// ("unplug") and put it back ("plug"). Exits with the program's status.
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "mocked_bed.h"
#include "sim/sim_options.h"
#include "sim/virtual_unit.h"

using namespace udare;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: udare-mocked-unit [--simulate=OPTIONS] [--other-device] -- PROGRAM [ARGS...]\n"
                 "Runs PROGRAM on a mocked unit reached through /dev/hidraw* (umockdev).\n"
                 "Type \"unplug\" or \"plug\" and Enter to pull the unit out or put it back.\n\n%s",
                 sim::simOptionsHelp());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (!mocked::ensurePreloaded(argv)) return 1;
    sim::SimOptions options;
    bool other = false;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--") {
            ++i;
            break;
        }
        if (a == "--other-device") {
            other = true;
        } else if (a.rfind("--simulate=", 0) == 0) {
            std::string error;
            if (!sim::parseSimOptions(a.substr(11), options, &error)) {
                std::fprintf(stderr, "udare-mocked-unit: %s\n", error.c_str());
                return 2;
            }
        } else {
            return usage();
        }
    }
    if (i >= argc) return usage();

    mocked::MockedBed bed;
    if (!bed.ok()) {
        std::fprintf(stderr, "udare-mocked-unit: %s\n", bed.error().c_str());
        return 1;
    }
    // Another HID device first, when asked: the program must pass it by.
    const int number = other ? 1 : 0;
    if (other) {
        mocked::DeviceSpec o;
        o.number = 0;
        o.productId = 0x1032;
        o.product = "Karaoke Microphone";
        bed.plug(o);
    }
    options.path = mocked::MockedBed::nodePath(number);
    sim::VirtualUnit unit(options);
    mocked::DeviceSpec spec;
    spec.number = number;
    spec.unit = &unit;
    if (options.upgradeMode) spec.product = "Karaoke DSP Upgrade";
    if (!bed.plug(spec)) {
        std::fprintf(stderr, "udare-mocked-unit: %s\n", bed.error().c_str());
        return 1;
    }
    std::fprintf(stderr, "udare-mocked-unit: the unit is at %s; type \"unplug\" or \"plug\" and Enter.\n",
                 options.path.c_str());

    pid_t pid = ::fork();
    if (pid < 0) {
        std::perror("fork");
        return 1;
    }
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);  // the program goes when its unit does
        ::close_range(3, ~0U, 0);
        ::execvp(argv[i], argv + i);
        std::perror(argv[i]);
        ::_exit(127);
    }
    bool plugged = true;
    std::string line;
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pollfd p{0, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0 || !(p.revents & (POLLIN | POLLHUP))) continue;
        char buf[256];
        ssize_t n = ::read(0, buf, sizeof buf);
        if (n <= 0) {
            // No more input: just wait for the program.
            ::waitpid(pid, &status, 0);
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        line.append(buf, static_cast<size_t>(n));
        size_t nl;
        while ((nl = line.find('\n')) != std::string::npos) {
            const std::string cmd = line.substr(0, nl);
            line.erase(0, nl + 1);
            if (cmd == "unplug" && plugged) {
                bed.unplug(spec.number);
                plugged = false;
                std::fprintf(stderr, "udare-mocked-unit: unplugged\n");
            } else if (cmd == "plug" && !plugged) {
                ++spec.number;  // a node name is used once per bed
                plugged = bed.plug(spec);
                std::fprintf(stderr, "udare-mocked-unit: %s\n", plugged ? "plugged in" : bed.error().c_str());
            }
        }
    }
}
