// Mode files (.vxs): the equaliser image and the parameter table behind a
// version header. (Mode images live with the upgrades.)
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "protocol/context.h"

namespace udare {

inline constexpr int kModeFileHeaderSize = 120;
inline constexpr int kModeFileSize = kModeFileHeaderSize + kImageSize + 4 * kSlotCount;  // 1495
// Files of version 1.0.0: a 10-section Sub and no output delay slots.
inline constexpr int kModeFileSlotsV100 = 92;
inline constexpr int kModeFileSizeV100 =
    kModeFileHeaderSize + kImageSizeProtocol1 + 4 * kModeFileSlotsV100;  // 1377

// The bytes SaveModeFile writes: header, image, slots little-endian.
std::array<uint8_t, kModeFileSize> ModeFileBytes(const DeviceState& st);

// Whether a file starting with these bytes has the old header: "Ver1.0.0"
// in any letter case, UTF-16LE, ended by a zero unit or by the bytes' end.
bool IsOldModeFileHeader(std::span<const uint8_t> bytes);
// The size of a whole mode file whose header these bytes start.
size_t WholeModeFileSize(std::span<const uint8_t> bytes);

// 1 on success; 0 after telling the user. The old file stays as it was
// unless the whole new one reached the disk.
int SaveModeFile(Ctx& c, const std::string& path);
// 1 on success (nothing is sent to the unit); 0 after telling the user,
// with DeviceState unchanged. A short file fills only what it holds.
int LoadModeFile(Ctx& c, const std::string& path);
// What LoadModeFile does with the file's bytes: the image and the slots
// they hold, then the Sub fix-up for the unit's protocol. Never fails.
void LoadModeFileBytes(DeviceState& st, std::span<const uint8_t> bytes);

// Reads at most max leading bytes of a file into out. Returns 0, or the
// errno of the failing step (a directory opens but cannot be read).
int ReadFileHead(const std::string& path, size_t max, std::vector<uint8_t>& out);

// Replaces the contents of path by writing a temporary file beside it,
// syncing it and renaming it over. Returns 0, or the errno of the failing
// step (the temporary file is removed then).
int ReplaceFileContents(const std::string& path, const uint8_t* data, size_t size);

// The box both file savers show when the file cannot be written.
void ShowCannotWrite(Prompter& prompter, int err, const std::string& path);

}  // namespace udare
