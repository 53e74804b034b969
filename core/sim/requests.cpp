// Request handling: parameters, modes, identity, remote keys and settings.
#include "protocol/codec.h"
#include "protocol/equalisers.h"
#include "protocol/opcodes.h"
#include "protocol/slots.h"
#include "sim/unit_core.h"

namespace udare::sim {

// Scalar addresses the unit has: every code of the slot table, the second
// value of feedback suppression (1 '7'), and the second codes of reverb time
// and pitch that the table lists as alternates.
bool knownScalar(int group, int code, int protocol) {
    if (group < GROUP_MIC || group > GROUP_SUB) return false;
    if (group == GROUP_MIC && code == '7') return true;
    const int s = findSlot(group, char(code));
    // Units of protocol 1 have no output delays.
    return s >= 0 && (protocol >= 2 || kSlots[s].read != Read::Protocol2);
}

void VirtualUnit::Core::process(const HidReport& in, std::vector<HidReport>& out,
                                TimePoint due) {
    if (processMcuFlash(in, out, due)) return;
    const uint8_t cmd = in[1];
    const int protocol = opt.protocol;
    switch (cmd) {
    case op::kSelectMode: {
        HidReport r = reply(cmd);
        if (in[2] <= 3) currentMode = in[2];
        r[2] = in[2];
        out.push_back(r);
        return;
    }
    case op::kSaveMode:
        if (in[2] <= 3) {
            modes[in[2]] = cur;
            currentMode = in[2];
        }
        out.push_back(reply(cmd));
        return;
    case op::kLoadMode:
        if (in[2] <= 3) loadMode(in[2]);
        out.push_back(reply(cmd));
        return;
    case op::kResetMode:
        if (in[2] <= 3) {
            modes[in[2]] = factorySettings(in[2], protocol);
            loadMode(in[2]);
        }
        out.push_back(reply(cmd));
        return;
    case op::kCurrentMode: {
        HidReport r = reply(cmd);
        r[2] = uint8_t(currentMode);
        out.push_back(r);
        return;
    }
    case op::kWriteParam: {
        int g = in[3], code = in[4], count = in[5];
        if (g >= GROUP_MIC && g <= GROUP_SUB && count >= 1 && count <= 7) {
            if (code < kFirstCode) {
                if (count == 5 && code < groupBands(g, protocol))
                    for (int k = 0; k < 5; ++k) cur.coeffs[g][code][k] = getBe32(in.data() + 6 + 4 * k);
            } else if (code < kFirstCode + kCodeSlots) {
                for (int k = 0; k < count; ++k)
                    cur.values[g][code - kFirstCode][k] = getBe32(in.data() + 6 + 4 * k);
            }
        }
        HidReport r = in;  // the acknowledgement repeats the write
        out.push_back(r);
        return;
    }
    case op::kReadParam: {
        int g = in[3], code = in[4], count = std::min<int>(in[5], 7);
        HidReport r = reply(cmd);
        r[3] = in[3];
        r[4] = in[4];
        r[5] = uint8_t(count);
        const uint32_t* vals = nullptr;
        if (code < kFirstCode) {
            if (g >= GROUP_MIC && g <= GROUP_SUB && code < groupBands(g, protocol))
                vals = cur.coeffs[g][code].data();
            count = std::min(count, 5);
            r[5] = uint8_t(count);
        } else if (knownScalar(g, code, protocol)) {
            vals = cur.values[g][code - kFirstCode].data();
        }
        if (!vals) {
            r[2] = kErrBadAddress;
        } else {
            for (int k = 0; k < count; ++k) putBe32(r.data() + 6 + 4 * k, vals[k]);
        }
        out.push_back(r);
        return;
    }
    case op::kMeterLevels: {
        meter();
        HidReport r = reply(cmd);
        r[2] = levels[0];
        r[3] = levels[1];
        r[4] = levels[2];
        out.push_back(r);
        return;
    }
    case op::kLearnKey:
        // Learning: the answer comes when a key is pressed.
        if (in[2] >= 1 && in[2] <= 15) {
            learning = in[2];
            if (opt.learnMs >= 0) {
                Event e{due + milliseconds(opt.learnMs), EventKind::KeyPress};
                e.key = in[2];
                postEvent(e);
            }
            return;
        }
        out.push_back(reply(op::kCancelLearning));
        return;
    case op::kCancelLearning:
        learning = 0;
        out.push_back(reply(cmd));
        return;
    case op::kReadRemoteKeys: {
        HidReport r = reply(cmd);
        std::copy(remote.begin(), remote.end(), r.begin() + 2);
        out.push_back(r);
        return;
    }
    case op::kWriteRemoteKeys:
        std::copy(in.begin() + 2, in.begin() + 18, remote.begin());
        out.push_back(reply(cmd));
        return;
    case op::kResetMachine:
        out.push_back(reply(cmd));
        if (in[2] == op::kMachineResetKey) {
            ++restarts;
            scheduleRestart(due, false, true);
        }
        return;
    case op::kDspVersion: {
        HidReport r = reply(cmd);
        putText(r, opt.dspVersion, 10);
        out.push_back(r);
        return;
    }
    case op::kProtocolVersion: {
        HidReport r = reply(cmd);
        r[2] = uint8_t(opt.protocol);
        out.push_back(r);
        return;
    }
    case op::kModelName: {
        HidReport r = reply(cmd);
        putText(r, opt.model, 29);
        out.push_back(r);
        return;
    }
    case op::kMcuVersion: {
        HidReport r = reply(cmd);
        putText(r, opt.mcuVersion, 10);
        out.push_back(r);
        return;
    }
    case op::kWriteEqBytes: {
        int o = in[2] << 8 | in[3];
        int n = std::min<int>(in[4], kMaxPiece);
        if (o < imageSize) {
            n = std::min(n, imageSize - o);
            std::memcpy(cur.image.data() + o, in.data() + 5, size_t(n));
            noImage = false;
        }
        HidReport r = reply(cmd);
        r[2] = in[2];
        r[3] = in[3];
        r[4] = in[4];
        out.push_back(r);
        return;
    }
    case op::kReadEqBytes: {
        int o = in[2] << 8 | in[3];
        int n = std::min<int>(in[4], kMaxPiece);
        n = o < imageSize ? std::min(n, imageSize - o) : 0;
        HidReport r = reply(cmd);
        r[2] = in[2];
        r[3] = in[3];
        r[4] = uint8_t(n);
        if (noImage)
            std::fill(r.begin() + 5, r.begin() + 5 + std::max(n, 2), op::kNoImageByte);
        else if (n > 0)
            std::memcpy(r.data() + 5, cur.image.data() + o, size_t(n));
        out.push_back(r);
        return;
    }
    case op::kWriteMachineSettings:
        std::copy(in.begin() + 2, in.begin() + 2 + machine::kSize, machine.begin());
        out.push_back(reply(cmd));
        return;
    case op::kReadMachineSettings: {
        HidReport r = reply(cmd);
        std::copy(machine.begin(), machine.end(), r.begin() + 2);
        out.push_back(r);
        return;
    }
    case op::kExtendedBlock: {
        HidReport r = reply(cmd);
        r[2] = uint8_t(opt.extended);
        out.push_back(r);
        return;
    }
    case op::kExtendedInfo: {
        HidReport r = reply(cmd);
        r[2] = uint8_t(opt.extended);
        out.push_back(r);
        return;
    }
    default:
        out.push_back(reply(cmd));  // a short acknowledgement
        return;
    }
}

}  // namespace udare::sim
