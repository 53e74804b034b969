// Every text the program builds itself comes as a (Chinese, English) pair;
// texts handed up from the core (message boxes) are printed as they are.
#pragma once

#include <string>

namespace udare::cli {

enum Lang : int { LANG_ZH = 0, LANG_EN = 1 };

struct Tr {
    const char* zh;
    const char* en;
    const char* in(int lang) const { return lang == LANG_ZH ? zh : en; }
};

// printf-style formatting of a chosen text.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace udare::cli
