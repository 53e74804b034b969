// The one description of every command: its name, its arguments and its
// handler. Parsing, help and dispatch all read this table.
#pragma once

#include <string>
#include <vector>

#include "args.h"
#include "session.h"

namespace udare::cli {

enum class Needs {
    Nothing,  // no unit, no HID layer (design, curve, help)
    Backend,  // enumeration only (list)
    Unit,     // a connected unit
};

using Handler = int (*)(Session& s, const std::vector<Value>& v);
// Checks between arguments; returns an error text (chosen language) or empty.
using Check = std::string (*)(const std::vector<Value>& v, int lang);
// Whether, with these arguments, the reports differ between protocol-1 and
// later units.
using OnProtocol = bool (*)(const std::vector<Value>& v);
// With the unit's identity known: what the unit does not hold of the
// command (the core sends nothing for it), as a note; empty when it holds all.
using NotHeld = std::string (*)(const std::vector<Value>& v, const DeviceState& st, int lang);

struct Command {
    const char* name;
    std::vector<ArgSpec> args;
    Needs needs;
    Handler run;
    Tr help;
    Check check = nullptr;
    bool expectsReply = true;  // every report it sends is answered
    // Set: the unit's identity is read (once per connection) before it runs,
    // and a unit that is not ours is refused before anything is written.
    OnProtocol onProtocol = nullptr;
    NotHeld notHeld = nullptr;
    bool readsIdentity = false;  // asks the identity itself before anything else
};

const std::vector<Command>& Commands();
// Case-insensitive; nullptr if unknown.
const Command* FindCommand(const std::string& name);
// "SetEqBand EQ BAND TYPE FREQ GAIN Q".
std::string Usage(const Command& c);
void PrintHelp(std::ostream& os, int lang);

// Parses the arguments, connects when needed, runs, and checks that the unit
// still answers. Returns the exit code; every failure has printed one line.
int Execute(Session& s, const Command& c, const std::vector<std::string>& tokens);
// The same once the arguments are parsed; line: its line in a script, for notes.
int RunParsed(Session& s, const Command& c, const std::vector<Value>& v, int line = 0);
// Parses only; on failure error holds the whole line to print.
bool ParseCommand(const Command& c, const std::vector<std::string>& tokens,
                  std::vector<Value>& v, std::string& error, int lang);

}  // namespace udare::cli
