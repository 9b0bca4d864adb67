// The dBASE reader against tables written by an independent tool; damaged
// or cut files read as no table.
#include <gtest/gtest.h>

#include "dbf_tool.h"
#include "source/drivers/dbf_table.h"
#include "source/drivers/harmonics.h"

namespace tbcom::test {
namespace {

using source::drivers::CorrectionOf;
using source::drivers::DbfTable;

constexpr size_t kHeader = 32 + 7 * 32 + 1, kRecord = 1 + 3 + 6 * 10;

TEST(DbfTable, FirstLiveRecordOfAnOrder) {
    SKIP_WITHOUT_DBF_TOOLS();
    std::string bytes = WriteCorrectionTable({{"3", "0.1", "0.2", "0.3", "0.4", "0.5", "0.6"},
                                              {"5", "-0.25", "", "0", "0", "0", "1.5"},
                                              {"5", "9", "9", "9", "9", "9", "9"}});
    ASSERT_EQ(bytes.size(), kHeader + 3 * kRecord + 1);  // the tool ends the file with 0x1A
    auto t = DbfTable::Parse(bytes);
    ASSERT_TRUE(t);
    for (int ch = 1; ch <= 6; ++ch) EXPECT_DOUBLE_EQ(CorrectionOf(*t, 3, ch), ch / 10.0) << ch;
    EXPECT_EQ(std::vector<double>({CorrectionOf(*t, 5, 1), CorrectionOf(*t, 5, 2), CorrectionOf(*t, 5, 6),
                                   CorrectionOf(*t, 7, 1), CorrectionOf(*t, 3, 0), CorrectionOf(*t, 3, 7)}),
              std::vector<double>({-0.25, 0, 1.5, 0, 0, 0}));  // blank, no row, no such channel: 0
    bytes[kHeader + kRecord] = '*';  // the first row of order 5 deleted
    EXPECT_EQ(CorrectionOf(*DbfTable::Parse(bytes), 5, 1), 9);
    bytes[kHeader + 2 * kRecord] = '*';
    EXPECT_EQ(CorrectionOf(*DbfTable::Parse(bytes), 5, 6), 0);
    t = DbfTable::Parse(WriteCorrectionTable({{" 11", "0.75", "", "", "", "", ""}}, "-s XBCS 4"));
    EXPECT_EQ(CorrectionOf(*t, 11, 1), 0.75);  // a character order field
}

TEST(DbfTable, DamagedOrCutFilesAreNoTable) {
    SKIP_WITHOUT_DBF_TOOLS();
    const std::string good = WriteCorrectionTable({{"3", "1", "1", "1", "1", "1", "1"}});
    ASSERT_TRUE(DbfTable::Parse(good.substr(0, good.size() - 1)));  // without the end-of-file mark
    auto patched = [&](size_t at, std::initializer_list<int> v) {
        std::string b = good;
        for (int x : v) b[at++] = static_cast<char>(x);
        return b;
    };
    const std::pair<const char*, std::string> damaged[] = {
        {"empty", ""}, {"last record cut", good.substr(0, good.size() - 2)},
        {"header length past the file", patched(8, {0xFF, 0x7F})}, {"header shorter than its descriptors", patched(8, {0x60, 0x00})},
        {"record length shorter than its fields", patched(10, {0x20, 0x00})}, {"huge record count", patched(4, {0xFF, 0xFF, 0xFF, 0xFF})},
        {"descriptors without end mark", patched(kHeader - 1, {0x20})}, {"48-byte descriptor format", patched(0, {0x04})}};
    for (const auto& [what, bytes] : damaged) EXPECT_FALSE(DbfTable::Parse(bytes)) << what;
}

}  // namespace
}  // namespace tbcom::test
