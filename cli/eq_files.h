// The equaliser file commands: filter sets in and out (Equalizer APO /
// AutoEq text, REW's Generic filter settings) and the response curve as CSV
// or PNG, on the unit or on a mode file given with --from.
#pragma once

#include <string>
#include <vector>

#include "args.h"
#include "session.h"

namespace udare::cli {

// eq-import EQ FILE [--from FILE.VXS]
int cmdEqImport(Session& s, const std::vector<Value>& v);
// eq-export EQ FILE [--format apo|rew] [--from FILE.VXS]
int cmdEqExport(Session& s, const std::vector<Value>& v);
std::string checkEqExport(const std::vector<Value>& v, int lang);
// curve-export EQ FILE.csv|FILE.png [--points N] [--size WxH] [--from FILE.VXS]
int cmdCurveExport(Session& s, const std::vector<Value>& v);
std::string checkCurveExport(const std::vector<Value>& v, int lang);

}  // namespace udare::cli
