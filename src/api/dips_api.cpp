// Exports of the voltage dip and interruption family.
#include "api/host_io.h"
#include "source/drivers/dips.h"

using tbcom::api::Guard;
using tbcom::api::OpenBench;
namespace drv = tbcom::source::drivers;

extern "C" {

tbcom_bool tbcom_impl_VFall_Start(double d1, double d2, double d3, double d4, double d5, int32_t n,
                                   int32_t w2, int32_t w1, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return OpenBench(port) && drv::DipStart(d1, d2, d3, d4, d5, n, w1, w2); });
}

tbcom_bool tbcom_impl_EnVFall_Start(double d1, double d2, double d3, double d4, double d5, double d6,
                                     double a, double b, int32_t n, int32_t w2, int32_t w1, uint8_t port) {
    return Guard<tbcom_bool>(
        0, [&] { return OpenBench(port) && drv::DipStartExtended(d1, d2, d3, d4, d5, d6, a, b, n, w1, w2); });
}

int32_t tbcom_impl_VFall_Times(int32_t which, uint8_t port) {
    return Guard<int32_t>(0, [&] { return OpenBench(port) ? drv::DipCount(which) : 0; });
}

int32_t tbcom_impl_VBreak_Read(uint8_t port) {
    return Guard<int32_t>(-1, [&] { return OpenBench(port) ? drv::InterruptionCount() : 0; });
}

tbcom_bool tbcom_impl_VBreakOff(uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return OpenBench(port) && drv::InterruptionParamsWrite(); });
}

tbcom_bool tbcom_impl_VBreakStop(uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return OpenBench(port) && drv::InterruptionStop(); });
}

}  // extern "C"
