// The unit's machine-settings record: how it behaves on its own (start and
// maximum volumes, front-panel lock, volume save mode, power-on mode). The
// same 12 bytes in both mirror copies and on the wire; bytes this program
// does not interpret travel unchanged.
#pragma once

#include <cstdint>

namespace udare::machine {

inline constexpr int kSize = 12;

// Byte positions.
inline constexpr int kSaveMode = 0;         // 0 remembered across power cycles, else per mode
inline constexpr int kMicStartVolume = 1;   // 0-99, or kStartVolumeNotSet
inline constexpr int kMusicStartVolume = 2;  // 0-99, or kStartVolumeNotSet
inline constexpr int kMicMaxVolume = 3;     // 0-99; also the limit of the start volume
inline constexpr int kMusicMaxVolume = 4;   // 0-99; also the limit of the start volume
inline constexpr int kPanelLock = 5;        // non-zero: the lock bits are in force
inline constexpr int kLockBits = 6;         // LockBit flags
inline constexpr int kPowerOnMode = 9;      // 0 automatic, 1-4 M1-M4
// Bytes 7, 8, 10 and 11 are not interpreted.

inline constexpr uint8_t kSaveByPower = 0;
inline constexpr uint8_t kSaveByMode = 1;
inline constexpr uint8_t kStartVolumeNotSet = 255;  // the unit keeps its last volume
inline constexpr int kPowerOnAuto = 0;
inline constexpr int kPowerOnModes = 4;  // M1-M4 after automatic

enum LockBit : uint8_t {
    kLockMicVolume = 1u << 0,
    kLockMusicVolume = 1u << 1,
    kLockMicMenu = 1u << 2,
    kLockMusicMenu = 1u << 3,
    kLockLoadMode = 1u << 4,
    kLockStoreMode = 1u << 5,
    kLockRemote = 1u << 6,
    kLockDirectVolume = 1u << 7,
};

// Rules read from a record: a mirror copy or a plain array of its bytes.

// The full send fades the volumes in only for the exact by-mode value; the
// dialog shows any non-zero byte as by mode.
template <class Bytes> bool fadesVolumesIn(const Bytes& b) {
    return b[kSaveMode] == kSaveByMode;
}

template <class Bytes> bool loadModeLocked(const Bytes& b) {
    return b[kPanelLock] != 0 && (b[kLockBits] & kLockLoadMode) != 0;
}

// The mode (0-3) a unit starts in, or -1 when it picks it by itself.
template <class Bytes> int powerOnModeIndex(const Bytes& b) {
    const int m = b[kPowerOnMode];
    return m > kPowerOnAuto && m <= kPowerOnModes ? m - 1 : -1;
}

}  // namespace udare::machine
