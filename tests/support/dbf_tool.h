// dBASE tables written by shapelib's command-line tools (dbfcreate,
// dbfadd; Debian package shapelib), so that the reader is checked against
// files it did not write itself.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace tbcom::test {

inline bool DbfToolsPresent() {
    return std::system("command -v dbfcreate >/dev/null 2>&1 && command -v dbfadd >/dev/null 2>&1") == 0;
}

#define SKIP_WITHOUT_DBF_TOOLS()                                                                      \
    if (!DbfToolsPresent())                                                                           \
    GTEST_SKIP() << "dbfcreate/dbfadd not found: install the Debian package shapelib to run this test"

// A correction table: XBCS N(3,0) and the six correction fields N(10,4),
// one record per row of seven texts, in order.
inline std::string WriteCorrectionTable(const std::string& name, const std::vector<std::vector<std::string>>& rows,
                                        const std::string& xbcsType = "-n XBCS 3 0") {
    const auto path = (std::filesystem::temp_directory_path() / name).string();
    std::filesystem::remove(path);
    std::string cmd = "dbfcreate '" + path + "' " + xbcsType;
    for (const char* f : {"DYAXZ", "DYBXZ", "DYCXZ", "DLAXZ", "DLBXZ", "DLCXZ"}) cmd += std::string(" -n ") + f + " 10 4";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    for (const auto& row : rows) {
        std::string add = "dbfadd '" + path + "'";
        for (const auto& v : row) add += " '" + v + "'";
        EXPECT_EQ(std::system(add.c_str()), 0) << add;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    std::filesystem::remove(path);
    return ss.str();
}

}  // namespace tbcom::test
