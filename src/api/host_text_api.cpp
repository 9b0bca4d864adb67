// Export by which the host states the size of its text-out buffers.
#include "api/host_io.h"

extern "C" {

tbcom_bool tbcom_impl_SetTextBufferSize(int32_t bytes) {
    if (bytes < 0) return 0;
    tbcom::core::state().textBufferSize = bytes;
    return 1;
}

}  // extern "C"
