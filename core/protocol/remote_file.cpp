#include "protocol/remote_file.h"

#include <algorithm>
#include <vector>

#include "protocol/commands.h"
#include "protocol/mode_file.h"

namespace udare {

std::string RemoteKeyFilePath(const std::string& path) {
    size_t slash = path.rfind('/');
    size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = path.rfind('.');
    // A leading dot names a hidden file; it is not an extension.
    std::string stem = dot != std::string::npos && dot > nameStart ? path.substr(0, dot) : path;
    return stem + "." + kRemoteKeyExtension;
}

int LoadRemoteKeyFile(Ctx& c, const std::string& path) {
    std::vector<uint8_t> bytes;
    if (ReadFileHead(path, RemoteKeyTable::kSize, bytes) != 0) return 0;
    LoadRemoteKeyBytes(c, bytes);
    return 1;
}

void LoadRemoteKeyBytes(Ctx& c, std::span<const uint8_t> bytes) {
    const size_t n = std::min<size_t>(bytes.size(), RemoteKeyTable::kSize);
    c.st.remoteKeys.write(0, int(n), bytes.data());
    WriteRemoteKeys(c);
}

int SaveRemoteKeyFile(Ctx& c, const std::string& path) {
    auto table = c.st.remoteKeys.copy();
    int err = ReplaceFileContents(path, table.data(), table.size());
    if (err) {
        ShowCannotWrite(c.prompter, err, path);
        return 0;
    }
    return 1;
}

}  // namespace udare
