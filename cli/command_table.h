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

struct Command {
    const char* name;
    std::vector<ArgSpec> args;
    Needs needs;
    Handler run;
    Tr help;
    Check check = nullptr;
    bool expectsReply = true;  // every report it sends is answered
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
// The same once the arguments are parsed.
int RunParsed(Session& s, const Command& c, const std::vector<Value>& v);
// Parses only; on failure error holds the whole line to print.
bool ParseCommand(const Command& c, const std::vector<std::string>& tokens,
                  std::vector<Value>& v, std::string& error, int lang);

}  // namespace udare::cli
