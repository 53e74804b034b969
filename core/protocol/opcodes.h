// The unit's command bytes (byte 1 of a report) and the named requests built
// from them. Nothing else writes a command byte: the operations, workers,
// view, udare-ctl, dispatcher and virtual unit all use these.
#pragma once

#include <cstdint>
#include <span>

#include "protocol/report.h"

namespace udare {

namespace op {
// MCU image transfer (upgrade mode): E4 00 20 starts an image, hi lo marks a block.
inline constexpr uint8_t kMcuImageStart = 0x01;
// MCU image data; E4 00 03 o0 o1 o2 ends the image.
inline constexpr uint8_t kMcuImageData = 0x02;
// n: select mode n before storing a preset file; 00 01 02: prepare for an MCU
// image; E4 00 03: ask for the image check (replies alike).
inline constexpr uint8_t kSelectMode = 0x03;
// n: store the settings as mode n; without n in upgrade mode: restart.
inline constexpr uint8_t kSaveMode = 0x04;
// n: load mode n; in upgrade mode a mode-memory block.
inline constexpr uint8_t kLoadMode = 0x05;
// The same byte writes a mode-memory block in upgrade mode.
inline constexpr uint8_t kUpgradeModeMemory = kLoadMode;
inline constexpr uint8_t kResetMode = 0x06;
inline constexpr uint8_t kCurrentMode = 0x07;
inline constexpr uint8_t kWriteParam = 0x09;
inline constexpr uint8_t kReadParam = 0x0A;
inline constexpr uint8_t kMeterLevels = 0x0E;
inline constexpr uint8_t kParamChanged = 0x14;  // in: changed on the unit's own panel
inline constexpr uint8_t kLearnKey = 0x60;
inline constexpr uint8_t kCancelLearning = 0x61;
inline constexpr uint8_t kReadRemoteKeys = 0x62;
inline constexpr uint8_t kWriteRemoteKeys = 0x63;
inline constexpr uint8_t kResetMachine = 0x68;
inline constexpr uint8_t kDspVersion = 0x7E;
inline constexpr uint8_t kProtocolVersion = 0x7F;
inline constexpr uint8_t kModelName = 0x80;
inline constexpr uint8_t kMcuVersion = 0x81;
inline constexpr uint8_t kWriteEqBytes = 0x85;
inline constexpr uint8_t kReadEqBytes = 0x86;
inline constexpr uint8_t kClose = 0x8A;
inline constexpr uint8_t kWriteMachineSettings = 0x91;
inline constexpr uint8_t kReadMachineSettings = 0x92;
inline constexpr uint8_t kExtendedBlock = 0x94;
inline constexpr uint8_t kExtendedInfo = 0x95;
inline constexpr uint8_t kEnterUpgradeMode = 0xD1;
inline constexpr uint8_t kWriteModeMemory = 0xDA;
inline constexpr uint8_t kFlashErase = 0xDC;
inline constexpr uint8_t kFlashWrite = 0xDD;
inline constexpr uint8_t kFlashRead = 0xDE;

// The upgrade transfers, by what the shared bytes mean there.
inline constexpr uint8_t kMcuBlockMark = kMcuImageStart;  // hi lo: a block begins
inline constexpr uint8_t kMcuPrepare = kSelectMode;       // with kMcuPrepareTag
inline constexpr uint8_t kMcuImageCheck = kSelectMode;    // with kMcuTag
inline constexpr uint8_t kMcuImageEnd = kMcuImageData;    // with kMcuTag and the head
inline constexpr uint8_t kRestart = kSaveMode;            // alone, in upgrade mode
// DSP flash: 4-byte address, then a piece of this size (write) or none.
inline constexpr int kFlashPiece = 32;

// Argument bytes that go with them.
inline constexpr uint8_t kMachineResetKey = 0xAA;            // after kResetMachine
inline constexpr uint8_t kMcuTag[3] = {0xE4, 0x00, 0x03};     // image end / check
inline constexpr uint8_t kMcuStartTag[3] = {0xE4, 0x00, 0x20};  // image start
inline constexpr uint8_t kMcuPrepareTag[3] = {0x00, 0x01, 0x02};
// A kReadEqBytes reply whose first two data bytes are both this: the unit
// holds no equaliser image.
inline constexpr uint8_t kNoImageByte = 0xFF;
}  // namespace op

// Requests of one or a few bytes, by name. Each returns what SendBytes does.
namespace req {
inline int Short(ReportSink& out, uint8_t command) { return SendBytes(out, {command, -1}); }
inline int ModelName(ReportSink& out) { return Short(out, op::kModelName); }
inline int ProtocolVersion(ReportSink& out) { return Short(out, op::kProtocolVersion); }
inline int McuVersion(ReportSink& out) { return Short(out, op::kMcuVersion); }
inline int DspVersion(ReportSink& out) { return Short(out, op::kDspVersion); }
inline int CurrentMode(ReportSink& out) { return Short(out, op::kCurrentMode); }
inline int ExtendedInfo(ReportSink& out) { return Short(out, op::kExtendedInfo); }
inline int ExtendedBlock(ReportSink& out) { return Short(out, op::kExtendedBlock); }
inline int MachineSettings(ReportSink& out) { return Short(out, op::kReadMachineSettings); }
inline int RemoteKeys(ReportSink& out) { return Short(out, op::kReadRemoteKeys); }
inline int MeterLevels(ReportSink& out) { return Short(out, op::kMeterLevels); }
inline int Close(ReportSink& out) { return Short(out, op::kClose); }
inline int CancelLearning(ReportSink& out) { return Short(out, op::kCancelLearning); }
inline int LearnKey(ReportSink& out, int key) { return SendBytes(out, {op::kLearnKey, key}); }
inline int ResetMachine(ReportSink& out) { return SendBytes(out, {op::kResetMachine, op::kMachineResetKey}); }
inline int SelectMode(ReportSink& out, int n) { return SendBytes(out, {op::kSelectMode, n}); }
inline int SaveMode(ReportSink& out, int n) { return SendBytes(out, {op::kSaveMode, n}); }
inline int LoadMode(ReportSink& out, int n) { return SendBytes(out, {op::kLoadMode, n}); }
inline int ResetMode(ReportSink& out, int n) { return SendBytes(out, {op::kResetMode, n}); }
inline int McuImageCheck(ReportSink& out) {
    return SendBytes(out, {op::kMcuImageCheck, op::kMcuTag[0], op::kMcuTag[1], op::kMcuTag[2]});
}
// MCU image transfer: prepare, start, then per block a mark and its data
// pieces (offset hi lo, n, bytes), then the end carrying the image's head.
inline int McuPrepare(ReportSink& out) {
    return SendBytes(out, {op::kMcuPrepare, op::kMcuPrepareTag[0], op::kMcuPrepareTag[1],
                           op::kMcuPrepareTag[2]});
}
inline int McuImageStart(ReportSink& out) {
    return SendBytes(out, {op::kMcuImageStart, op::kMcuStartTag[0], op::kMcuStartTag[1],
                           op::kMcuStartTag[2]});
}
inline int McuBlockMark(ReportSink& out, uint32_t offset) {
    return SendBytes(out, {op::kMcuBlockMark, int(offset >> 8 & 0xFF), int(offset & 0xFF)});
}
inline int McuImageData(ReportSink& out, std::span<const uint8_t> offsetCountBytes) {
    return SendCommand(out, op::kMcuImageData, offsetCountBytes);
}
inline int McuImageEnd(ReportSink& out, uint8_t h0, uint8_t h1, uint8_t h2) {
    return SendBytes(out, {op::kMcuImageEnd, op::kMcuTag[0], op::kMcuTag[1], op::kMcuTag[2], h0, h1, h2});
}
inline int Restart(ReportSink& out) { return SendBytes(out, {op::kRestart}); }
inline int EnterUpgradeMode(ReportSink& out) { return SendBytes(out, {op::kEnterUpgradeMode}); }
// DSP flash: erase the sector holding address, write a piece, read one back.
int FlashErase(ReportSink& out, uint32_t address);
int FlashWrite(ReportSink& out, uint32_t address, const uint8_t* piece);  // kFlashPiece bytes
int FlashRead(ReportSink& out, uint32_t address);
// The identity requests, in the order the unit is asked: model name,
// protocol version, MCU version.
inline void Identity(ReportSink& out) {
    ModelName(out);
    ProtocolVersion(out);
    McuVersion(out);
}
}  // namespace req

}  // namespace udare
