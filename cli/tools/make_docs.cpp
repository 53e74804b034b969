// Writes udare-ctl's manual page and bash completion, and udare-tuner's
// manual page around its --help text, at build time.
// Usage: udare-make-docs ctl-man|completion OUT
//        udare-make-docs tuner-man HELP_TEXT_FILE OUT
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "docs.h"

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    const bool tuner = what == "tuner-man";
    if ((tuner && argc != 4) || (!tuner && argc != 3) ||
        (what != "ctl-man" && what != "completion" && !tuner)) {
        std::fprintf(stderr, "usage: %s ctl-man|completion OUT | tuner-man HELP_TEXT OUT\n", argv[0]);
        return 2;
    }
    std::ostringstream text;
    if (what == "ctl-man") {
        udare::cli::WriteCtlManPage(text);
    } else if (what == "completion") {
        udare::cli::WriteBashCompletion(text);
    } else {
        std::ifstream help(argv[2]);
        std::stringstream h;
        h << help.rdbuf();
        if (!help || h.str().empty()) {
            std::fprintf(stderr, "cannot read %s\n", argv[2]);
            return 1;
        }
        udare::cli::WriteTunerManPage(text, h.str());
    }
    const char* out = argv[argc - 1];
    std::ofstream f(out, std::ios::binary | std::ios::trunc);
    f << text.str();
    f.close();
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", out);
        return 1;
    }
    return 0;
}
