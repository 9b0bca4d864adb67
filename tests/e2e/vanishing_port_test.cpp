// End to end: the bench's USB adapter pulled (benchsim SIGUSR1) and plugged back (SIGUSR2): calls
// on the dead ports fail at once, one awaiting its reply too; closing the ports recovers them.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "bench_session.h"

namespace tbcom::e2e {
namespace {

class VanishingPortE2E : public BenchSession {
protected:
    void await(const std::string& word) {  // benchsim's line, at most 5 s
        char c;
        std::string seen;
        pollfd p{out_, POLLIN, 0};
        while (seen.find(word) == std::string::npos && poll(&p, 1, 5000) > 0 && read(out_, &c, 1) == 1) seen += c;
        ASSERT_NE(seen.find(word), std::string::npos) << seen;
    }
    bool errorRead(std::uint8_t position) {
        bool ok = false;
        readText(ok, [&](char** p) { return lib_->Error_Read(p, position, kPort); });
        return ok;
    }
    bool meterRead() {
        bool ok = lib_->Send485Data(meter_, "FEFEFEFE6801000000000068110433333433B316") == 1;
        const std::string text = readText(ok, [&](char** p) { return ok ? lib_->Recv645Data(meter_, p) : 0; });
        return ok && text.rfind("68010000000000689108", 0) == 0;
    }
    tbcom_handle meter_ = 0;
};

TEST_F(VanishingPortE2E, CallsFailAtOnceWhileUnpluggedAndRecoverAfterClosing) {
    startBench({"--meter", "1:1000:0", "--silent", "2", "--meter-line", "7"});
    ASSERT_EQ(lib_->Open485CommPort(&meter_, "2400,e,8,1", 7), 1);
    ASSERT_TRUE(errorRead(1) && meterRead());
    // Pulled while position 2 (silent: 2 s of silence otherwise) is awaited.
    std::thread pull([this] {
        SleepSeconds(0.5);
        kill(pid_, SIGUSR1);
    });
    double t0 = NowSeconds();
    EXPECT_FALSE(errorRead(2));
    EXPECT_LT(NowSeconds() - t0, 1.5);
    pull.join();
    await("UNPLUGGED");
    for (int round = 0; round < 3; ++round) {
        t0 = NowSeconds();
        EXPECT_FALSE(errorRead(1));
        EXPECT_FALSE(meterRead());
        EXPECT_LT(NowSeconds() - t0, 0.5) << round;
    }
    kill(pid_, SIGUSR2);
    await("PLUGGED");
    EXPECT_FALSE(errorRead(1) || meterRead());  // dead handles stay dead until let go
    lib_->Dll_Port_Close();
    EXPECT_TRUE(errorRead(1));
    EXPECT_EQ(lib_->Close485CommPort(&meter_), 1);
    ASSERT_EQ(lib_->Open485CommPort(&meter_, "2400,e,8,1", 7), 1);
    EXPECT_TRUE(meterRead());
    EXPECT_EQ(lib_->Close485CommPort(&meter_), 1);
}

}  // namespace
}  // namespace tbcom::e2e
