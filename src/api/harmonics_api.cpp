// Exports of the harmonics family: the per-phase harmonic fields and the
// harmonic value list.
#include "api/host_io.h"
#include "source/drivers/harmonics.h"

using tbcom::api::GuardVoid;
namespace drv = tbcom::source::drivers;

namespace {

// Elements 0..2 of a host array given as its first element and the index of
// its last; nothing when it holds fewer than three.
template <class T>
std::optional<std::array<T, 3>> FirstThree(const T* p, int32_t high) {
    if (!p || high < 2) return std::nullopt;
    return std::array<T, 3>{p[0], p[1], p[2]};
}

}  // namespace

extern "C" {

void tbcom_impl_Set_Harmonic_Data(const double* a, int32_t aHigh, const int32_t* b, int32_t bHigh,
                                   const double* c, int32_t cHigh, const double* d, int32_t dHigh) {
    GuardVoid([&] {
        auto ta = FirstThree(a, aHigh);
        auto tb = FirstThree(b, bHigh);
        auto tc = FirstThree(c, cHigh);
        auto td = FirstThree(d, dHigh);
        if (ta && tb && tc && td) drv::SetHarmonicData(*ta, *tb, *tc, *td);
    });
}

void tbcom_impl_Set_Harmonic_Data1(double a, int32_t b, double c, double d) {
    GuardVoid([&] { drv::SetHarmonicData({a, 0, 0}, {b, 0, 0}, {c, 0, 0}, {d, 0, 0}); });
}

void tbcom_impl_SetHarmValue(const char* key, int32_t order, double content, double phase) {
    GuardVoid([&] { drv::AddHarmValue(tbcom::api::TextIn(key), order, content, phase); });
}

}  // extern "C"
