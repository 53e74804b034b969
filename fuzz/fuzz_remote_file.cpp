// Any file loaded as a remote-key file: its first (up to) 16 bytes become
// the table, the rest stays, and exactly that table is sent once.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        return std::string(dir && *dir ? dir : "/tmp") + "/udare-fuzz-remote-" +
               std::to_string(getpid()) + ".remo";
    }();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    bool written = std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !written) return 0;

    DeviceState st;
    Sink sink;
    AutoPrompter prompter;
    Ctx c{st, sink, SystemClock::instance(), NullLog::instance(), NullNotifier::instance(), prompter};
    if (LoadRemoteKeyFile(c, path) != 1) std::abort();

    uint8_t expected[16];
    std::memcpy(expected, kInitialRemoteKeys, 16);
    std::memcpy(expected, data, size < 16 ? size : 16);
    for (int i = 0; i < 16; ++i)
        if (st.remoteKeys[i] != expected[i]) std::abort();
    if (sink.reports.size() != 1) std::abort();
    const std::vector<uint8_t>& r = sink.reports[0];
    if (r.size() < 18 || r[0] != 0x02 || r[1] != 0x63 || std::memcmp(&r[2], expected, 16) != 0)
        std::abort();
    std::remove(path.c_str());
    return 0;
}
