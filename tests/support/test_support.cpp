#include "test_support.h"

#include <sstream>

namespace udare::test {

int RecordingSink::writeReport(const uint8_t* data, size_t len) {
    if (!connected) return 0;
    HidReport r{};
    for (size_t i = 0; i < len && i < r.size(); ++i) r[i] = data[i];
    reports.push_back(r);
    return kReportSize;
}

std::vector<std::string> RecordingSink::hex() const {
    std::vector<std::string> v;
    for (const auto& r : reports) v.push_back(hexReport(r.data()));
    return v;
}

HidReport fromHex(const std::string& hex) {
    HidReport r{};
    std::istringstream in(hex);
    std::string byte;
    size_t i = 0;
    while (in >> byte && i < r.size()) r[i++] = static_cast<uint8_t>(std::stoul(byte, nullptr, 16));
    return r;
}

}  // namespace udare::test
