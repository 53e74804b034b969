#include "upgrade/package.h"

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

#ifdef UDARE_HAVE_MSPACK
#include <mspack.h>
#endif

namespace udare {

namespace {

// A member larger than this is no part of a firmware package; skipping it
// keeps a damaged or hostile archive from filling the disk.
constexpr unsigned kMemberMax = 8u << 20;

}  // namespace

bool isUpgradePackage(const std::string& path) {
    if (path.size() < 3) return false;
    std::string tail = path.substr(path.size() - 3);
    for (char& ch : tail) ch = char(std::tolower(static_cast<unsigned char>(ch)));
    return tail == "cba";
}

std::string safeMemberName(const std::string& stored) {
    size_t cut = stored.find_last_of("/\\");
    std::string name = cut == std::string::npos ? stored : stored.substr(cut + 1);
    if (name == "." || name == "..") return {};
    return name;
}

PrivateDir::PrivateDir() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "udare-upgrade-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data())) path_ = buf.data();  // mkdtemp makes it 0700
}

PrivateDir::~PrivateDir() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

int ExtractUpgradePackage(const std::string& package, const PrivateDir& dir, ImageRefusal* error) {
    auto fail = [&] {
        if (error) *error = ImageRefusal::NotPackage;
        return 0;
    };
    if (!dir.ok()) return fail();
#ifdef UDARE_HAVE_MSPACK
    mscab_decompressor* cabd = mspack_create_cab_decompressor(nullptr);
    if (!cabd) return fail();
    mscabd_cabinet* cab = cabd->open(cabd, package.c_str());
    bool ok = cab != nullptr;
    if (cab) {
        for (mscabd_file* f = cab->files; f && ok; f = f->next) {
            std::string name = safeMemberName(f->filename ? f->filename : "");
            if (name.empty() || f->length > kMemberMax) continue;
            ok = cabd->extract(cabd, f, dir.file(name).c_str()) == MSPACK_ERR_OK;
        }
        cabd->close(cabd, cab);
    }
    mspack_destroy_cab_decompressor(cabd);
    if (!ok) return fail();
    if (error) *error = ImageRefusal::None;
    return 1;
#else
    (void)package;
    return fail();
#endif
}

}  // namespace udare
