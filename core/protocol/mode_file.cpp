#include "protocol/mode_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "protocol/report.h"

namespace udare {

namespace {

using Icon = Prompter::Icon;

constexpr const char* kCannotWriteCaption = "Can't write to file";

void putSubLayout(DeviceState& st, const BandCode (&layout)[20]) {
    for (int k = 0; k < 20; ++k) {
        auto rec = encodeBandCode(kGainCodeZero, layout[k]);
        st.eqImage.write(bandOffset(Eq::Sub, k), kBandRecordSize, rec.data());
    }
}

int writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= size_t(n);
    }
    return 0;
}

std::string dirOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes in place: for targets that are not regular files (devices, pipes).
int writeInPlace(const std::string& path, const uint8_t* data, size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return errno;
    int err = writeAll(fd, data, size);
    if (::close(fd) != 0 && !err) err = errno;
    return err;
}

}  // namespace

bool IsOldModeFileHeader(std::span<const uint8_t> bytes) {
    static constexpr char kOld[] = "ver1.0.0";
    const size_t units = std::min<size_t>(bytes.size(), kModeFileHeaderSize) / 2;
    for (size_t i = 0;; ++i) {
        char16_t u = i < units ? char16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8)) : 0;
        if (i == sizeof kOld - 1) return u == 0;
        if (u == 0 || u > 0x7F) return false;  // not ASCII
        char ch = static_cast<char>(u);
        if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
        if (ch != kOld[i]) return false;
    }
}

size_t WholeModeFileSize(std::span<const uint8_t> bytes) {
    return size_t(IsOldModeFileHeader(bytes) ? kModeFileSizeV100 : kModeFileSize);
}

int ReadFileHead(const std::string& path, size_t max, std::vector<uint8_t>& out) {
    out.assign(max, 0);
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        out.clear();
        return errno ? errno : ENOENT;
    }
    errno = 0;
    const size_t n = std::fread(out.data(), 1, max, f);
    const int err = std::ferror(f) ? (errno ? errno : EIO) : 0;
    std::fclose(f);
    out.resize(err ? 0 : n);
    return err;
}

void ShowCannotWrite(Prompter& prompter, int err, const std::string& path) {
    std::string text = "Errcode=" + std::to_string(err) + ",Can't write to file:\n" + path +
                       "\nProbaby it is write protected.";
    prompter.messageBox(text, kCannotWriteCaption, Icon::Warning);
}

int ReplaceFileContents(const std::string& path, const uint8_t* data, size_t size) {
    if (path.empty()) return ENOENT;
    // Replace the file a link points to, not the link.
    std::string target = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists) {
        if (S_ISDIR(info.st_mode)) return EISDIR;
        if (!S_ISREG(info.st_mode)) return writeInPlace(target, data, size);
        // A write-protected file stays protected.
        if (::access(target.c_str(), W_OK) != 0) return errno;
    }

    const std::string dir = dirOf(target);
    const std::string stem = dir + "/." + baseOf(target) + ".tmp" + std::to_string(::getpid());
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = stem + "." + std::to_string(attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) return EEXIST;
    if (exists) (void)::fchmod(fd, info.st_mode & 07777);

    int err = writeAll(fd, data, size);
    if (!err && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(temp.c_str());
        return err;
    }
    // Make the rename itself durable; a failure here loses nothing.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return 0;
}

std::array<uint8_t, kModeFileSize> ModeFileBytes(const DeviceState& st) {
    std::array<uint8_t, kModeFileSize> b{};
    for (int i = 0; kModeFileHeader[i]; ++i) b[2 * i] = uint8_t(kModeFileHeader[i]);  // UTF-16LE
    st.eqImage.read(0, kImageSize, b.data() + kModeFileHeaderSize);
    uint8_t* p = b.data() + kModeFileHeaderSize + kImageSize;
    for (int s = 0; s < kSlotCount; ++s) {
        uint32_t v = st.params.bits(s);
        for (int k = 0; k < 4; ++k) p[4 * s + k] = uint8_t(v >> (8 * k));
    }
    return b;
}

int SaveModeFile(Ctx& c, const std::string& path) {
    auto bytes = ModeFileBytes(c.st);
    int err = ReplaceFileContents(path, bytes.data(), bytes.size());
    if (err) {
        ShowCannotWrite(c.prompter, err, path);
        return 0;
    }
    return 1;
}

int LoadModeFile(Ctx& c, const std::string& path) {
    std::vector<uint8_t> bytes;
    if (ReadFileHead(path, kModeFileSize, bytes) != 0) {
        c.prompter.messageBox("Can't write to file:\n" + path + "\nProbaby it is write protected.",
                              kCannotWriteCaption, Icon::Warning);
        return 0;
    }
    LoadModeFileBytes(c.st, bytes);
    return 1;
}

void LoadModeFileBytes(DeviceState& st, std::span<const uint8_t> bytes) {
    const bool v100 = IsOldModeFileHeader(bytes);
    const size_t imageSize = v100 ? kImageSizeProtocol1 : kImageSize;
    const size_t slots = v100 ? kModeFileSlotsV100 : kSlotCount;
    const size_t n = bytes.size();

    size_t at = kModeFileHeaderSize;
    size_t imageBytes = n > at ? std::min(n - at, imageSize) : 0;
    st.eqImage.write(0, int(imageBytes), bytes.data() + std::min(at, n));
    at += imageSize;
    // Only whole slots: a torn slot would hold a value nobody wrote.
    size_t slotCount = n > at ? std::min((n - at) / 4, slots) : 0;
    for (size_t s = 0; s < slotCount; ++s) {
        const uint8_t* p = bytes.data() + at + 4 * s;
        st.params.setBits(int(s), uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                      uint32_t(p[3]) << 24);
    }

    const int protocol = st.protocol();
    if (protocol == 1)
        putSubLayout(st, kSubProtocol1);
    else if (protocol >= 2 && v100)
        putSubLayout(st, kSubDefault);
}

}  // namespace udare
