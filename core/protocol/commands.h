// Every write operation of the unit: equalisers, levels and routing, effects
// and dynamics, modes, the remote-key table and the machine settings.
//
// Each operation stores the new value in DeviceState first and then sends its
// reports through c.out, which drops them while the unit is not connected, so
// DeviceState always holds the user's latest intent. Every wait goes through
// c.clock. Arguments out of range never write outside a block: an unknown
// band, group, tap or key index makes the operation do nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "protocol/context.h"
#include "protocol/device_state.h"
#include "protocol/equalisers.h"

namespace udare {

// ---- equalisers -----------------------------------------------------------

// Gain is held within the record's range (-15 ... +15 dB, NaN 0 dB), the
// frequency and Q within what the record's 16-bit fields hold; the record
// and the coefficients are built from the same held values.
void SetEqBand(Ctx& c, Eq eq, int band, int type, int freqHz, float gainDb, float q);
// The band as the image holds it; all zero for a band the equaliser lacks.
EqBandValue GetEqBand(Ctx& c, Eq eq, int band);
void SetEqBypass(Ctx& c, Eq eq, int value);
// Every band to its reset value (0 dB, reset frequencies, Q 1.41), record then coefficients.
void ResetEq(Ctx& c, Eq eq);
// The whole image (889 bytes on protocol-1 units, else 959) in 56-byte pieces.
void WriteEqImage(Ctx& c);
// Asks for the same pieces; the replies fill the image.
void ReadEqImage(Ctx& c);
// The coefficients of every band of every equaliser, from the image; no records.
void SendAllEqBands(Ctx& c);
// Coefficients of band k of a group (group 1: 0-14 Mic1, 15-29 Mic2) as the image holds it.
void SendBandCoefficients(Ctx& c, int group, int wireBand);
// Band k sent again as the image holds it: its record, then its coefficients
// (the band write without re-encoding, so the record goes out byte for byte).
void RewriteEqBand(Ctx& c, Eq eq, int band);

// ---- levels, routing, delays -----------------------------------------------

enum class Source { Mic, Echo, Reverb, Music };
enum class Side { Left, Right };

void SetMicVolume(Ctx& c, int v);
void SetSpareLevel(Ctx& c, int v);
void SetEffectVolume(Ctx& c, int v);
void SetMicMute(Ctx& c, int muted);
void SetMusicVolume(Ctx& c, int v);
// Muting is immediate; unmuting fades in over ten reports (0.0 ... 0.8 with
// 30 ms after each, then 1.0).
void SetMusicMute(Ctx& c, int muted);
void SetEchoMute(Ctx& c, int muted);
void SetReverbMute(Ctx& c, int muted);
// group 5-8 (GROUP_MAIN ... GROUP_SUB).
void SetOutputLevel(Ctx& c, int group, Source src, int v);
void SetOutputVolume(Ctx& c, int group, int v);
// Never below 1.5 ms (NaN counts as below). Sent only to protocol-2 units;
// the slot is updated either way. Right exists on Main and Rear only.
void SetOutputDelay(Ctx& c, int group, Side side, float ms);
void SetOutputDelayOn(Ctx& c, int group, Side side, int on);

// The slot of an output delay or its switch, or -1 (Right of Center and Sub).
int outputDelaySlot(int group, Side side);
int outputDelayOnSlot(int group, Side side);

// Building blocks of the full send.
// Sends slot i as it stands, with its own group, code, encoding and count
// (kSlots). Effect encodings: the shift step's shift value, the pitch pair,
// or the whole compressor block of the slot's group.
void SendSlot(Ctx& c, int slotIndex);
// Stores an int slot, then sends it as SendSlot does.
void setAndSend(Ctx& c, int slotIndex, int v);
// Microphone volume 0 and music volume 0 (count 2), not stored: the start of
// a full send that fades the volumes in.
void SendVolumesZero(Ctx& c);
// The end of that full send: microphone straight to its volume below 80, else
// 80, 81, ... without pauses; music by SetMusicVolume below 60, else 60, 61,
// ... with 100 ms after each step. Steps stop at 100; a larger stored value
// is then sent once.
void FadeInVolumes(Ctx& c);

// ---- effects and dynamics ----------------------------------------------------

void SetEchoVolume(Ctx& c, int v);
void SetEchoRatio(Ctx& c, int v);
// Total pre-delay, split into two equal halves; never below 3 ms in total.
void SetEchoPreDelay(Ctx& c, float totalMs);
// Tap k (1-7) at k x the whole milliseconds of max(ms, 40).
void SetEchoInterval(Ctx& c, float ms);
void SetEchoTapDelay(Ctx& c, int tap, float ms);        // tap 0-6
void SetEchoTapLevel(Ctx& c, int tap, float percent);   // tap 0-6
// Tap levels derived from the start level and the decay ratio. Each tap is
// the one before times ratio/100 + 0.005, every product in single precision.
float echoDecayFactor(int ratioPercent);
// Tap 1 takes the start level, taps 2-7 decay from it; all seven are stored
// and sent in tap order.
void SetEchoStartLevel(Ctx& c, int level);
// SetEchoRatio, then taps 2-7 again from the whole part of the stored tap 1,
// which itself is neither changed nor sent.
void SetEchoDecay(Ctx& c, int ratioPercent);
void SetReverbVolume(Ctx& c, int v);
// The unit keeps the setting 0-100; it means 40 + 49.6 x v milliseconds.
void SetReverbTime(Ctx& c, int v);
double reverbTimeMs(int v);
void SetReverbPreDelay(Ctx& c, float totalMs);
// Step clamped to 1-5; 1 switches suppression off.
void SetFbcShift(Ctx& c, int step);
// -12 ... +12; anything else is logged and ignored. Switches the pitch
// bypass off for a shift and on for 0 when needed.
void SetMusicPitch(Ctx& c, int semitones);
void SetPitchBypass(Ctx& c, int bypass);
void SetMicGateThreshold(Ctx& c, int v);
void SetMicGateAttack(Ctx& c, int v);
void SetMicGateRelease(Ctx& c, int v);
void SetMusicGateThreshold(Ctx& c, int v);
void SetMusicGateAttack(Ctx& c, int v);
void SetMusicGateRelease(Ctx& c, int v);
void SetCompressor(Ctx& c, int group, float thr, float ratio, float attack, float release);
void SetCompressorBypass(Ctx& c, int group, int bypass);
void SetAutoSubEnable(Ctx& c, int on);
void SetAutoSubLevel(Ctx& c, int v);

// ---- writing stored values again -----------------------------------------------

// Sends the slots as DeviceState holds them, each through the write operation
// that owns it (a compressor block, a pre-delay pair or the feedback
// suppression switch goes out once however many of its slots are listed).
// Undo and redo of the window store earlier values and send them this way.
// The slots hold exactly what they held before the call.
void RewriteSlots(Ctx& c, const std::vector<int>& slots);

// ---- modes, remote keys, machine ------------------------------------------------

// Starts the worker that reads everything back from the unit. The mode
// commands that change the unit's settings call it after their report; it
// lives with the link, so it is handed in (an empty one starts nothing).
using StartSync = std::function<void()>;

// Every mode command clamps n to 0-3 and stores it in currentMode first.
void LoadMode(Ctx& c, int n, const StartSync& startSync);
void SaveMode(Ctx& c, int n);  // also clears settingsModified
void ResetMode(Ctx& c, int n, const StartSync& startSync);
// op::kSelectMode n, 20 ms, op::kSaveMode n: store a just-written preset file as mode n.
void SelectAndSaveMode(Ctx& c, int n);
void RequestCurrentMode(Ctx& c);

void LearnRemoteKey(Ctx& c, int key);  // key slot 1-15
void CancelLearning(Ctx& c);
// The user gave up waiting for a key: the unit may never answer op::kLearnKey, so the
// writer waiting for that reply is let go before op::kCancelLearning is sent. Never waits
// for the unit's reply to the learning request.
void GiveUpLearning(Ctx& c);
void ReadRemoteKeys(Ctx& c);
void WriteRemoteKeys(Ctx& c);

void ReadMachineSettings(Ctx& c);
// Working copy into committed, then sent.
void ApplyMachineSettings(Ctx& c);
// Committed copy back into working (the settings dialog was cancelled); sends nothing.
void RevertMachineSettings(Ctx& c);
void ResetMachine(Ctx& c);

}  // namespace udare
