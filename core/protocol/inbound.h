// Reports from the unit: every one the read thread receives is dispatched
// here by its command byte into DeviceState, the dispatcher's flags, or the
// upgrade transfer state.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "protocol/context.h"

namespace udare {

// What the upgrade workers let the dispatcher see. Both parts are optional:
// an unarmed check and a detached buffer make the matching replies no-ops.
struct UpgradeHooks {
    // MCU image check: the unit echoes the first three bytes of the image it
    // received (0x03 E4 00 x o0 o1 o2); a match sets mcuCheckPassed.
    void armMcuCheck(uint8_t h0, uint8_t h1, uint8_t h2) {
        mcuImageHead[0].store(h0, std::memory_order_relaxed);
        mcuImageHead[1].store(h1, std::memory_order_relaxed);
        mcuImageHead[2].store(h2, std::memory_order_relaxed);
        mcuCheckPassed.store(0, std::memory_order_relaxed);
        mcuCheckArmed.store(true, std::memory_order_release);
    }
    void disarmMcuCheck() { mcuCheckArmed.store(false, std::memory_order_release); }

    std::array<std::atomic<uint8_t>, 3> mcuImageHead{};
    std::atomic<bool> mcuCheckArmed{false};
    std::atomic<int> mcuCheckPassed{0};

    // DSP read-back: replies 0xDE copy their 32 bytes into the buffer when the
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

// Missing bytes of a short report count as 0; bytes past 61 are ignored.
// Never fails; every value the unit sends leaves DeviceState consistent.
void DispatchReport(Ctx& c, const uint8_t* report, size_t len);

// The 0x0A reply decoder: b3 group, b4 code, values from b6. The report
// must hold 61 bytes.
void DecodeParamReply(Ctx& c, const uint8_t* report);

// The text shown for a flash status byte (1 ... ; 0 is never shown).
std::string FlashErrorText(int code);

}  // namespace udare
