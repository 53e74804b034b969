// Any file loaded as a mode file: it loads, and what it loaded saves and
// loads back to the same state.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "protocol/mode_file.h"

namespace {

using namespace udare;

class Sink final : public ReportSink {
public:
    int writeReport(const uint8_t*, size_t) override { std::abort(); }  // loading sends nothing
};

std::string tempPath(const char* what) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/udare-fuzz-" + what + "-" +
           std::to_string(getpid()) + ".vxs";
}

bool writeFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input = tempPath("mode-in");
    static const std::string saved = tempPath("mode-out");
    if (!writeFile(input, data, size)) return 0;

    const uint8_t protocol = uint8_t(size % 4);  // 0 .. 3: every Sub fix-up path
    DeviceState st;
    st.identity.protocolVersion = protocol;
    Sink sink;
    AutoPrompter prompter;
    Ctx c{st, sink, SystemClock::instance(), NullLog::instance(), NullNotifier::instance(), prompter};
    if (LoadModeFile(c, input) != 1) std::abort();
    if (SaveModeFile(c, saved) != 1) std::abort();

    DeviceState again;
    again.identity.protocolVersion = protocol;
    Ctx c2{again, sink, SystemClock::instance(), NullLog::instance(), NullNotifier::instance(),
           prompter};
    if (LoadModeFile(c2, saved) != 1) std::abort();
    StateSnapshot a = snapshot(st), b = snapshot(again);
    if (a.params != b.params || a.image != b.image) std::abort();

    std::remove(input.c_str());
    std::remove(saved.c_str());
    return 0;
}
