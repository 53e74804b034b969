#include "upgrade/refusal.h"

#include <cstdio>

namespace udare {

RefusalText refusalText(ImageRefusal r) {
    switch (r) {
    case ImageRefusal::None: return {"", ""};
    case ImageRefusal::Unreadable: return {"无法读取文件：%s", "Cannot read the file: %s"};
    case ImageRefusal::Empty:
        return {"文件为空，不能用于升级：%s", "The file is empty, nothing to upgrade with: %s"};
    case ImageRefusal::McuTooLarge:
        return {"单片机固件超过65536字节，不能升级：%s",
                "The MCU image is larger than 65536 bytes and cannot be sent: %s"};
    case ImageRefusal::DspTooLarge:
        return {"内核文件超过2031616字节（31个扇区），不能升级：%s",
                "The DSP image is larger than 2031616 bytes (31 sectors) and cannot be written: %s"};
    case ImageRefusal::NotPackage: return {"解压缩文件错误!", "解压缩文件错误!"};
    }
    return {"", ""};
}

std::string refusalMessage(ImageRefusal r, const std::string& path, int lang) {
    RefusalText t = refusalText(r);
    std::string fmt = lang == 1 ? t.en : t.zh;
    std::string out;
    size_t at = fmt.find("%s");
    if (at == std::string::npos) return fmt;
    out = fmt.substr(0, at) + path + fmt.substr(at + 2);
    return out;
}

ImageRefusal readImageFile(const std::string& path, size_t limit, ImageRefusal tooLarge,
                           std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return ImageRefusal::Unreadable;
    std::vector<uint8_t> data;
    uint8_t chunk[65536];
    bool failed = false;
    while (true) {
        size_t n = std::fread(chunk, 1, sizeof chunk, f);
        data.insert(data.end(), chunk, chunk + n);
        if (data.size() > limit) break;  // enough to know
        if (n < sizeof chunk) {
            failed = std::ferror(f) != 0;
            break;
        }
    }
    std::fclose(f);
    if (failed) return ImageRefusal::Unreadable;
    if (data.empty()) return ImageRefusal::Empty;
    if (data.size() > limit) return tooLarge;
    bytes = std::move(data);
    return ImageRefusal::None;
}

}  // namespace udare
