// One register write and one two-register read of the LX-7000 instrument
// (device 55), made by the library and made by libmodbus as the master, on
// the same line: a pseudo-terminal whose other side is served by a
// libmodbus slave thread. Device 55 gets no 0xF9 wake-up bytes, so both
// masters put the same bytes on the wire and the times compare directly;
// their ratio is the library's cost against what a host would otherwise use.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <benchmark/benchmark.h>
#include <modbus.h>

#include <atomic>
#include <string>
#include <thread>

#include "core/lifecycle.h"
#include "core/state.h"
#include "tbcom.h"
#include "transport/modbus_rtu.h"

namespace {

struct Line {
    int master = -1;
    modbus_t* slave = nullptr;
    modbus_mapping_t* map = nullptr;
    std::thread server;
    std::atomic<bool> stop{false};

    Line() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        grantpt(master), unlockpt(master);
        slave = modbus_new_rtu(ptsname(master), 9600, 'N', 8, 1);
        modbus_set_slave(slave, 55);
        modbus_connect(slave);
        map = modbus_mapping_new(0, 0, 0x100, 0);
        server = std::thread([this] {
            std::uint8_t q[MODBUS_RTU_MAX_ADU_LENGTH];
            for (int n; !stop;)
                if ((n = modbus_receive(slave, q)) > 0 && !stop) modbus_reply(slave, q, n, map);
        });
    }
    ~Line() {
        stop = true;
        const std::string wake = tbcom::transport::BuildReadRegisters(55, 0, 1);
        (void)!write(master, wake.data(), wake.size());
        server.join();
        modbus_close(slave), modbus_free(slave), modbus_mapping_free(map);
        close(master);
    }
};

void BM_LibraryWriteRead(benchmark::State& st) {
    Line line;
    tbcom::core::processAttach();
    SetComHandle(static_cast<tbcom_handle>(line.master));
    char buf[16];
    char* p = buf;
    for (auto _ : st) {
        if (!Set_LX7000_Register_More("5C,1", "3", 7) || !Read_LX7000_Register(&p, "70", 7))
            st.SkipWithError("the library's exchange failed");
    }
    tbcom::core::state().benchPort = 0;
    tbcom::core::processAttach();
}
BENCHMARK(BM_LibraryWriteRead)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_LibmodbusWriteRead(benchmark::State& st) {
    Line line;
    modbus_t* ctx = modbus_new_rtu("/dev/null", 9600, 'N', 8, 1);  // its descriptor is replaced below
    modbus_set_slave(ctx, 55);
    modbus_set_socket(ctx, line.master);
    std::uint16_t regs[2];
    for (auto _ : st) {
        if (modbus_write_registers(ctx, 0x5C, 1, regs) != 1 || modbus_read_registers(ctx, 0x70, 2, regs) != 2)
            st.SkipWithError("libmodbus's exchange failed");
    }
    modbus_free(ctx);
}
BENCHMARK(BM_LibmodbusWriteRead)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
