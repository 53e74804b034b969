// Stored values sent again through the operations that own them.
#include "protocol/commands.h"

namespace udare {

namespace {

bool listed(const std::vector<int>& slots, int s) {
    for (int x : slots)
        if (x == s) return true;
    return false;
}

const EqInfo* eqSwitchedBy(int s) {
    for (const EqInfo& e : kEqualisers)
        if (e.switchSlot == s) return &e;
    return nullptr;
}

int delayGroup(int s) {
    for (int g = GROUP_MAIN; g <= GROUP_SUB; ++g)
        for (Side side : {Side::Left, Side::Right})
            if (outputDelaySlot(g, side) == s || outputDelayOnSlot(g, side) == s) return g;
    return 0;
}

}  // namespace

void RewriteSlots(Ctx& c, const std::vector<int>& slots) {
    const auto held = c.st.params.copy();
    bool fbcDone = false, pitchSwitched = false, compDone[4] = {};
    for (int s : slots) {
        if (s < 0 || s >= kSlotCount) continue;
        const SlotInfo& info = kSlots[s];
        const int v = c.st.slotInt(s);
        if (const EqInfo* e = eqSwitchedBy(s)) {
            SetEqBypass(c, e->eq, v);
        } else if (s == slot::fbcShift || s == slot::fbcOff) {
            if (fbcDone) continue;
            fbcDone = true;
            SetFbcShift(c, c.st.slotInt(slot::fbcOff) == 1 ? 1 : c.st.slotInt(slot::fbcShift));
        } else if (info.wire == Wire::Compressor) {
            bool& done = compDone[info.group - GROUP_MAIN];
            if (done) continue;
            done = true;
            const int g = info.group;
            SetCompressor(c, g, c.st.slotFloat(outputSlot(g, COMP_THRESHOLD)), c.st.slotFloat(outputSlot(g, COMP_RATIO)),
                          c.st.slotFloat(outputSlot(g, COMP_ATTACK)), c.st.slotFloat(outputSlot(g, COMP_RELEASE)));
        } else if (s == slot::musicPitch) {
            // A listed bypass that the pitch itself asks for is switched by the
            // pitch operation, first, as when the pitch was set.
            const int bypass = static_cast<int>(held[static_cast<size_t>(slot::pitchBypass)]);
            if (listed(slots, slot::pitchBypass) && (v == 0) == (bypass == 1)) {
                c.st.setSlotInt(slot::pitchBypass, 1 - bypass);
                pitchSwitched = true;
            }
            SetMusicPitch(c, v);
        } else if (s == slot::pitchBypass) {
            if (!pitchSwitched) SetPitchBypass(c, static_cast<int>(held[static_cast<size_t>(s)]));
        } else if (s == slot::musicVolume) {
            SetMusicVolume(c, v);
        } else if (s == slot::musicMute) {
            SetMusicMute(c, v);
        } else if (s == slot::echoMute) {
            SetEchoMute(c, v);
        } else if (s == slot::reverbTime) {
            SetReverbTime(c, static_cast<int>(c.st.slotFloat(s)));
        } else if (info.group >= GROUP_MAIN && s == outputSlot(info.group, OUT_VOLUME)) {
            SetOutputVolume(c, info.group, v);
        } else if (const int g = delayGroup(s); g != 0) {
            const Side side = outputDelaySlot(g, Side::Right) == s || outputDelayOnSlot(g, Side::Right) == s
                                  ? Side::Right
                                  : Side::Left;
            if (s == outputDelaySlot(g, side))
                SetOutputDelay(c, g, side, c.st.slotFloat(s));
            else
                SetOutputDelayOn(c, g, side, v);
        } else {
            // Every other slot is written as its operation writes it: stored, then sent alone.
            SendSlot(c, s);
        }
    }
    c.st.params.assign(held);
}

}  // namespace udare
