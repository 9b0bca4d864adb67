// Exports of the standard-meter family.
#include "api/host_io.h"
#include "stdmeter/std_read.h"

using tbcom::api::Guard;
using tbcom::api::TextIn;
using tbcom::api::TextOut;
namespace sm = tbcom::stdmeter;

namespace {

// Stores port and model, opens the ports. The readers go on without the
// bench port only when the VN-74 port is open.
bool openForReading(std::uint8_t port, const char* model) {
    auto& st = tbcom::core::state();
    st.stdMeterModel = TextIn(model);
    const bool bench = tbcom::api::OpenBench(port);
    return bench || st.vn74Port != 0;
}

// The host's buffer is not passed; the header promises texts of at most this
// many characters (and the zero), whatever a meter sends.
constexpr size_t kMaxReadingText = 1023;

void WriteReading(char** data, const std::string& text) {
    TextOut(data, text.size() > kMaxReadingText ? text.substr(0, kMaxReadingText) : text, kMaxReadingText);
}

}  // namespace

extern "C" {

tbcom_bool tbcom_impl_StdMeter_Read(char** data, const char* model, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        const std::string request = (data && *data) ? std::string(*data) : std::string();
        if (!openForReading(port, model)) return tbcom_bool{0};
        sm::ReadOutcome r = sm::StdMeterRead(request);
        WriteReading(data, r.text);
        return tbcom_bool{r.ok};
    });
}

tbcom_bool tbcom_impl_StdMeter_Read_Direct(char** data, const char* model, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!openForReading(port, model)) return tbcom_bool{0};
        sm::ReadOutcome r = sm::StdMeterReadDirect();
        WriteReading(data, r.text);
        return tbcom_bool{r.ok};
    });
}

tbcom_bool tbcom_impl_ReadVoltCur(double* u, double* i, const char* model, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        tbcom::core::state().stdMeterModel = TextIn(model);
        if (!tbcom::api::OpenBench(port)) return tbcom_bool{0};
        sm::VoltCurOutcome r = sm::ReadVoltCurrent();
        if (u) *u = r.u;
        if (i) *i = r.i;
        return tbcom_bool{r.ok};
    });
}

tbcom_bool tbcom_impl_Set_StdMeter_Channel(const char* model, uint8_t a, uint8_t b, uint8_t c, uint8_t d,
                                            uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!tbcom::api::OpenBench(port)) return tbcom_bool{0};
        return tbcom_bool{sm::SetStdMeterChannel(TextIn(model), a, b, c, d)};
    });
}

}  // extern "C"
