// Any sequence of reports from the unit: split the input into 61-byte
// reports (the last may be short), dispatch each into a fresh state and
// check after every one that the state is still whole.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "protocol/inbound.h"
#include "upgrade/upgrade_hooks.h"

namespace {

using namespace udare;

class Sink final : public ReportSink {
public:
    int writeReport(const uint8_t*, size_t) override { return kReportSize; }
};

class Boxes final : public Prompter {
public:
    explicit Boxes(const UpgradeHooks& hooks) : hooks_(hooks) {}
    Answer messageBox(std::string_view, std::string_view caption, Icon, Buttons) override {
        if (caption == "Error") ++paramErrors;
        if (caption == "错误" && hooks_.transferGate.load() != 0) std::abort();  // gate must be shut
        return Answer::Ok;
    }
    int paramErrors = 0;

private:
    const UpgradeHooks& hooks_;
};

template <typename Field>
void checkText(const Field& f) {
    if (f.get().size() > size_t(Field::kUnits - 1)) std::abort();
}

constexpr size_t kGuard = 16;
constexpr size_t kReadBackSize = 128;

void check(const DeviceState& st, const UpgradeHooks& hooks, const Boxes& boxes,
           const std::vector<uint8_t>& readBack) {
    checkText(st.identity.modelName);
    checkText(st.identity.mcuVersion);
    checkText(st.identity.dspVersion);
    if (hooks.transferGate.load() != 1) std::abort();
    for (int flag : {st.settingsModified.load(), st.paramErrorShown.load()})
        if (flag != 0 && flag != 1) std::abort();
    if (boxes.paramErrors > 1) std::abort();
    for (const SlotInfo& s : kSlots)
        if (s.isFloat && !std::isfinite(st.slotFloat(s.index))) std::abort();
    int shift = st.slotInt(slot::fbcShift);
    if (shift < 0 || shift > 5) std::abort();
    int pitch = st.slotInt(slot::musicPitch);
    if (pitch < -12 || pitch > 12) std::abort();
    for (size_t i = 0; i < kGuard; ++i)
        if (readBack[i] != 0xA5 || readBack[readBack.size() - 1 - i] != 0xA5) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DeviceState st;
    Sink sink;
    UpgradeHooks hooks;
    Boxes boxes(hooks);
    hooks.armMcuCheck(0xAA, 0xBB, 0xCC);
    std::vector<uint8_t> readBack(kReadBackSize + 2 * kGuard, 0xA5);
    hooks.attachReadBack(readBack.data() + kGuard, kReadBackSize, 0x40);
    Ctx c{st, sink, SystemClock::instance(), NullLog::instance(), NullNotifier::instance(), boxes,
          &hooks};

    do {
        size_t n = size < size_t(kReportSize) ? size : size_t(kReportSize);
        // Exact-size copy so a read past the given length is caught.
        std::vector<uint8_t> report(data, data + n);
        DispatchReport(c, report.data(), report.size());
        check(st, hooks, boxes, readBack);
        data += n;
        size -= n;
    } while (size > 0);
    return 0;
}
