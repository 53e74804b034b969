// Upgrade packages (.cba): cabinet archives holding the MCU image "K740Z.bin"
// and the four mode images. They are unpacked into a directory of their own
// that nobody else can write to, so no other user can plant the image that
// gets flashed, and every stored name is reduced to a plain file name inside it.
#pragma once

#include <string>

#include "upgrade/refusal.h"

namespace udare {

inline constexpr const char* kPackageImageName = "K740Z.bin";

// True when the path's last three characters are "cba", letter case ignored.
bool isUpgradePackage(const std::string& path);

// The stored name as a plain file name: the part after the last '/' or '\';
// empty when nothing usable remains ("", ".", "..").
std::string safeMemberName(const std::string& stored);

// A private directory (mode 0700) under the system temporary directory,
// removed with everything in it when the object goes.
class PrivateDir {
public:
    PrivateDir();  // created at once; ok() tells whether that worked
    ~PrivateDir();
    PrivateDir(const PrivateDir&) = delete;
    PrivateDir& operator=(const PrivateDir&) = delete;
    bool ok() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// 1 extracted every member into dir, 0 failed (not a cabinet, a damaged
// member, or no cabinet support in this build). On failure *error (when
// given) is NotPackage.
int ExtractUpgradePackage(const std::string& package, const PrivateDir& dir,
                          ImageRefusal* error = nullptr);

}  // namespace udare
