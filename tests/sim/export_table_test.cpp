// The export table generated from the header: the same exports as the
// linker's list, typed calls through it against the simulated bench, the
// errors a person typing arguments gets, and the exported functions' trace.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/trace.h"
#include "export_table.h"
#include "sim_fixture.h"

namespace tbcom::test {
namespace {

using table::ArgError;
using table::Call;

const char* const kLinkerExports[] = {
#include "tbcom_exports.inc"
};

Call CallByName(const char* name, const std::vector<std::string>& in) {
    const table::Export* e = table::Find(name);
    EXPECT_NE(e, nullptr) << name;
    Call c(*e);
    c.setInputs(in);
    c.run();
    return c;
}

TEST(ExportTable, HoldsEveryExportOfTheLinkerList) {
    std::vector<std::string> linker(std::begin(kLinkerExports), std::end(kLinkerExports));
    std::vector<std::string> listed;
    for (const auto& e : table::Exports()) listed.emplace_back(e.name);
    EXPECT_EQ(listed, linker);
    for (const auto& e : table::Exports()) {
        EXPECT_TRUE(*e.doc) << e.name << " has no doc comment";
        for (int i = 0; i < e.argc; ++i)
            if (e.args[i].kind == table::Kind::TextOut) EXPECT_GT(e.args[i].size, 0) << e.name;
    }
}

class ExportTableCalls : public SimBenchTest {};

TEST_F(ExportTableCalls, TypedCallsReachTheLibrary) {
    CallByName("SetStdConst", {"1234.5"});
    EXPECT_EQ(CallByName("GetStdConst", {}).result(), "1234.5");
    SetStdConst(10000);
    bench.world.meters[1].errorPct = 0.5;
    ASSERT_EQ(CallByName("Error_Start", {"2", "1200", "12", "3"}).result(), "1");
    bench.advance(11);
    Call read = CallByName("Error_Read", {"2", "3"});
    EXPECT_EQ(read.result(), "1");
    ASSERT_EQ(read.outputs().size(), 1u);
    EXPECT_EQ(read.outputs()[0], (std::pair<std::string, std::string>{"result", "1,0.500"}));
    EXPECT_FALSE(read.overran());
}

TEST_F(ExportTableCalls, ArgumentErrorsSendNothing) {
    struct Case {
        const char* name;
        std::vector<std::string> in;
        const char* message;
    } cases[] = {
        {"Error_Read", {"1"}, "Error_Read takes 2 arguments (position port), 1 given"},
        {"Error_Read", {"256", "3"}, "position: 256 is outside 0..255"},
        {"Error_Read", {"x1", "3"}, "position: 'x1' is not a byte 0..255"},
        {"SetStdConst", {"1,5"}, "value: '1,5' is not a number"},
        {"Dll_Port_Close", {"1"}, "Dll_Port_Close takes 0 arguments, 1 given"},
        {"Set_Harmonic_Data", {"1,2", "2", "1,2,3", "2", "1,2,3", "2", "1,2,3", "2"}, "a: 2 values given, aHigh 2 reads 3"},
    };
    for (const auto& c : cases) {
        try {
            CallByName(c.name, c.in);
            ADD_FAILURE() << c.name << " accepted its arguments";
        } catch (const ArgError& e) {
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
    EXPECT_TRUE(writes().empty());
}

TEST_F(ExportTableCalls, TraceShowsArgumentsResultAndOutputs) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    trace::OpenStream(f);
    HostText t;
    Error_Read(&t.ptr, 4, kNoPort);
    Error_Read(nullptr, 200, kPort);
    trace::Close();
    std::rewind(f);
    std::string text(4096, '\0');
    text.resize(std::fread(text.data(), 1, text.size(), f));
    std::fclose(f);
    EXPECT_NE(text.find("Error_Read(result=out, position=4, port=9)"), std::string::npos) << text;
    EXPECT_NE(text.find("Error_Read(result=NULL, position=200, port=3)"), std::string::npos) << text;
    EXPECT_NE(text.find("0; result=\"untouched\""), std::string::npos) << text;
}

}  // namespace
}  // namespace tbcom::test
