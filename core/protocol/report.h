// The 61-byte report and its builders. Every report the program sends goes
// through a ReportSink, so a trace of the wire can be taken there.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

namespace udare {

inline constexpr int kReportSize = 61;
inline constexpr uint8_t kReportId = 0x02;
using HidReport = std::array<uint8_t, kReportSize>;

// Where built reports go: the link in the programs, a recorder in tests.
class ReportSink {
public:
    virtual ~ReportSink() = default;
    // Sends len bytes zero-padded to 61; returns the bytes written (61), or 0 if dropped.
    virtual int writeReport(const uint8_t* data, size_t len) = 0;
    // Lets the next write go without waiting for the reply to the previous
    // one (the link paces its writes by replies); other sinks do not wait.
    virtual void releaseWriter() {}
};

// Upper-case hex, single spaces: "02 09 00 ...".
std::string hexReport(const uint8_t* data, size_t len = kReportSize);
// A line of both programs' traces: "> 02 09 ..." sent, "< 02 0A ..." received;
// all 61 bytes, zero-padded when a read was short. No line end.
std::string TraceLine(bool sent, const uint8_t* data, size_t len);

// kReportId then the arguments; stops at a -1 and after 60 bytes.
int SendBytes(ReportSink& out, std::initializer_list<int> args);
int SendBytes(ReportSink& out, std::span<const int> args);
// kReportId, the command, then raw payload bytes (at most 59).
int SendCommand(ReportSink& out, uint8_t command, std::span<const uint8_t> payload);

// op::kWriteParam, each of count values float(v / 100.0).
int WriteParamPercent(ReportSink& out, int group, int code, int v, int count);
// op::kWriteParam, each of count values the given 32-bit pattern.
int WriteParamRaw(ReportSink& out, int group, int code, uint32_t bits, int count);
// op::kWriteParam with 4*count bytes already in wire order.
int WriteParamBlock(ReportSink& out, int group, int code, const uint8_t* wireBytes, int count);
// op::kWriteParam, count 5: the floats in the order given (-a1, -a2, b0, b1, b2).
int WriteBandCoefficients(ReportSink& out, int group, int band, const float coeffs[5]);
// op::kReadParam request.
int ReadParam(ReportSink& out, int group, int code, int count);
// op::kWriteEqBytes: n (<= 56) image bytes at offset.
int WriteEqBytes(ReportSink& out, int offset, int n, const uint8_t* bytes);
// op::kReadEqBytes request.
int ReadEqBytes(ReportSink& out, int offset, int n);

// Builders into a report, for the virtual unit and tests.
HidReport buildParamReport(uint8_t command, int group, int code, const uint32_t* values, int count);

}  // namespace udare
