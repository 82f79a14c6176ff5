// Small helpers shared by the tests that run the program.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

// The whole content of a file ("" if it does not exist).
inline std::string slurp(const std::filesystem::path &p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}
