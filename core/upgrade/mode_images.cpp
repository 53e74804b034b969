#include "upgrade/mode_images.h"

#include <cstdio>
#include <cstring>
#include <span>
#include <vector>

#include "protocol/opcodes.h"
#include "protocol/report.h"

namespace udare {

namespace {

using Icon = Prompter::Icon;

// Mode images: two copies of each mode in the unit's memory.
constexpr int kModeImageStride = 0x1000;
constexpr int kModeImageMirror = 0x4000;
constexpr int kModeImageBlock = 32;
// An image must fit its mode's area, or it would overwrite the next mode.
constexpr size_t kModeImageMax = kModeImageStride;

}  // namespace

int WriteModeImages(Ctx& c, const std::string& dir, bool upgradeMode,
                    std::atomic<int>& progress) {
    const uint8_t command = upgradeMode ? op::kUpgradeModeMemory : op::kWriteModeMemory;
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
