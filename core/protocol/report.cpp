#include "protocol/report.h"

#include <algorithm>
#include <cstdio>

#include "protocol/codec.h"
#include "protocol/opcodes.h"

namespace udare {

std::string hexReport(const uint8_t* data, size_t len) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    s.reserve(len * 3);
    for (size_t i = 0; i < len; ++i) {
        if (i) s.push_back(' ');
        s.push_back(digits[data[i] >> 4]);
        s.push_back(digits[data[i] & 15]);
    }
    return s;
}

std::string TraceLine(bool sent, const uint8_t* data, size_t len) {
    HidReport r{};
    std::copy_n(data, std::min(len, r.size()), r.begin());
    return std::string(sent ? "> " : "< ") + hexReport(r.data(), r.size());
}

static int emit(ReportSink& out, const HidReport& r) { return out.writeReport(r.data(), r.size()); }

int SendBytes(ReportSink& out, std::span<const int> args) {
    HidReport r{};
    r[0] = kReportId;
    size_t n = 0;
    for (int a : args) {
        if (a == -1 || n == kReportSize - 1) break;
        r[1 + n++] = static_cast<uint8_t>(a);
    }
    return emit(out, r);
}

int SendBytes(ReportSink& out, std::initializer_list<int> args) {
    return SendBytes(out, std::span<const int>(args.begin(), args.size()));
}

int SendCommand(ReportSink& out, uint8_t command, std::span<const uint8_t> payload) {
    HidReport r{};
    r[0] = kReportId;
    r[1] = command;
    size_t n = std::min(payload.size(), size_t(kReportSize - 2));
    std::copy_n(payload.begin(), n, r.begin() + 2);
    return emit(out, r);
}

static constexpr int kMaxValues = 7;

HidReport buildParamReport(uint8_t command, int group, int code, const uint32_t* values,
                           int count) {
    HidReport r{};
    count = std::clamp(count, 0, kMaxValues);
    r[0] = kReportId;
    r[1] = command;
    r[3] = static_cast<uint8_t>(group);
    r[4] = static_cast<uint8_t>(code);
    r[5] = static_cast<uint8_t>(count);
    for (int k = 0; k < count; ++k) putBe32(&r[6 + 4 * k], values[k]);
    return r;
}

int WriteParamRaw(ReportSink& out, int group, int code, uint32_t bits, int count) {
    uint32_t v[kMaxValues];
    std::fill(v, v + kMaxValues, bits);
    return emit(out, buildParamReport(op::kWriteParam, group, code, v, count));
}

int WriteParamPercent(ReportSink& out, int group, int code, int v, int count) {
    return WriteParamRaw(out, group, code, enc::percent(v), count);
}

int WriteParamBlock(ReportSink& out, int group, int code, const uint8_t* wireBytes, int count) {
    count = std::clamp(count, 0, kMaxValues);
    HidReport r = buildParamReport(op::kWriteParam, group, code, nullptr, 0);
    r[5] = static_cast<uint8_t>(count);
    std::copy_n(wireBytes, 4 * count, r.begin() + 6);
    return emit(out, r);
}

int WriteBandCoefficients(ReportSink& out, int group, int band, const float coeffs[5]) {
    uint32_t v[5];
    for (int k = 0; k < 5; ++k) v[k] = floatBits(coeffs[k]);
    return emit(out, buildParamReport(op::kWriteParam, group, band, v, 5));
}

int ReadParam(ReportSink& out, int group, int code, int count) {
    return SendBytes(out, {op::kReadParam, 0x00, group & 0xFF, code & 0xFF, count & 0xFF});
}

int WriteEqBytes(ReportSink& out, int offset, int n, const uint8_t* bytes) {
    n = std::clamp(n, 0, 56);
    HidReport r{};
    r[0] = kReportId;
    r[1] = op::kWriteEqBytes;
    r[2] = static_cast<uint8_t>(offset >> 8);
    r[3] = static_cast<uint8_t>(offset);
    r[4] = static_cast<uint8_t>(n);
    std::copy_n(bytes, n, r.begin() + 5);
    return emit(out, r);
}

int ReadEqBytes(ReportSink& out, int offset, int n) {
    return SendBytes(out, {op::kReadEqBytes, (offset >> 8) & 0xFF, offset & 0xFF, n & 0xFF});
}

}  // namespace udare

namespace udare::req {

namespace {
// Byte 2 stays 0 (the unit answers its status there), the address follows.
int sendFlash(ReportSink& out, uint8_t command, uint32_t address, const uint8_t* piece) {
    uint8_t payload[5 + op::kFlashPiece] = {0};
    putBe32(payload + 1, address);
    size_t n = 5;
    if (piece) {
        std::copy_n(piece, op::kFlashPiece, payload + 5);
        n += op::kFlashPiece;
    }
    return SendCommand(out, command, std::span<const uint8_t>(payload, n));
}
}  // namespace

int FlashErase(ReportSink& out, uint32_t address) { return sendFlash(out, op::kFlashErase, address, nullptr); }
int FlashWrite(ReportSink& out, uint32_t address, const uint8_t* piece) {
    return sendFlash(out, op::kFlashWrite, address, piece);
}
int FlashRead(ReportSink& out, uint32_t address) { return sendFlash(out, op::kFlashRead, address, nullptr); }

}  // namespace udare::req
