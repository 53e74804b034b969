#include <algorithm>

#include "protocol/commands.h"

namespace udare {

namespace {

constexpr int kModeCount = 4;
constexpr int kSelectToSaveMs = 20;

int selectMode(Ctx& c, int n) {
    n = std::clamp(n, 0, kModeCount - 1);
    c.st.currentMode.store(n, std::memory_order_relaxed);
    return n;
}

void startSyncIfGiven(const StartSync& startSync) {
    if (startSync) startSync();
}

template <int N>
void sendBlock(Ctx& c, uint8_t command, const ByteBlock<N>& block) {
    const auto bytes = block.copy();
    SendCommand(c.out, command, bytes);
}

}  // namespace

void LoadMode(Ctx& c, int n, const StartSync& startSync) {
    n = selectMode(c, n);
    SendBytes(c.out, {0x05, n});
    startSyncIfGiven(startSync);
}

void SaveMode(Ctx& c, int n) {
    n = selectMode(c, n);
    c.st.settingsModified.store(0, std::memory_order_relaxed);
    SendBytes(c.out, {0x04, n});
}

void ResetMode(Ctx& c, int n, const StartSync& startSync) {
    n = selectMode(c, n);
    SendBytes(c.out, {0x06, n});
    startSyncIfGiven(startSync);
}

void SelectAndSaveMode(Ctx& c, int n) {
    n = selectMode(c, n);
    SendBytes(c.out, {0x03, n});
    c.clock.sleepMs(kSelectToSaveMs);
    SendBytes(c.out, {0x04, n});
}

void RequestCurrentMode(Ctx& c) { SendBytes(c.out, {0x07}); }

void LearnRemoteKey(Ctx& c, int key) {
    // Byte 0 of the table is its header; the keys are 1-15.
    if (key < 1 || key >= RemoteKeyTable::kSize) return;
    SendBytes(c.out, {0x60, key});
}

void CancelLearning(Ctx& c) { SendBytes(c.out, {0x61}); }
void ReadRemoteKeys(Ctx& c) { SendBytes(c.out, {0x62}); }
void WriteRemoteKeys(Ctx& c) { sendBlock(c, 0x63, c.st.remoteKeys); }

void ReadMachineSettings(Ctx& c) { SendBytes(c.out, {0x92}); }

void ApplyMachineSettings(Ctx& c) {
    const auto working = c.st.machine.working.copy();
    c.st.machine.committed.assign(working);
    SendCommand(c.out, 0x91, working);
}

void RevertMachineSettings(Ctx& c) { c.st.machine.working.assign(c.st.machine.committed.copy()); }

void ResetMachine(Ctx& c) { SendBytes(c.out, {0x68, 0xAA}); }

}  // namespace udare
