#include "protocol/remote_file.h"

#include <cstdio>

#include "protocol/mode_file.h"
#include "protocol/commands.h"
#include "protocol/report.h"

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
    uint8_t bytes[RemoteKeyTable::kSize];
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    size_t n = std::fread(bytes, 1, sizeof bytes, f);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return 0;

    c.st.remoteKeys.write(0, int(n), bytes);
    WriteRemoteKeys(c);
    return 1;
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
