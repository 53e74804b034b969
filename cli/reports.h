// What list, info and dump print, as text or JSON.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "link/hid_backend.h"
#include "protocol/device_state.h"

namespace udare::cli {

std::string JsonString(const std::string& s);
// A slot's value as text ("50", "1.5"); non-finite floats as "nan"/"null" by json.
std::string SlotValueText(const DeviceState& st, int slot, bool json);

void PrintList(std::ostream& os, const std::vector<HidInterfaceInfo>& units, bool json, int lang);
void PrintInfo(std::ostream& os, const DeviceState& st, bool upgradeMode, bool json, int lang);
void PrintDump(std::ostream& os, const DeviceState& st, bool json);

}  // namespace udare::cli
