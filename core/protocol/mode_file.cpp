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

// Mode images: two copies of each mode in the unit's memory.
constexpr int kModeImageStride = 0x1000;
constexpr int kModeImageMirror = 0x4000;
constexpr int kModeImageBlock = 32;
// An image must fit its mode's area, or it would overwrite the next mode.
constexpr size_t kModeImageMax = kModeImageStride;

bool headerIsV100(const uint8_t* header, size_t available) {
    static constexpr char kOld[] = "ver1.0.0";
    size_t units = available / 2;
    for (size_t i = 0;; ++i) {
        char16_t u = i < units ? char16_t(header[2 * i] | (header[2 * i + 1] << 8)) : 0;
        if (i == sizeof kOld - 1) return u == 0;
        if (u == 0 || u >= 0x80) return false;
        char ch = static_cast<char>(u);
        if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
        if (ch != kOld[i]) return false;
    }
}

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
    uint8_t buf[kModeFileSize];
    size_t n = 0;
    bool failed = true;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        n = std::fread(buf, 1, sizeof buf, f);
        failed = std::ferror(f) != 0;  // a directory opens but cannot be read
        std::fclose(f);
    }
    if (failed) {
        c.prompter.messageBox("Can't write to file:\n" + path + "\nProbaby it is write protected.",
                              kCannotWriteCaption, Icon::Warning);
        return 0;
    }

    const size_t header = std::min<size_t>(n, kModeFileHeaderSize);
    const bool v100 = headerIsV100(buf, header);
    const size_t imageSize = v100 ? kImageSizeProtocol1 : kImageSize;
    const size_t slots = v100 ? kModeFileSlotsV100 : kSlotCount;

    size_t at = kModeFileHeaderSize;
    size_t imageBytes = n > at ? std::min(n - at, imageSize) : 0;
    c.st.eqImage.write(0, int(imageBytes), buf + at);
    at += imageSize;
    // Only whole slots: a torn slot would hold a value nobody wrote.
    size_t slotCount = n > at ? std::min((n - at) / 4, slots) : 0;
    for (size_t s = 0; s < slotCount; ++s) {
        const uint8_t* p = buf + at + 4 * s;
        c.st.params.setBits(int(s), uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                                        uint32_t(p[3]) << 24);
    }

    const int protocol = c.st.protocol();
    if (protocol == 1)
        putSubLayout(c.st, kSubProtocol1);
    else if (protocol >= 2 && v100)
        putSubLayout(c.st, kSubDefault);
    return 1;
}

int WriteModeImages(Ctx& c, const std::string& dir, bool upgradeMode,
                    std::atomic<int>& progress) {
    const uint8_t command = upgradeMode ? 0x05 : 0xDA;
    int sent = 0;
    for (int m = 0; m < 4; ++m) {
        char name[16];
        std::snprintf(name, sizeof name, "K740Z%d.AIM", m);
        std::string path = dir.empty() ? name : dir.back() == '/' ? dir + name : dir + "/" + name;

        std::vector<uint8_t> file(kModeImageMax + 1);
        size_t n = 0;
        bool readable = false;
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            n = std::fread(file.data(), 1, file.size(), f);
            readable = !std::ferror(f) && n > 0;
            std::fclose(f);
        }
        if (!readable) {
            c.log.log("Mode image " + path + " cannot be read, skipped\n");
            continue;
        }
        if (n > kModeImageMax) {
            c.log.log("Mode image " + path + " is too large, skipped\n");
            continue;
        }
        if (!upgradeMode && file[0] != c.st.protocol()) {
            c.prompter.messageBox("载入的模式文件与当前通信协议不匹配！", "错误", Icon::Error);
            return sent;
        }

        // The data after the version byte, then its checksum: N bytes in all.
        std::vector<uint8_t> image(file.begin() + 1, file.begin() + long(n));
        uint8_t sum = 0;
        for (uint8_t b : image) sum = uint8_t(sum + b);
        image.push_back(sum);

        const int address = kModeImageStride * m;
        auto sendBlock = [&](int at, int offset, int length) {
            uint8_t payload[3 + kModeImageBlock];
            payload[0] = uint8_t(at >> 8);
            payload[1] = uint8_t(at);
            payload[2] = uint8_t(length);
            std::memcpy(payload + 3, image.data() + offset, size_t(length));
            SendCommand(c.out, command, std::span<const uint8_t>(payload, size_t(3 + length)));
        };
        const int size = int(image.size());
        const int blocks = size / kModeImageBlock;
        for (int j = 0; j < blocks; ++j) {
            int offset = kModeImageBlock * j;
            sendBlock(address + offset, offset, kModeImageBlock);
            sendBlock(address + kModeImageMirror + offset, offset, kModeImageBlock);
            progress.store(25 * m + 25 * j / blocks);
        }
        if (int rest = size % kModeImageBlock) {
            int offset = kModeImageBlock * blocks;
            sendBlock(address + offset, offset, rest);
            sendBlock(address + kModeImageMirror + offset, offset, rest);
        }
        ++sent;
    }
    return sent;
}

}  // namespace udare
