#include "docs.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <set>
#include <sstream>

#include "args.h"
#include "command_table.h"
#include "sim/sim_options.h"

#ifndef UDARE_VERSION
#define UDARE_VERSION "unknown"
#endif

namespace udare::cli {

const std::vector<OptionDoc>& GlobalOptions() {
    static const std::vector<OptionDoc> kOptions = {
        {"--simulate[=OPTION,...]", {"使用虚拟机器", "use the virtual unit"}},
        {"--device PATH", {"使用此 HID 接口", "use this HID interface"}},
        {"--trace FILE|-", {"记录每个报告 (> 发送, < 接收)", "trace every report (> sent, < received)"}},
        {"--json", {"list, info, dump 输出 JSON", "JSON output for list, info and dump"}},
        {"--lang zh|en", {"界面语言", "language of the texts"}},
        {"--debug", {"调试日志输出到标准错误", "debug log on standard error"}},
        {"--yes", {"所有提问回答“是”", "answer Yes to every question"}},
    };
    return kOptions;
}

const std::vector<ExitDoc>& ExitStatuses() {
    static const std::vector<ExitDoc> kExits = {
        {EXIT_OK, {"完成", "done"}},
        {EXIT_FAILED, {"文件无法读写或操作被拒绝", "a file could not be read or written, or an operation failed"}},
        {EXIT_USAGE, {"未知命令或参数错误", "wrong usage: an unknown command or a bad argument"}},
        {EXIT_NO_UNIT, {"没有找到机器", "no unit found"}},
        {EXIT_SILENT, {"机器不再应答", "the unit stopped answering"}},
        {EXIT_MISMATCH, {"恢复后机器所存与写入不符", "restore: the unit does not hold what was written"}},
        {EXIT_REFUSED, {"升级文件会损坏机器, 什么都没有发送", "upgrade: the file would corrupt the unit; nothing was sent"}},
        {EXIT_UNVERIFIED, {"升级未被机器确认或读回不符", "upgrade: the unit does not confirm or hold the image it was sent"}},
    };
    return kExits;
}

namespace {

// Text for roff: backslashes escaped, hyphens as minus signs (options are
// typed with them), no line taken for a request.
std::string roff(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
    }
    std::string lines;
    std::istringstream in(out);
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
        if (!first) lines += '\n';
        first = false;
        if (!line.empty() && (line[0] == '.' || line[0] == '\'')) lines += "\\&";
        lines += line;
    }
    return lines;
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "--simulate[=OPTION,...]" -> "--simulate"
std::string optionWord(const char* form) {
    std::string f = form;
    return f.substr(0, f.find_first_of(" ["));
}

// The words an argument of this kind may be (bash: a word list, "@file" for file names).
std::string completionFor(const ArgSpec& a) {
    switch (a.kind) {
        case Kind::Eq:
        case Kind::Out:
        case Kind::Source:
        case Kind::Side: {
            std::string w = KindChoices(a.kind);
            std::replace(w.begin(), w.end(), '|', ' ');
            return w;
        }
        case Kind::Path: return "@file";
        case Kind::Count: return "--count";
        default: return "";
    }
}

}  // namespace

void WriteCtlManPage(std::ostream& os) {
    os << ".TH UDARE\\-CTL 1 \"\" \"udare " UDARE_VERSION "\" \"User Commands\"\n"
       << ".SH NAME\n"
       << "udare\\-ctl \\- read, tune, back up and upgrade the karaoke DSP unit from a shell\n"
       << ".SH SYNOPSIS\n"
       << ".B udare\\-ctl\n"
       << "[\\fIOPTIONS\\fR] \\fICOMMAND\\fR [\\fIARG\\fR...]\n"
       << ".SH DESCRIPTION\n"
       << ".B udare\\-ctl\n"
       << "talks to the karaoke effects processor over USB (vendor 0x2010, product 0x1031), "
          "or to the virtual unit with\n.BR \\-\\-simulate .\n"
       << "Each command reads, writes or checks the unit exactly as the tuning window would; "
          "every operation of the unit is a command of the same name, with its arguments in "
          "order. Nothing is read from the unit unless a command needs it.\n"
       << ".PP\n"
       << "Before a command whose reports differ between protocol-1 units and later ones (the whole "
          "equaliser image, Sub sections 10 to 19, output delays, the full writes), the unit is asked "
          "for its model and protocol version, once for a whole\n.B run\nscript. A unit of another "
          "model gets nothing more; a protocol-1 unit gets only what it holds, and a note names what "
          "was not sent.\n"
       << ".SH OPTIONS\n";
    for (const OptionDoc& o : GlobalOptions()) {
        os << ".TP\n.B " << roff(o.form) << "\n" << roff(o.help.en) << "\n";
    }
    os << ".SH COMMANDS\n";
    for (const Command& c : Commands()) {
        os << ".TP\n.B " << roff(Usage(c)) << "\n" << roff(c.help.en) << "\n";
    }
    os << ".SS Arguments\n";
    for (Kind k : {Kind::Eq, Kind::Out, Kind::Source, Kind::Side}) {
        static const char* const kNames[] = {"", "", "EQ", "", "OUT", "SOURCE", "SIDE"};
        os << ".TP\n.B " << kNames[static_cast<int>(k)] << "\n" << roff(KindChoices(k)) << "\n";
    }
    os << ".TP\n.B TYPE\n"
       << roff("0 off, 1 PEQ, 2 LP, 3 HP, 4 LS, 5 HS, 6-21 crossover sections") << "\n"
       << ".SH SIMULATOR OPTIONS\n"
       << "Given after\n.BR \\-\\-simulate= ,\nseparated by commas.\n"
       << ".PP\n.nf\n"
       << roff(sim::simOptionsHelp()) << "\n.fi\n"
       << ".SH EXIT STATUS\n";
    for (const ExitDoc& e : ExitStatuses()) os << ".TP\n.B " << e.code << "\n" << roff(e.meaning.en) << "\n";
    os << ".SH EXAMPLES\n"
       << ".nf\n"
       << roff("udare-ctl info\n"
               "udare-ctl backup unit.VXS\n"
               "udare-ctl restore unit.VXS\n"
               "udare-ctl --trace - SetMicVolume 50\n"
               "udare-ctl --simulate=protocol=1 --trace - WriteEqImage")
       << "\n.fi\n"
       << ".SH SEE ALSO\n"
       << ".BR udare\\-tuner (1)\n";
}

void WriteTunerManPage(std::ostream& os, const std::string& tunerHelp) {
    // The parser's first line names the binary by the path it was run from.
    std::string help = tunerHelp;
    if (help.rfind("Usage:", 0) == 0) help = help.substr(std::min(help.size(), help.find('\n') + 1));
    while (!help.empty() && (help[0] == '\n')) help.erase(0, 1);
    os << ".TH UDARE\\-TUNER 1 \"\" \"udare " UDARE_VERSION "\" \"User Commands\"\n"
       << ".SH NAME\n"
       << "udare\\-tuner \\- tune the karaoke DSP unit: equalisers, levels, effects, presets, remote, firmware\n"
       << ".SH SYNOPSIS\n"
       << ".B udare\\-tuner\n"
       << "[\\fIOPTIONS\\fR] [\\fIFILE.VXS\\fR]\n"
       << ".SH DESCRIPTION\n"
       << ".B udare\\-tuner\n"
       << "finds the unit on the USB bus, reads every parameter out of it and shows them on a ribbon "
          "and a tuning panel; each change goes to the unit the moment it is made. A mode file named "
          "on the command line is opened and written to the unit. Only one window runs at a time: a "
          "second start hands its file to the first and raises it.\n"
       << ".SH OPTIONS\n"
       << ".nf\n"
       << roff(help) << "\n"
       << ".fi\n"
       << ".SH FILES\n"
       << ".TP\n.I /usr/lib/udev/rules.d/70\\-udare.rules\n"
       << "gives the logged-in user access to the unit's hidraw node.\n"
       << ".SH SEE ALSO\n"
       << ".BR udare\\-ctl (1)\n";
}

void WriteBashCompletion(std::ostream& os) {
    std::string options, commands, valued;
    for (const OptionDoc& o : GlobalOptions()) {
        const std::string w = optionWord(o.form);
        options += (options.empty() ? "" : " ") + w;
        if (std::string(o.form).find(' ') != std::string::npos) valued += (valued.empty() ? "" : "|") + w;
    }
    options += " --help";
    for (const Command& c : Commands()) commands += (commands.empty() ? "" : " ") + std::string(c.name);

    os << "# bash completion for udare-ctl, generated from its command table\n"
       << "_udare_ctl_words() {\n"
       << "    # $1: lower-case command, $2: argument index from 0\n"
       << "    local -a kinds\n"
       << "    case $1 in\n";
    for (const Command& c : Commands()) {
        if (c.args.empty()) continue;
        os << "        " << lower(c.name) << ") kinds=(";
        for (size_t k = 0; k < c.args.size(); ++k) {
            std::string w = completionFor(c.args[k]);
            os << (k ? " " : "") << "'" << w << "'";
        }
        os << ")";
        if (c.args.back().repeat) os << "; [[ $2 -ge ${#kinds[@]} ]] && set -- \"$1\" $((${#kinds[@]} - 1))";
        os << " ;;\n";
    }
    os << "        *) return ;;\n"
       << "    esac\n"
       << "    printf '%s' \"${kinds[$2]}\"\n"
       << "}\n\n"
       << "_udare_ctl() {\n"
       << "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}\n"
       << "    case $prev in\n"
       << "        --device|--trace) COMPREPLY=($(compgen -f -- \"$cur\")); return ;;\n"
       << "        --lang) COMPREPLY=($(compgen -W 'zh en' -- \"$cur\")); return ;;\n"
       << "    esac\n"
       << "    local i w cmd= argi=0\n"
       << "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
       << "        w=${COMP_WORDS[i]}\n"
       << "        if [[ -z $cmd ]]; then\n"
       << "            case $w in\n"
       << "                " << valued << ") ((i++)) ;;\n"
       << "                -*) ;;\n"
       << "                *) cmd=$w ;;\n"
       << "            esac\n"
       << "        elif [[ $w != --count ]]; then\n"
       << "            ((argi++))\n"
       << "        fi\n"
       << "    done\n"
       << "    if [[ -z $cmd ]]; then\n"
       << "        if [[ $cur == -* ]]; then\n"
       << "            COMPREPLY=($(compgen -W '" << options << "' -- \"$cur\"))\n"
       << "        else\n"
       << "            COMPREPLY=($(compgen -W '" << commands << "' -- \"$cur\"))\n"
       << "        fi\n"
       << "        return\n"
       << "    fi\n"
       << "    local words\n"
       << "    words=$(_udare_ctl_words \"${cmd,,}\" \"$argi\")\n"
       << "    if [[ $words == @file ]]; then\n"
       << "        COMPREPLY=($(compgen -f -- \"$cur\"))\n"
       << "    elif [[ -n $words ]]; then\n"
       << "        COMPREPLY=($(compgen -W \"$words\" -- \"$cur\"))\n"
       << "    fi\n"
       << "}\n"
       << "complete -o filenames -F _udare_ctl udare-ctl\n";
}

}  // namespace udare::cli
