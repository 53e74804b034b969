#include "upgrade/upgrade_hooks.h"

#include <cstring>
#include <iterator>

#include "protocol/opcodes.h"
#include "protocol/report.h"

namespace udare {

void UpgradeHooks::mcuCheckReply(const uint8_t echoed[3]) {
    if (!mcuCheckArmed.load(std::memory_order_acquire)) return;
    for (int i = 0; i < 3; ++i)
        if (mcuImageHead[i].load(std::memory_order_relaxed) != echoed[i]) return;
    mcuCheckPassed.store(1);
}

bool UpgradeHooks::storeReadBack(uint32_t address, const uint8_t* data32) {
    std::lock_guard<std::mutex> l(readBackLock_);
    if (!readBack_ || address < readBackBase_) return false;
    uint64_t offset = uint64_t(address) - readBackBase_;
    if (offset + 32 > readBackSize_) return false;
    std::memcpy(readBack_ + offset, data32, 32);
    return true;
}

void RequestMcuCheck(Ctx& c) { req::McuImageCheck(c.out); }

bool McuCheckPassed(const Ctx& c) { return c.upgrade && c.upgrade->verifyPending() == 0; }

std::string FlashErrorText(int code) {
    static constexpr const char* kTexts[] = {
        "No Error",        "POLL_TIMEOUT",     "VERIFY_WRITE",        "INVALID_SECTOR",
        "INVALID_BLOCK",   "UNKNOWN_COMMAND",  "PROCESS_COMMAND_ERR", "NOT_READ_ERROR",
        "DRV_NOTAT_BREAK", "BUFFER_IS_NULL",   "NO_ACCESS_SECTOR",    "NUM_ERROR_CODES",
    };
    if (code >= 0 && code < int(std::size(kTexts))) return kTexts[code];
    return "UNKNOWN_ERROR_" + std::to_string(code);
}

void ShowFlashError(Ctx& c, int code) {
    // The transfer pauses while the user reads the box.
    if (c.upgrade) c.upgrade->transferGate.store(0);
    c.prompter.messageBox(FlashErrorText(code), "错误", Prompter::Icon::Error);
    if (c.upgrade) c.upgrade->transferGate.store(1);
}

}  // namespace udare
