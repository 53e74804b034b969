// Remote-key files (.remo): the 16 bytes of the remote-key table, nothing else.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "protocol/context.h"

namespace udare {

inline constexpr const char* kRemoteKeyExtension = "remo";

// The path with its extension replaced by (or given) "remo".
std::string RemoteKeyFilePath(const std::string& path);

// Reads up to 16 bytes into the table from byte 0 (a shorter file replaces
// only its leading bytes), then sends the table to the unit (op::kWriteRemoteKeys + 16
// bytes). 1 on success; 0 with the table unchanged and nothing sent.
int LoadRemoteKeyFile(Ctx& c, const std::string& path);
// What LoadRemoteKeyFile does with the file's bytes: the table from them,
// then sent. Never fails.
void LoadRemoteKeyBytes(Ctx& c, std::span<const uint8_t> bytes);

// Writes exactly the 16 table bytes; the old file stays as it was unless the
// new one is complete. 1 on success; 0 after the warning box.
int SaveRemoteKeyFile(Ctx& c, const std::string& path);

}  // namespace udare
