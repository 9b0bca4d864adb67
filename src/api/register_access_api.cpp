// Exports of the LX-7000 register access.
#include "api/host_io.h"
#include "instruments/lx_register_access.h"

using tbcom::api::Guard;
using tbcom::api::TextIn;
namespace inst = tbcom::instruments;

namespace {

// "-214748.3648" is the longest value text.
constexpr size_t kMaxRegisterValueText = 12;

}  // namespace

extern "C" {

tbcom_bool tbcom_impl_Set_LX7000_Register(const char* reg, const char* value, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        return tbcom::api::OpenBench(port) && inst::SetLxRegister(TextIn(reg), TextIn(value));
    });
}

tbcom_bool tbcom_impl_Set_LX7000_Register_More(const char* target, const char* value, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        return tbcom::api::OpenBench(port) && inst::SetLxRegisterMore(TextIn(target), TextIn(value));
    });
}

tbcom_bool tbcom_impl_Read_LX7000_Register(char** value, const char* target, uint8_t port) {
    return Guard<tbcom_bool>(0, [&] {
        if (!tbcom::api::OpenBench(port)) return false;
        auto text = inst::ReadLxRegister(TextIn(target));
        if (!text) return false;
        tbcom::api::TextOut(value, *text, kMaxRegisterValueText);
        return true;
    });
}

}  // extern "C"
