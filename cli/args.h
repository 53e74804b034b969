// Command-line words: program options, number parsing and the argument kinds
// the command table is written in.
#pragma once

#include <string>
#include <vector>

#include "dsp/filter.h"
#include "text.h"

namespace udare::cli {

// Exit codes of the program.
enum Exit : int {
    EXIT_OK = 0,
    EXIT_FAILED = 1,      // a file could not be read or written, an operation refused
    EXIT_USAGE = 2,       // unknown command or bad argument
    EXIT_NO_UNIT = 3,     // no unit found
    EXIT_SILENT = 4,      // the unit stopped answering
    EXIT_MISMATCH = 5,    // restore: the unit does not hold what was written
    EXIT_REFUSED = 6,     // upgrade: the file would corrupt the unit; nothing was sent
    EXIT_UNVERIFIED = 7,  // upgrade: the unit does not confirm or hold the image it was sent
};

struct Options {
    bool simulate = false;
    std::string simulateOptions;  // what followed "--simulate="
    std::string device;           // --device PATH
    std::string trace;            // --trace FILE|-
    bool json = false;
    int lang = LANG_EN;
    bool debug = false;
    bool yes = false;
    bool help = false;
};

// Reads the options in front of the command. On success first is the index
// of the command word (== args.size() when there is none).
bool ParseOptions(const std::vector<std::string>& args, Options& opt, size_t& first,
                  std::string& error);

// Whole-token numbers: no trailing characters, finite, within range.
bool ParseInt(const std::string& s, long long lo, long long hi, long long& out);
bool ParseNumber(const std::string& s, double lo, double hi, double& out);

// What an argument is, for parsing and for help.
enum class Kind {
    Int,      // integer within [lo, hi]
    Num,      // decimal number within [lo, hi]
    Eq,       // mic1 mic2 echo reverb music main rear center sub
    Band,     // band index of the equaliser named just before it
    Out,      // main rear center sub
    Source,   // mic echo reverb music
    Side,     // left right
    Path,     // a file name, '-' for a standard stream where the command allows it
    Section,  // TYPE:FREQ:GAIN:Q
    Count,    // --count N (optional)
    Flag,     // "--name VALUE" or "--name=VALUE", optional, any order; after every other argument
};

struct ArgSpec {
    Kind kind;
    const char* name;  // shown in help and errors: "FREQ"
    double lo = 0, hi = 0;
    bool repeat = false;    // one or more of these, last argument only
    bool optional = false;  // may be left out, last arguments only
};

struct Value {
    long long i = 0;     // Int, Band, Count (-1 when left out), and enum kinds' index; Flag: 1 if given
    double d = 0;        // Num
    std::string s;       // Path, Flag's value
    dsp::BandParams band;  // Section
};

// The "EQ" / "OUT" ... choices of a kind, for help and errors.
const char* KindChoices(Kind k);
// One argument's form in help: "EQ", "[--count N]", "SECTION...".
std::string ArgForm(const ArgSpec& a);

// Parses tokens against specs. On failure error names the argument and what
// was expected (in the chosen language).
bool ParseArgs(const std::vector<ArgSpec>& specs, const std::vector<std::string>& tokens,
               std::vector<Value>& out, std::string& error, int lang);

// Output index of main rear center sub -> group 5..8.
inline int OutGroup(long long outIndex) { return 5 + static_cast<int>(outIndex); }

}  // namespace udare::cli
