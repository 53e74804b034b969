// Any bytes loaded as a remote-key file: the first (up to) 16 become the
// table, the rest stays, and exactly that table is sent once.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "protocol/opcodes.h"
#include "protocol/remote_file.h"

namespace {

using namespace udare;

class Sink final : public ReportSink {
public:
    int writeReport(const uint8_t* data, size_t len) override {
        reports.emplace_back(data, data + len);
        return kReportSize;
    }
    std::vector<std::vector<uint8_t>> reports;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DeviceState st;
    Sink sink;
    AutoPrompter prompter;
    Ctx c{st, sink, SystemClock::instance(), NullLog::instance(), NullNotifier::instance(), prompter};
    LoadRemoteKeyBytes(c, std::span<const uint8_t>(data, size));

    uint8_t expected[16];
    std::memcpy(expected, kInitialRemoteKeys, 16);
    std::memcpy(expected, data, size < 16 ? size : 16);
    for (int i = 0; i < 16; ++i)
        if (st.remoteKeys[i] != expected[i]) std::abort();
    if (sink.reports.size() != 1) std::abort();
    const std::vector<uint8_t>& r = sink.reports[0];
    if (r.size() < 18 || r[0] != kReportId || r[1] != op::kWriteRemoteKeys ||
        std::memcmp(&r[2], expected, 16) != 0)
        std::abort();
    return 0;
}
