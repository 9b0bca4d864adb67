// Shared by the end-to-end tests: the built library loaded with dlopen (its
// exports typed from the public header, so a changed export fails to compile
// here), a benchsim child process on COM3 in a fresh folder and real-time
// helpers.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tbcom.h"

namespace tbcom::e2e {

inline constexpr std::uint8_t kPort = 3;

#define TBCOM_E2E_EXPORTS(X)                                                                               \
    X(Error_Clear) X(Error_Start) X(Error_Read) X(Dll_Port_Close) X(getComHandle) X(GetStdConst)          \
    X(SetStdConst) X(StdMeter_Read) X(SetRefClock) X(Clock_Test_StartL) X(Clock_Test_Read)                \
    X(Clock_Test_ReadL) X(Clock_Test_Stop) X(Clock_Error_Start) X(Clock_Error_Read) X(Set_485_Channel)    \
    X(ConstTest_Start) X(Count_Read) X(ConstPulse_Read) X(SetRS485On) X(GetRS485On) X(Open485CommPort)    \
    X(Close485CommPort) X(Set485CommPort) X(Send485Data) X(Recv485Data) X(Recv645Data) X(SetHDLCPara) X(SendHDLCData)  \
    X(RecvHDLCData) X(Read_SerialNumber) X(Set485ByteDealy) X(Adjust_UI) X(Power_Off)

struct TbcomLibrary {
#define TBCOM_E2E_FIELD(name) decltype(&::name) name = nullptr;
    TBCOM_E2E_EXPORTS(TBCOM_E2E_FIELD)
#undef TBCOM_E2E_FIELD
    // Loads the library once per process; nullptr with `error` on failure.
    static TbcomLibrary* load(const std::string& path, std::string& error);
};

double NowSeconds();
// The comma-separated fields of a reading text.
inline std::vector<std::string> SplitFields(const std::string& text) {
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == ',') out.emplace_back();
        else out.back().push_back(c);
    }
    return out;
}
void SleepSeconds(double s);

class BenchSession : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Runs benchsim --dir <dir> args... and waits up to 5 s for its
    // "READY <dir>/COM3" line.
    void startBench(const std::vector<std::string>& args);
    // Closes the library's port, stops benchsim with SIGTERM; its exit status.
    int stopBench();
    // A text export's output into a buffer pre-filled with a marker, so an
    // unwritten buffer shows.
    template <class F>
    std::string readText(bool& ok, F&& call) {
        char buf[1100];
        std::snprintf(buf, sizeof buf, "%s", "unwritten");
        char* p = buf;
        ok = call(&p) == 1;
        return buf;
    }

    TbcomLibrary* lib_ = nullptr;
    std::filesystem::path dir_;
    pid_t pid_ = -1;
    int out_ = -1;
};

}  // namespace tbcom::e2e
