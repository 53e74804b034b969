#include <algorithm>

#include "protocol/commands.h"
#include "protocol/opcodes.h"

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
    req::LoadMode(c.out, n);
    startSyncIfGiven(startSync);
}

void SaveMode(Ctx& c, int n) {
    n = selectMode(c, n);
    c.st.settingsModified.store(0, std::memory_order_relaxed);
    req::SaveMode(c.out, n);
}

void ResetMode(Ctx& c, int n, const StartSync& startSync) {
    n = selectMode(c, n);
    req::ResetMode(c.out, n);
    startSyncIfGiven(startSync);
}

void SelectAndSaveMode(Ctx& c, int n) {
    n = selectMode(c, n);
    req::SelectMode(c.out, n);
    c.clock.sleepMs(kSelectToSaveMs);
    req::SaveMode(c.out, n);
}

void RequestCurrentMode(Ctx& c) { req::CurrentMode(c.out); }

void LearnRemoteKey(Ctx& c, int key) {
    // Byte 0 of the table is its header; the keys are 1-15.
    if (key < 1 || key >= RemoteKeyTable::kSize) return;
    req::LearnKey(c.out, key);
}

void CancelLearning(Ctx& c) { req::CancelLearning(c.out); }

void GiveUpLearning(Ctx& c) {
    c.out.releaseWriter();
    CancelLearning(c);
}

void ReadRemoteKeys(Ctx& c) { req::RemoteKeys(c.out); }
void WriteRemoteKeys(Ctx& c) { sendBlock(c, op::kWriteRemoteKeys, c.st.remoteKeys); }

void ReadMachineSettings(Ctx& c) { req::MachineSettings(c.out); }

void ApplyMachineSettings(Ctx& c) {
    const auto working = c.st.machine.working.copy();
    c.st.machine.committed.assign(working);
    SendCommand(c.out, op::kWriteMachineSettings, working);
}

void RevertMachineSettings(Ctx& c) { c.st.machine.working.assign(c.st.machine.committed.copy()); }

void ResetMachine(Ctx& c) { req::ResetMachine(c.out); }

}  // namespace udare
