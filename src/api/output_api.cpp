// Exports of the source-output family and the correction on demand.
#include <charconv>
#include <cmath>

#include "api/host_io.h"
#include "source/adjust.h"
#include "source/correction.h"
#include "source/output_fill.h"

using tbcom::api::Guard;
using tbcom::api::GuardVoid;
using tbcom::api::TextIn;
namespace src = tbcom::source;

namespace {

// General decimal format, up to 15 significant digits ("30", "36.87").
std::string general(double v) {
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}

int32_t adjust(int32_t mode, double un, double ib, double f, uint8_t seq, uint8_t dir, std::vector<double> u,
               std::vector<double> i, std::string phase, std::string pf, const char* model, uint8_t port,
               bool percentMode = true) {
    return Guard<int32_t>(0, [&] {
        src::AdjustRequest r;
        r.out.mode = mode;
        r.out.sequence = seq;
        r.out.direction = dir;
        r.out.uPercent = std::move(u);
        r.out.iPercent = std::move(i);
        r.out.phaseText = std::move(phase);
        r.out.pfText = std::move(pf);
        r.out.percentMode = percentMode;
        r.ratedVoltage = un;
        r.basicCurrent = ib;
        r.frequency = f;
        r.model = TextIn(model);
        r.port = port;
        return static_cast<int32_t>(src::Adjust_Core(r));
    });
}

std::string threeTimes(double angle) {
    const std::string a = general(angle);
    return a + ";" + a + ";" + a;
}

std::optional<uint8_t> byteText(const char* p) {
    auto v = tbcom::core::TryTextToInt(TextIn(p));
    if (!v || *v < 0 || *v > 255) return std::nullopt;
    return static_cast<uint8_t>(*v);
}

}  // namespace

extern "C" {

int32_t tbcom_impl_Adjust_UI(int32_t mode, double un, double ib, double f, uint8_t seq, uint8_t dir,
                              double u, double i, const char* phase, const char* pf, const char* model,
                              uint8_t port) {
    return adjust(mode, un, ib, f, seq, dir, {u}, {i}, TextIn(phase), TextIn(pf), model, port);
}

int32_t tbcom_impl_Adjust_VA(int32_t mode, double un, double ib, double f, uint8_t seq, uint8_t dir,
                              double u, double i, const char* phase, const char* pf, const char* model,
                              uint8_t port) {
    return adjust(mode, un, ib, f, seq, dir, {u}, {i}, TextIn(phase), TextIn(pf), model, port, false);
}

int32_t tbcom_impl_Adjust_UI1(int32_t mode, double un, double ib, double f, uint8_t seq, uint8_t dir,
                               double ua, double ub, double uc, double i, const char* phase, const char* pf,
                               const char* model, uint8_t port) {
    return adjust(mode, un, ib, f, seq, dir, {ua, ub, uc}, {i}, TextIn(phase), TextIn(pf), model, port);
}

int32_t tbcom_impl_Adjust_UI2(int32_t mode, double un, double ib, double f, uint8_t seq, uint8_t dir,
                               double ua, double ub, double uc, double ia, double ibp, double ic,
                               const char* phase, const char* pf, const char* model, uint8_t port) {
    return adjust(mode, un, ib, f, seq, dir, {ua, ub, uc}, {ia, ibp, ic}, TextIn(phase), TextIn(pf), model, port);
}

int32_t tbcom_impl_Adjust_UI3(int32_t mode, double f, uint8_t seq, uint8_t dir, double un, double ib,
                               const char* phase, double angle, const char* model, uint8_t port) {
    return adjust(mode, un, ib, f, seq, dir, {100, 100, 100}, {100, 100, 100}, TextIn(phase), threeTimes(angle),
                  model, port);
}

int32_t tbcom_impl_Adjust_UI4(int32_t mode, double un, double ib, double f, uint8_t seq, uint8_t dir,
                               double ua, double ub, double uc, double ia, double ibp, double ic,
                               const char* phase, double angle, const char* model, uint8_t port) {
    return adjust(mode, un, ib, f, seq, dir, {ua, ub, uc}, {ia, ibp, ic}, TextIn(phase), threeTimes(angle), model,
                  port);
}

int32_t tbcom_impl_Adjust_CUST(int32_t mode, double f, double ua, double ub, double uc, double ia, double ib,
                                double ic, double angleUb, double angleUc, double angleIa, double angleIb,
                                double angleIc, const char* model, uint8_t port) {
    return Guard<int32_t>(0, [&] {
        const std::string phase = general(angleUb) + "," + general(angleUc);
        const std::string pf = general(angleIa) + "," + general(angleIb) + "," + general(angleIc);
        return adjust(mode, 100, 5, f, 0, 0, {ua, ub, uc}, {100 * ia / 5, 100 * ib / 5, 100 * ic / 5}, phase, pf,
                      model, port);
    });
}

int32_t tbcom_impl_TORVA_I(double current, double f, uint8_t port) {
    return adjust(0, 100, 10, f, 0, 0, {0}, {current * 10}, "H", "1.0", "TORVA", port);
}

int32_t tbcom_impl_Power_Off(uint8_t port) {
    return Guard<int32_t>(0, [&] { return static_cast<int32_t>(src::Power_Off(port)); });
}

tbcom_bool tbcom_impl_Power_Pause(uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return tbcom_bool{src::Power_Pause(port)}; });
}

int32_t tbcom_impl_SourceClear_Fun(const char* port) {
    return Guard<int32_t>(2, [&] {
        auto p = tbcom::api::PortFromText(port);
        return p && src::SourceClear(*p, false) ? -1 : 2;
    });
}

void tbcom_impl_Source_Pause_gSub(const char* port) {
    GuardVoid([&] {
        if (auto p = tbcom::api::PortFromText(port)) src::SourceClear(*p, true);
    });
}

int32_t tbcom_impl_OutPutData_gSub(int32_t wait, int32_t, const char* port, int32_t wiringCode,
                                    int32_t reverse, uint8_t sequence, float un, float ib, float f,
                                    const char* element, int32_t iPercent, const char* pf, int32_t, int32_t,
                                    int32_t, int32_t) {
    return Guard<int32_t>(2, [&] {
        auto p = tbcom::api::PortFromText(port);
        if (!p) return int32_t{2};
        src::TextPortRequest r;
        r.wait = wait;
        r.port = *p;
        r.wiringCode = wiringCode;
        r.reverse = reverse;
        r.sequence = sequence;
        r.un = un, r.ib = ib, r.frequency = f;
        r.elementText = TextIn(element);
        r.pfText = TextIn(pf);
        r.iPercent = iPercent;
        return src::OutPutData(r);
    });
}

int32_t tbcom_impl_RaiseVA(int32_t, float a, float b, float c, int32_t, float d, float e, float f) {
    GuardVoid([&] { src::RaiseVA(a, b, c, d, e, f); });
    return -1;
}

int32_t tbcom_impl_Mini_Adjust(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint8_t port) {
    return Guard<int32_t>(0, [&] { return src::FineAdjust(port, a, b, c, d) ? 1 : 0; });
}

int32_t tbcom_impl_AdjustMove_Fun(const char* port, int32_t, const char* c, const char* d, const char* a,
                                   const char* b) {
    return Guard<int32_t>(2, [&] {
        auto p = tbcom::api::PortFromText(port);
        auto va = byteText(a), vb = byteText(b), vc = byteText(c), vd = byteText(d);
        if (!p || !va || !vb || !vc || !vd) return int32_t{2};
        return src::FineAdjust(*p, *va, *vb, *vc, *vd) ? int32_t{-1} : int32_t{2};
    });
}

tbcom_bool tbcom_impl_GetPhaseVolt(double u1, double u2, double u3, double* p1, double* p2, double* p3) {
    return Guard<tbcom_bool>(0, [&] {
        std::array<double, 3> r{0, 0, 0};
        if (!(u1 + u2 + u3 <= 0)) {
            auto star = src::LineToPhaseVolt(u1, u2, u3);
            if (!star) return tbcom_bool{0};
            r = *star;
        }
        if (p1) *p1 = r[0];
        if (p2) *p2 = r[1];
        if (p3) *p3 = r[2];
        return tbcom_bool{1};
    });
}

int32_t tbcom_impl_Set_VoltPara(double d1, double d2, double d3, double d4, double d5, int32_t n) {
    GuardVoid([&] { src::Set_VoltPara(d1, d2, d3, d4, d5, n); });
    return 1;
}

tbcom_bool tbcom_impl_Power_Revise(void) {
    return Guard<tbcom_bool>(0, [&] { return tbcom_bool{src::Power_Revise()}; });
}

}  // extern "C"
