#include "cli.h"

#include "command_table.h"

namespace udare::cli {

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CliHooks& hooks) {
    Options opt;
    size_t first = 0;
    std::string error;
    if (!ParseOptions(args, opt, first, error)) {
        err << "udare-ctl: " << error << " ("
            << Tr{"用法", "usage"}.in(opt.lang) << ": udare-ctl [OPTIONS] COMMAND [ARG...])\n";
        return EXIT_USAGE;
    }
    if (opt.help) {
        PrintHelp(out, opt.lang);
        return EXIT_OK;
    }
    if (first >= args.size()) {
        err << "udare-ctl: " << Tr{"缺少命令", "no command given"}.in(opt.lang) << " ("
            << Tr{"用法", "usage"}.in(opt.lang) << ": udare-ctl [OPTIONS] COMMAND [ARG...]; udare-ctl help)\n";
        return EXIT_USAGE;
    }
    const Command* c = FindCommand(args[first]);
    if (!c) {
        err << "udare-ctl: " << format(Tr{"未知命令 '%s'", "unknown command '%s'"}.in(opt.lang), args[first].c_str())
            << " (udare-ctl help)\n";
        return EXIT_USAGE;
    }
    std::vector<std::string> tokens(args.begin() + static_cast<long>(first) + 1, args.end());
    // Arguments are checked before anything is opened.
    std::vector<Value> values;
    if (!ParseCommand(*c, tokens, values, error, opt.lang)) {
        err << "udare-ctl: " << error << '\n';
        return EXIT_USAGE;
    }
    Session s(opt, out, err, hooks);
    if (int rc = s.openTrace()) return rc;
    int rc = RunParsed(s, *c, values);
    s.close();
    return rc;
}

}  // namespace udare::cli
