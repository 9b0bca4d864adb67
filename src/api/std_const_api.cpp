// Export of the standard constant by model.
#include "api/host_io.h"
#include "stdmeter/std_const_by_model.h"

extern "C" {

double tbcom_impl_GetStdConstByModel(double voltage, double current, const char* model) {
    return tbcom::api::Guard<double>(0, [&] {
        return tbcom::stdmeter::StdConstByModel(voltage, current, tbcom::api::TextIn(model));
    });
}

}  // extern "C"
