// Exports of the amplifier and CT family.
#include "api/host_io.h"
#include "instruments/amplifier.h"

using tbcom::api::Guard;
namespace inst = tbcom::instruments;

extern "C" {

tbcom_bool tbcom_impl_Set_HMC_2011(uint8_t flag, double d1, double d2, double d3, double d4, double d5,
                                    double d6, double d7) {
    const double d[7] = {d1, d2, d3, d4, d5, d6, d7};
    inst::setAmplifier(flag, d, false);
    return 1;
}

tbcom_bool tbcom_impl_Set_HMC_2016(uint8_t flag, double d1, double d2, double d3, double d4, double d5,
                                    double d6, double d7) {
    const double d[7] = {d1, d2, d3, d4, d5, d6, d7};
    inst::setAmplifier(flag, d, true);
    return 1;
}

tbcom_bool tbcom_impl_Set_HMC_New(uint8_t flag) {
    inst::amplifier().newCt = flag;
    return 1;
}

tbcom_bool tbcom_impl_SetMaxUI(double outVoltage, double outCurrent, double rangeVoltage,
                                double rangeCurrent) {
    inst::setMaxUI(outVoltage, outCurrent, rangeVoltage, rangeCurrent);
    return 1;
}

tbcom_bool tbcom_impl_Set_HMC_CT1(int32_t ct, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return tbcom::api::OpenBench(port) && inst::writeCtSetting(ct); });
}

tbcom_bool tbcom_impl_Set_Pow_Amplifier_MaxU(double volts, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] { return tbcom::api::OpenBench(port) && inst::writeAmplifierMaxU(volts); });
}

tbcom_bool tbcom_impl_Set_VeraZudu_CT_Para(const char* rule) {
    return Guard<tbcom_bool>(0, [&] {
        const std::string r = tbcom::api::TextIn(rule);
        if (!inst::ruleTextValid(r)) return false;
        inst::amplifier().ctRule = r;
        return true;
    });
}

tbcom_bool tbcom_impl_Set_VeraZudu_CT_Display_Para(const char* rule) {
    return Guard<tbcom_bool>(0, [&] {
        const std::string r = tbcom::api::TextIn(rule);
        if (!inst::ruleTextValid(r)) return false;
        inst::amplifier().ctDisplayRule = r;
        return true;
    });
}

}  // extern "C"
