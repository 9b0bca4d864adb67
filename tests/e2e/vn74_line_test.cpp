// End to end: benchsim serves the VN-74 source on a terminal of its own at
// 57600 baud; its mode frame is answered there, and the bench port stays
// the bench's.
#include <gtest/gtest.h>

#include <string>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

class Vn74LineE2E : public BenchSession {};

TEST_F(Vn74LineE2E, ModeFrameAnsweredOnItsOwnLine) {
    startBench({"--source", "vn74", "--vn74-port", "6"});
    tbcom_handle h = 0;
    ASSERT_EQ(lib_->Open485CommPort(&h, "57600,n,8,1", 6), 1);
    ASSERT_EQ(lib_->Send485Data(h, "A61D0003020B0300D6"), 1);  // mode 0B, all phases
    bool ok = false;
    const std::string text = readText(ok, [&](char** p) { return lib_->Recv485Data(h, p, 16); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, "A61D00020B0000D0");
    EXPECT_EQ(lib_->Close485CommPort(&h), 1);
}

}  // namespace
}  // namespace tbcom::e2e
