// Equaliser filter sets as text: the parametric-EQ text that Equalizer APO
// reads and AutoEq writes ("Filter 1: ON PK Fc 105 Hz Gain 6.4 dB Q 0.70"),
// and REW's "Filter Settings file" for its Generic equaliser. Parsing both,
// fitting a parsed set to one of the unit's equalisers (every clamp and every
// left-out filter reported), applying it, and writing any equaliser back out.
#pragma once

#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/context.h"

namespace udare {

enum class FilterFormat { Apo, Rew };

// What the unit can become of a filter read from a file.
enum class FilterKind {
    Peq,        // PK, PEQ, Modal
    LowPass,    // LP, LPQ
    HighPass,   // HP, HPQ
    LowShelf,   // LS, LSC, LS 6dB, LS 12dB
    HighShelf,  // HS, HSC, HS 6dB, HS 12dB
    Exact,      // a section this program wrote with its exact type code (see below)
    Unsupported,  // NO, AP, BP, IIR: reported and left out
};

struct ParsedFilter {
    int line = 0;       // 1-based line of the file
    std::string text;   // the line as written (without its line end)
    FilterKind kind = FilterKind::Peq;
    std::string typeWord;  // as written: "PK", "LSC", "LS 6dB" ...
    double freqHz = 0;  // centre frequency for shelves (converted from a corner)
    double gainDb = 0;  // 0 for LP, HP and the unsupported kinds
    double q = 0;       // from Q, BW Oct or a shelf slope; the type's default when none
    bool approximated = false;  // a first-order shelf made second-order
    int exactType = -1;         // FilterKind::Exact: the section code (0 = a band that is off)
};

// A line that says something the unit will not do, or a value it cannot hold.
enum class NoteKind {
    PreampNotApplied,   // value: the preamp in dB
    CommandIgnored,     // Channel:, Include:, GraphicEQ: ... (what: the command)
    Unsupported,        // what: the type word
    BeyondBands,        // value: the equaliser's band count
    Approximated,       // what: the type word
    GainClamped,        // value: from, to (dB)
    FrequencyClamped,   // value: from, to (Hz)
    QClamped,           // value: from, to
    BandsReset,         // value: first band left flat (1-based), to: the last
};

struct FilterNote {
    int line = 0;  // 0 when the note is about the equaliser, not one line
    NoteKind kind = NoteKind::PreampNotApplied;
    std::string what;
    double value = 0, to = 0;
};

struct FilterError {
    int line = 0;
    std::string text;  // the line as written
};

struct FilterFile {
    std::vector<ParsedFilter> filters;  // in file order, OFF and empty slots left out
    std::vector<FilterNote> notes;      // preamp and ignored commands
    std::vector<FilterError> errors;    // malformed filter lines; nothing is applied then
};

// Reads either format (REW's header lines are skipped). A decimal comma is
// read as a point, the filter number may be missing, OFF filters and "None"
// slots are skipped. A line "# udare: type T Q Q" written by WriteFilterText
// gives the next filter its exact section code and Q.
FilterFile ParseFilterText(std::string_view text);

// Q of a bandwidth in octaves: 2^(n/2) / (2^n - 1).
double QFromBandwidth(double octaves);
// Q of a second-order shelf of slope S at the given gain:
// 1/Q = sqrt((A + 1/A)(1/S - 1) + 2), A = 10^(gain/40).
double QFromShelfSlope(double slope, double gainDb);

// The equalisers one import writes: one, or Mic1 then Mic2 for the MIC page's MIC1+MIC2.
struct EqImport {
    std::vector<Eq> targets;
    std::vector<EqBandValue> bands;  // every band of the (first) target, as SetEqBand takes them
    std::vector<FilterNote> notes;   // the file's notes followed by the fitting's
};

// Fits the filters to eq's bands in file order (the Sub: its sections 0, 1,
// 2 ... as they are exported). Values the unit cannot hold are clamped (gain
// +-15 dB, 20-20000 Hz, Q 0.1-30 for PEQ and 0.1-2 otherwise), each clamp
// noted; unsupported filters and filters beyond the bands are noted and left
// out; the remaining bands become flat PEQ at their reset frequencies.
EqImport PlanEqImport(const FilterFile& file, const DeviceState& st, Eq eq);

// Writes every band of the plan to every target with SetEqBand, in band
// order: one set of band changes, stored then sent.
void ApplyEqImport(Ctx& c, const EqImport& plan);

// The equaliser's bands as text. Bands the format cannot say exactly (off
// bands, crossover sections) carry a "# udare:" line that this program reads
// back, so export then import gives the same band records. when: the REW
// header's date.
std::string WriteFilterText(const DeviceState& st, Eq eq, FilterFormat format, std::time_t when);

// One note or error as a line of text (language 0 Chinese, 1 English).
std::string FilterNoteText(const FilterNote& n, int lang);
std::string FilterErrorText(const FilterError& e, int lang);

// The whole file read into text; false when it cannot be read.
bool ReadTextFile(const std::string& path, std::string& out);

}  // namespace udare
