#!/usr/bin/env python3
"""A short bench session through the tbcom Python module (the one of
scripts/demo.sh): the source set to 220 V, 5 A, PF 1.0 and corrected against
the standard meter, the standard meter's reading, an error test on positions
1 to 3, a clock test on the clock unit with a constant test at position 2
during its gate, switch-off.

  PYTHONPATH=build/native/python python3 python/examples/bench_session.py --benchsim build/native/benchsim

With --benchsim the script starts that simulated bench on pseudo-terminals in
a temporary folder (three 1000 imp/kWh meters 0.25 %, -0.4 % and 0.1 % off,
meter 1's clock 0.5 s/day fast, a source 0.3 %, -0.2 % and 0.4 % off until the
correction trims it) and stops it at the end; without it the bench must be on
COM3 already (TBCOM_COMDIR). Exit 0 when every step gave its result.
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

import tbcom

PORT = 3
POSITIONS = (1, 2, 3)
STD_MODEL = "KP8707C-66"
METER_CONSTANT = 1000.0
CLOCK_GATE_S = 10
CONST_POSITION = 2
BENCH_OPTIONS = ["--com", "3", "--positions", "3", "--meter", "1:1000:0.25", "--meter", "2:1000:-0.4",
                 "--meter", "3:1000:0.1", "--clock", "1:0.5", "--std-meter", "kp3", "--std-error", "0.02",
                 "--source", "kp", "--source-error", "0.3:-0.2:0.4", "--source-settle", "6"]


class Failed(Exception):
    pass


def start_benchsim(path, folder):
    """Starts benchsim serving COM3 in `folder`; returns the process once it
    has printed its READY line."""
    proc = subprocess.Popen([path, "--dir", folder] + BENCH_OPTIONS, stdout=subprocess.PIPE, text=True)
    line = proc.stdout.readline()  # benchsim prints READY first, or exits
    if not line.startswith("READY "):
        proc.kill()
        raise Failed(f"benchsim did not get ready: {line!r}")
    print("benchsim:", line.strip())
    return proc


def output_request():
    print(f"output request: 220 V, 5 A, PF 1.0, 50 Hz on phases A, B, C (model {STD_MODEL})")
    t0 = time.monotonic()
    r = tbcom.Adjust_UI(1, 220, 5, 50, 0, 0, 100, 100, "H", "1.0", STD_MODEL, PORT)
    print(f"Adjust_UI returned {r} after {time.monotonic() - t0:.2f} s (settling and correction)\n")
    if r != 1:
        raise Failed("the output request failed")
    # The simulated standard meter gives 10000 pulses per kWh whatever the
    # ranges, while the library takes the constant of the ranges it chose.
    tbcom.SetStdConst(10000)


def std_meter_reading():
    """The 28-field reading: U, I, P and PF per phase and the frequency."""
    ok, text = tbcom.StdMeter_Read(STD_MODEL, PORT)
    fields = text.split(",")
    if not ok or len(fields) != 28:
        raise Failed(f"the standard meter gave {text!r}")
    print(f"standard meter {STD_MODEL}")
    print(f"{'phase':7} {'U (V)':>10} {'I (A)':>10} {'P (W)':>12} {'PF':>7}")
    for k, phase in enumerate("ABC"):
        print(f"{phase:7} {fields[k]:>10} {fields[3 + k]:>10} {fields[9 + k]:>12} {fields[22 + k]:>7}")
    print(f"{'total':7} {'':>10} {'':>10} {fields[18]:>12} {fields[25]:>7}")
    print(f"frequency {fields[21]} Hz\n")
    return [float(f) for f in fields]


def error_test():
    """Polls every position until its calculator reports a result."""
    if not tbcom.Error_Clear(PORT):
        raise Failed(f"Error_Clear failed (is the bench on COM{PORT}?)")
    for p in POSITIONS:
        if not tbcom.Error_Start(p, METER_CONSTANT, 1, PORT):
            raise Failed(f"Error_Start refused at position {p}")
    results, t0 = {}, time.monotonic()
    while len(results) < len(POSITIONS) and time.monotonic() - t0 < 15:
        for p in POSITIONS:
            ok, text = tbcom.Error_Read(p, PORT)
            if p not in results and ok and not text.startswith("0"):
                results[p] = text
        time.sleep(0.2)
    print(f"{'position':10} error")
    for p in POSITIONS:
        print(f"{p:<10} {results.get(p, '(no result)')}")
    print(f"error test done in {time.monotonic() - t0:.1f} s\n")
    if len(results) < len(POSITIONS):
        raise Failed("a position gave no error")
    return results


def clock_and_constant_test():
    print(f"clock test on the clock unit: 1 Hz clock pulse, 5 MHz reference, gate {CLOCK_GATE_S} s")
    if not (tbcom.SetRefClock(1, PORT) and tbcom.Clock_Test_StartL(1.0, CLOCK_GATE_S, PORT)):
        raise Failed("the clock unit did not start")
    gate_start = time.monotonic()
    # The gate runs on the clock unit by itself: meanwhile the bus serves
    # the constant test at position 2.
    if not (tbcom.Set_485_Channel(CONST_POSITION, 1, PORT) and
            tbcom.ConstTest_Start(CONST_POSITION, METER_CONSTANT, PORT)):
        raise Failed(f"position {CONST_POSITION} did not start the constant test")
    const_start = time.monotonic()
    full = False
    while not full and time.monotonic() - gate_start < CLOCK_GATE_S + 5:
        time.sleep(0.5)
        ok, status = tbcom.Clock_Test_Read(PORT)
        full = ok and status.startswith("1")
    ok_count, pulses = tbcom.Count_Read(CONST_POSITION, PORT)
    ok_energy, energy, std_energy = tbcom.ConstPulse_Read(METER_CONSTANT, CONST_POSITION, PORT)
    if not (ok_count and ok_energy):
        raise Failed(f"no count from position {CONST_POSITION}")
    print(f"constant test at position {CONST_POSITION} over {time.monotonic() - const_start:.1f} s: "
          f"{pulses} meter pulses, meter {energy:.5f} kWh, standard {std_energy:.5f} kWh")
    daily = tbcom.Clock_Test_ReadL(1.0, 1, PORT)
    hz = tbcom.Clock_Test_ReadL(1.0, 0, PORT)
    if not (full and daily.returned and hz.returned):
        raise Failed("the clock gate did not complete")
    print(f"clock of meter 1: daily error {daily.result} s/day, clock frequency {hz.result} Hz")
    tbcom.Clock_Test_Stop(PORT)
    tbcom.SetRefClock(2, PORT)
    tbcom.Set_485_Channel(CONST_POSITION, 0, PORT)
    return daily.result, pulses, energy, std_energy


def session():
    start = time.monotonic()
    print(f"bench on COM{PORT}, meter constant {METER_CONSTANT:g}, library {tbcom.library().path}")
    try:
        output_request()
        print("reading after the correction:")
        std_meter_reading()
        error_test()
        clock_and_constant_test()
    finally:
        off = tbcom.Power_Off(PORT)
        print("source switched off" if off == 1 else "switch-off failed")
        tbcom.Dll_Port_Close()
        print(f"done in {time.monotonic() - start:.1f} s")
    return off == 1


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--benchsim", help="start this benchsim and run the session against it")
    args = parser.parse_args()
    sim = None
    with tempfile.TemporaryDirectory(prefix="tbcom-py-") as folder:
        try:
            if args.benchsim:
                os.environ["TBCOM_COMDIR"] = folder
                sim = start_benchsim(args.benchsim, folder)
            ok = session()
        except Failed as err:
            print(f"bench_session: {err}", file=sys.stderr)
            ok = False
        finally:
            if sim:
                sim.terminate()
                sim.wait()
                sim.stdout.close()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
