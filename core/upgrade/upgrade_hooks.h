// What the firmware upgrades share with the read thread: the transfer gate a
// flash error closes while its box is up, the MCU image check and the DSP
// read-back buffer. The session makes one set and hands it to the link; the
// dispatcher feeds it and the upgrade workers read it.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "protocol/context.h"

namespace udare {

struct UpgradeHooks {
    // 0 while a flash error box is up: the DSP transfer waits for it.
    std::atomic<int> transferGate{1};

    // MCU image check: the unit echoes the first three bytes of the image it
    // received (op::kMcuImageCheck E4 00 x o0 o1 o2); a match sets mcuCheckPassed.
    void armMcuCheck(uint8_t h0, uint8_t h1, uint8_t h2) {
        mcuImageHead[0].store(h0, std::memory_order_relaxed);
        mcuImageHead[1].store(h1, std::memory_order_relaxed);
        mcuImageHead[2].store(h2, std::memory_order_relaxed);
        mcuCheckPassed.store(0, std::memory_order_relaxed);
        mcuCheckArmed.store(true, std::memory_order_release);
    }
    void disarmMcuCheck() { mcuCheckArmed.store(false, std::memory_order_release); }
    // 1 from the start of a transfer until the unit confirms its image, else 0.
    int verifyPending() const { return mcuCheckArmed.load() && mcuCheckPassed.load() == 0 ? 1 : 0; }
    // The unit's answer to the check: its three echoed bytes.
    void mcuCheckReply(const uint8_t echoed[3]);

    std::array<std::atomic<uint8_t>, 3> mcuImageHead{};
    std::atomic<bool> mcuCheckArmed{false};
    std::atomic<int> mcuCheckPassed{0};

    // DSP read-back: op::kFlashRead replies copy their 32 bytes into the buffer when the
    // address falls inside [base, base + size). The worker detaches the
    // buffer before it compares it; the lock orders the copies before that.
    void attachReadBack(uint8_t* buffer, size_t size, uint32_t base) {
        std::lock_guard<std::mutex> l(readBackLock_);
        readBack_ = buffer;
        readBackSize_ = size;
        readBackBase_ = base;
    }
    void detachReadBack() { attachReadBack(nullptr, 0, 0); }
    // Copies 32 bytes when they lie wholly inside the buffer; true if copied.
    bool storeReadBack(uint32_t address, const uint8_t* data32);

private:
    std::mutex readBackLock_;
    uint8_t* readBack_ = nullptr;
    size_t readBackSize_ = 0;
    uint32_t readBackBase_ = 0;
};

// Asks the unit to check the MCU image it received (after the transfer).
void RequestMcuCheck(Ctx& c);
// Whether nothing is left to confirm (verifyPending() is 0); false without hooks.
bool McuCheckPassed(const Ctx& c);

// The text shown for a flash status byte (1 ... ; 0 is never shown).
std::string FlashErrorText(int code);
// The error box for a flash status, with the transfer gate closed while it is up.
void ShowFlashError(Ctx& c, int code);

}  // namespace udare
