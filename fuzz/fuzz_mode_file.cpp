// Any bytes loaded as a mode file: they load, and what they loaded saves and
// loads back to the same state. All in memory: the file I/O around it is thin.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "protocol/mode_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace udare;
    const uint8_t protocol = uint8_t(size % 4);  // 0 .. 3: every Sub fix-up path
    DeviceState st;
    st.identity.protocolVersion = protocol;
    LoadModeFileBytes(st, std::span<const uint8_t>(data, size));
    const auto saved = ModeFileBytes(st);
    if (IsOldModeFileHeader(saved) || WholeModeFileSize(saved) != saved.size()) std::abort();

    DeviceState again;
    again.identity.protocolVersion = protocol;
    LoadModeFileBytes(again, saved);
    StateSnapshot a = snapshot(st), b = snapshot(again);
    if (a.params != b.params || a.image != b.image) std::abort();
    return 0;
}
