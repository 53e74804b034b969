// Runs udare-ctl in-process and reads the golden files.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"

namespace udare::cli::test {

struct Run {
    int rc = -1;
    std::string out, err;
};

inline Run runCtl(const std::vector<std::string>& args, const CliHooks& hooks = {}) {
    std::ostringstream out, err;
    Run r;
    r.rc = RunCli(args, out, err, hooks);
    r.out = out.str();
    r.err = err.str();
    return r;
}

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

inline void writeFile(const std::filesystem::path& p, const std::string& s) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f << s;
}

inline std::filesystem::path fixture(const std::string& name) {
    return std::filesystem::path(UDARE_FIXTURES) / name;
}

// A fresh directory for one test's files.
inline std::filesystem::path tempDir(const std::string& name) {
    auto d = std::filesystem::temp_directory_path() / ("udare-cli-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(d);
    std::filesystem::create_directories(d);
    return d;
}

inline std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> v;
    std::istringstream is(s);
    for (std::string l; std::getline(is, l);) v.push_back(l);
    return v;
}

}  // namespace udare::cli::test
