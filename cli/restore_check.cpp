#include "restore_check.h"

#include <cmath>
#include <cstring>

#include "protocol/codec.h"
#include "protocol/context.h"
#include "protocol/inbound.h"
#include "protocol/opcodes.h"
#include "reports.h"
#include "text.h"

namespace udare::cli {

namespace {

class DropSink final : public ReportSink {
public:
    int writeReport(const uint8_t*, size_t) override { return 0; }
};

// A bit pattern no decoder produces (a NaN with a marked payload).
constexpr uint32_t kUntouched = 0x7FC0DEADu;

bool sameValue(int slot, uint32_t a, uint32_t b) {
    if (a == b) return true;
    if (!kSlots[static_cast<size_t>(slot)].isFloat) return false;
    return bitsFloat(a) == bitsFloat(b);  // +0 and -0
}

std::string bandText(const uint8_t rec[7]) {
    const EqBandValue b = decodeBandRecord(rec);
    return format("type %d, %d Hz, %.1f dB, Q %.3f", b.type, b.freqHz, b.gainDb, b.q);
}

}  // namespace

WrittenState WrittenFromWire(const std::vector<HidReport>& sent) {
    WrittenState w;
    auto scratch = std::make_unique<DeviceState>();
    DropSink sink;
    Ctx c{*scratch, sink, SystemClock::instance(), NullLog::instance(), NullNotifier::instance(),
          AutoPrompter::instance(), nullptr};
    for (const HidReport& r : sent) {
        if (r[1] == op::kWriteEqBytes) {
            const int offset = r[2] * 256 + r[3];
            const int n = r[4];
            for (int i = 0; i < n && i < 56 && offset + i < kImageSize; ++i) {
                w.image[static_cast<size_t>(offset + i)] = r[static_cast<size_t>(5 + i)];
                w.byteWritten[static_cast<size_t>(offset + i)] = true;
            }
            continue;
        }
        if (r[1] != op::kWriteParam) continue;
        // A parameter write has the layout of a read reply: decode it as one.
        HidReport reply = r;
        reply[1] = op::kReadParam;
        reply[2] = 0;
        for (int i = 0; i < kSlotCount; ++i) scratch->params.setBits(i, kUntouched);
        DecodeParamReply(c, reply.data());
        for (int i = 0; i < kSlotCount; ++i) {
            const uint32_t v = scratch->params.bits(i);
            if (v == kUntouched) continue;
            w.slots[static_cast<size_t>(i)] = v;
            w.slotWritten[static_cast<size_t>(i)] = true;
        }
    }
    return w;
}

RestoreResult CompareWithUnit(const WrittenState& w, const DeviceState& st) {
    RestoreResult res;
    for (int i = 0; i < kSlotCount; ++i) {
        const size_t k = static_cast<size_t>(i);
        if (!w.slotWritten[k]) {
            res.notRestored.push_back(slotName(i));
            continue;
        }
        const uint32_t held = st.params.bits(i);
        if (sameValue(i, w.slots[k], held)) continue;
        const std::string written =
            kSlots[k].isFloat ? format("%.9g", bitsFloat(w.slots[k])) : format("%d", int32_t(w.slots[k]));
        res.mismatches.push_back(slotName(i) + ": " + written + " -> " + SlotValueText(st, i, false));
    }
    const int imageBytes = st.imageSize();
    for (const EqInfo& e : kEqualisers) {
        for (int b = 0; b < e.bands; ++b) {
            const int off = e.base + kBandRecordSize * b;
            bool all = true, any = false, differs = false;
            uint8_t held[7], written[7];
            for (int i = 0; i < kBandRecordSize; ++i) {
                const size_t p = static_cast<size_t>(off + i);
                all = all && w.byteWritten[p];
                any = any || w.byteWritten[p];
                held[i] = st.eqImage[off + i];
                written[i] = w.image[p];
                if (w.byteWritten[p] && held[i] != written[i]) differs = true;
            }
            const std::string name = format("%s.%d", e.name, b);
            if (off + kBandRecordSize > imageBytes) continue;  // the unit has no such band
            if (!any || !all) {
                res.notRestored.push_back(name);
                continue;
            }
            if (differs) res.mismatches.push_back(name + ": " + bandText(written) + " -> " + bandText(held));
        }
    }
    return res;
}

}  // namespace udare::cli
