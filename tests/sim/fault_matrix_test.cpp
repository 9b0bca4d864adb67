// Every device export under every line fault held to the header and to the
// committed page; every pointer argument NULL; the host's stated text size.
#include <algorithm>
#include <map>

#include <gtest/gtest.h>

#include "core/state.h"
#include "fault_matrix.h"

namespace tbcom::test {
namespace {

namespace fm = tbcom::faultmatrix;
using table::Kind;

// A call whose reply never comes good gives 0 (boolean or count), 2 for the
// text-port calls, or what the header states for the export:
const std::map<std::string_view, const char*> kDocumentedFailure = {
    {"VBreak_Read", "-1"},     // -1 when the interruption controller does not answer
    {"ReadVoltCur", "1"},      // 0 only when the bench port cannot be opened
    {"OutPutData_gSub", "0"},  // 0: the controller did not report the meter's kind
};

std::string FailureResult(const table::Export& e) {
    if (auto it = kDocumentedFailure.find(e.name); it != kDocumentedFailure.end()) return it->second;
    const std::string_view n = e.name;
    return n.ends_with("_gFun") || n.ends_with("_Fun") ? "2" : "0";
}

// Exports whose documented rules decide a fault the other way round.
struct Exception {
    const char* fault;  // "*": every fault
    bool fails;
    std::vector<std::string_view> exports;
    const char* result = nullptr;  // instead of FailureResult
};
const Exception kExceptions[] = {
    // Bus commands that are not refusal-checked, function-board setters not
    // marked (R), getters: the refusal frame is a good reply.
    {"refusal", false, {"Error_Start", "Error_StartL", "Error_Start_Correct", "ErrorCircles_gFun", "Clock_SD_Start",
                        "Clock_Test_StartL", "Set_CWPhase", "SetPowerTest", "AutoSub", "TripModeEn",
                        "Power_Measure_CTL", "Trip_Read", "GetRS485On", "GetFSState", "SetFSPulse", "ResultDisplay",
                        "ChangeMeterInterface", "SetFCAddVolt", "GetFCAddVolt", "SetDCOutType", "GetDCOutType"}},
    // The clock unit's acknowledgement is judged by its 0x06 alone.
    {"bad checksum", false, {"SetRefClock"}},
    // The KP source's and meter's answers are the first n bytes received (no
    // start byte to find): noise in front spoils them.
    {"noise first", true, {"Adjust_UI", "Adjust_VA", "Adjust_UI1", "Adjust_UI2", "Adjust_UI3", "Adjust_UI4",
                           "Adjust_CUST", "OperationHC_Fun"}},
    {"noise first", true, {"OutPutData_gSub"}, "2"},
    // The KP reading is taken by its length: bytes behind it make it wrong.
    {"trailing", true, {"OperationHC_Fun"}},
    // The correction is best effort: readings that never come leave nothing to correct.
    {"*", false, {"Power_Revise"}},
};

std::string Expected(const fm::FaultCase& f, const fm::Row& row) {
    const std::string fail = FailureResult(*row.exp);
    for (const Exception& x : kExceptions)
        if ((f.name == std::string_view(x.fault) || *x.fault == '*') &&
            std::find(x.exports.begin(), x.exports.end(), row.exp->name) != x.exports.end())
            return !x.fails ? row.healthy.result : x.result ? x.result : fail;
    // A call that waits for no reply (a broadcast) has nothing to spoil, and
    // one write goes out before the port vanishes.
    const bool fails = f.fault.kind == sim::FaultKind::Vanish ? row.healthy.replies > 0 || row.healthy.writes > 1
                                                              : f.spoilsReply && row.healthy.replies > 0;
    return fails ? fail : row.healthy.result;
}

TEST(FaultMatrix, EveryDeviceExportKeepsItsResultTimeAndState) {
    const std::vector<fm::Row> rows = fm::Matrix();
    EXPECT_GE(rows.size(), 100u);
    for (const fm::Row& row : rows)
        for (std::size_t f = 0; f < row.faulted.size(); ++f) {
            const fm::Run& r = row.faulted[f];
            SCOPED_TRACE(std::string(row.exp->name) + " / " + fm::Faults()[f].name);
            if (row.exp->result != table::Result::Void) EXPECT_EQ(r.result, Expected(fm::Faults()[f], row));
            EXPECT_LE(r.seconds, row.bound());
            EXPECT_FALSE(r.busyAfter);
            EXPECT_FALSE(r.overran);
            // A zero output sets the constant from its ranges before its block is sent.
            if (r.result != row.healthy.result && row.exp->name != std::string_view("SourceClear_Fun"))
                EXPECT_TRUE(r.cachesKept);
        }
    const std::string page = fm::Markdown(rows);
    if (fm::PagePath()) EXPECT_TRUE(fm::StoredPage(page) == page) << "docs/fault-matrix.md: TBCOM_UPDATE_DOCS=1";
}

TEST(FaultMatrix, NullPointersAndNullBuffersWriteNothing) {
    for (const table::Export& e : table::Exports()) {
        unsigned pointers = 0, buffers = 0, inputs = 0;
        for (int i = 0; i < e.argc; ++i) {
            pointers |= e.args[i].kind >= Kind::TextIn ? 1u << i : 0;
            buffers |= e.args[i].kind == Kind::TextOut ? 1u << i : 0;
            inputs |= table::Typed(e.args[i]) ? 1u << i : 0;
        }
        const fm::Run healthy = fm::Call(e);
        std::vector<fm::CallSpec> specs = {{nullptr, pointers, 0}, {nullptr, 0, buffers}};
        for (int i = 0; i < e.argc; ++i)
            if (pointers >> i & 1u) specs.push_back({nullptr, 1u << i, 0});
        for (const fm::CallSpec& s : specs) {
            SCOPED_TRACE(std::string(e.name) + " " + std::to_string(s.nullPointers) + "/" +
                         std::to_string(s.nullBuffers));
            const fm::Run r = fm::Call(e, s);
            EXPECT_FALSE(r.overran);
            EXPECT_FALSE(r.busyAfter);
            if (s.nullPointers & inputs) continue;  // a NULL input may change the call
            for (const auto& out : r.outputs)  // the other outputs as in the healthy call
                EXPECT_NE(std::find(healthy.outputs.begin(), healthy.outputs.end(), out), healthy.outputs.end())
                    << out.first << "=" << out.second;
        }
    }
}

TEST(FaultMatrix, StatedTextSizeCutsEveryTextOut) {
    EXPECT_EQ(SetTextBufferSize(9), 1);
    EXPECT_EQ(SetTextBufferSize(-1), 0);
    EXPECT_EQ(core::state().textBufferSize, 9);
    EXPECT_EQ(SetTextBufferSize(0), 1);
    int cut = 0;
    for (const table::Export& e : table::Exports()) {
        if (std::none_of(e.args, e.args + e.argc, [](const table::Arg& a) { return a.kind == Kind::TextOut; }))
            continue;
        SCOPED_TRACE(e.name);
        const fm::Run plain = fm::Call(e), limited = fm::Call(e, {nullptr, 0, 0, 6});
        EXPECT_EQ(limited.result, plain.result);
        ASSERT_EQ(limited.outputs.size(), plain.outputs.size());
        for (std::size_t i = 0; i < plain.outputs.size(); ++i) {
            EXPECT_EQ(limited.outputs[i].second, plain.outputs[i].second.substr(0, 5));
            cut += plain.outputs[i].second.size() > 5;
        }
    }
    EXPECT_GE(cut, 5);
}

}  // namespace
}  // namespace tbcom::test
