// Firmware files the unit must never be given, told apart before anything is
// sent: an empty image, an MCU image whose 16-bit offsets would wrap and
// overwrite its start, a DSP image larger than the flash holds. One table of
// texts serves the dialogs and udare-ctl.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace udare {

inline constexpr size_t kMcuImageMax = 65536;          // offsets travel as 16 bits
inline constexpr size_t kDspSectorSize = 0x10000;      // one erase
inline constexpr size_t kDspImageMax = 31 * kDspSectorSize;  // 2,031,616 bytes

enum class ImageRefusal {
    None,
    Unreadable,   // cannot be opened or read
    Empty,        // no bytes at all
    McuTooLarge,  // over kMcuImageMax
    DspTooLarge,  // over kDspImageMax
    NotPackage,   // a .cba that is no cabinet or cannot be extracted
};

struct RefusalText {
    const char* zh;
    const char* en;
};
// The message for a refusal, %s standing for the file's path.
RefusalText refusalText(ImageRefusal r);
// The message filled with the path, in language lang (0 Chinese, 1 English).
std::string refusalMessage(ImageRefusal r, const std::string& path, int lang);

// Reads a whole file of at most limit bytes. Unreadable, Empty or the
// given tooLarge refusal when it does not qualify; bytes holds the file on None.
ImageRefusal readImageFile(const std::string& path, size_t limit, ImageRefusal tooLarge,
                           std::vector<uint8_t>& bytes);

}  // namespace udare
