// dBASE tables written by shapelib's dbfcreate and dbfadd (Debian package
// shapelib), so that the reader is checked against files it did not write.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#define SKIP_WITHOUT_DBF_TOOLS()                                                                          \
    if (std::system("command -v dbfcreate >/dev/null 2>&1 && command -v dbfadd >/dev/null 2>&1") != 0) \
    GTEST_SKIP() << "dbfcreate/dbfadd not found: install the Debian package shapelib to run this test"

namespace tbcom::test {

// XBCS (N 3.0 unless given) and the six correction fields N 10.4, one record
// per row of seven texts; one file per test (ctest runs tests in parallel).
inline std::string WriteCorrectionTable(const std::vector<std::vector<std::string>>& rows,
                                        const std::string& xbcs = "-n XBCS 3 0") {
    const auto path = (std::filesystem::temp_directory_path() /
                       (std::string("tbcom_") + testing::UnitTest::GetInstance()->current_test_info()->name() + ".dbf"))
                          .string();
    std::string cmd = "dbfcreate '" + path + "' " + xbcs;
    for (const char* f : {"DYAXZ", "DYBXZ", "DYCXZ", "DLAXZ", "DLBXZ", "DLCXZ"}) cmd += std::string(" -n ") + f + " 10 4";
    for (const auto& row : rows) {
        cmd += " && dbfadd '" + path + "'";
        for (const auto& v : row) cmd += " '" + v + "'";
    }
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::string bytes(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
    std::filesystem::remove(path);
    return bytes;
}

}  // namespace tbcom::test
