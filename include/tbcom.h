/*
 * tbcom: bench-control library of an electricity-meter test bench.
 *
 * Every function uses the standard Win32 calling convention on 32-bit
 * Windows (TBCOM_CALL) and plain C linkage everywhere. Conventions:
 *
 *  - Byte arguments (ports, positions, flags) travel in 32-bit slots.
 *  - Boolean results: 1 = the device answered as expected, 0 = failure
 *    (bench port not available, no reply, bad or refused reply).
 *  - Functions whose names end in "_gFun" take the port as a text ("COM3")
 *    and return -1 for success and 2 for failure. A port text without a
 *    number after its third character fails with 2 and sends nothing.
 *  - Text in: zero-terminated 8-bit string; NULL reads as the empty text.
 *  - Text out (char **): the library copies the result and a terminating
 *    zero into the buffer that *ref points to; it cannot know its size, so
 *    each function below states the longest text it writes (excluding the
 *    zero), whatever a device replies. A text that would be longer is never
 *    written: the empty text is, and the call fails (the standard-meter reads
 *    cut their texts instead, as stated there). A NULL ref, or a NULL *ref,
 *    is not written. A host that knows its buffers' size can state it with
 *    SetTextBufferSize: every text is then also cut to fit it.
 *  - Texts are GBK byte strings where they are not ASCII; numbers in texts
 *    always use "." as the decimal separator.
 *  - The bench port number passed to any device function only takes effect
 *    while the bench port is closed; call Dll_Port_Close to move to another
 *    port. On Linux, COM<n> is $TBCOM_COMDIR/COM<n> if TBCOM_COMDIR is set,
 *    else /dev/ttyS<n-1>.
 *  - A device function started from a window-message handler while another
 *    one is running is not supported: waits dispatch the thread's messages.
 *  - Every receive ends within a bound, whatever a device sends: only bytes
 *    that advance the reply restart its silence limit (bytes before the
 *    reply's start byte, or past its end, do not), and an overall bound caps
 *    it. Bus replies: 2 s of silence, at most 6 s per attempt (up to three
 *    attempts 0.1 s apart). Modbus replies (bench controller, register
 *    meters): 0.5 s of silence, at most 1.5 s. Text-command standard meters,
 *    VN-74 and GF7400 answers: at most 1 s. Frame-command standard meters
 *    (DD7400, TB8760, TB8700B): 3 s of silence, at most 10 s. TORVA and
 *    WB412U answers: 3 s of silence, at most 6 s. A call's longest wait is
 *    the sum over its exchanges.
 *  - Integer arguments are range-checked before any arithmetic on them.
 *  - Additions to the bench's original interface (every other function here
 *    belongs to it): OperationHC_Free, which releases the slot buffers
 *    OperationHC_Fun allocated; SetTextBufferSize, which states the size of
 *    the host's text-out buffers.
 */
#ifndef TBCOM_H
#define TBCOM_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(TBCOM_BUILDING) && defined(TBCOM_EXPORTS_BY_DEF)
     /* The build's module-definition file names every export (undecorated). */
#    define TBCOM_API
#  elif defined(TBCOM_BUILDING)
#    define TBCOM_API __declspec(dllexport)
#  else
#    define TBCOM_API __declspec(dllimport)
#  endif
#  if defined(_WIN64)
#    define TBCOM_CALL
#  else
#    define TBCOM_CALL __stdcall
#  endif
#else
#  if defined(TBCOM_BUILDING)
#    define TBCOM_API __attribute__((visibility("default")))
#  else
#    define TBCOM_API
#  endif
#  define TBCOM_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef uint8_t tbcom_bool;   /* 1 = success, 0 = failure */
typedef uint32_t tbcom_handle; /* port handle, 0 = closed */

/* ---- Frame and state ------------------------------------------------------
 * None of these touches a device; none but SetTextBufferSize validates its
 * argument. */

/* Closes the bench port if open (the VN-74 port stays open). */
TBCOM_API void TBCOM_CALL Dll_Port_Close(void);
/* The bench port's handle, 0 when closed. */
TBCOM_API tbcom_handle TBCOM_CALL getComHandle(void);
/* Makes `handle` the bench port, unchecked; the library closes it on
 * Dll_Port_Close and at unloading. When a refused baud change closes the
 * bench port, getComHandle keeps returning its value until Dll_Port_Close
 * or SetComHandle, but device functions fail without sending and the value
 * is never passed to the operating system again (it may have reused it). */
TBCOM_API void TBCOM_CALL SetComHandle(tbcom_handle handle);
/* Current-transformer ratio of the standard meter's current range (1.0). */
TBCOM_API double TBCOM_CALL getCTRate(void);
/* Standard-meter constant used for error tests, pulses per kWh (10000). */
TBCOM_API double TBCOM_CALL GetStdConst(void);
/* Sets that constant (an output request sets it again from the ranges). */
TBCOM_API void TBCOM_CALL SetStdConst(double value);
/* Device address of the pulse board (1). */
TBCOM_API void TBCOM_CALL SetDMAddr(int32_t address);
/* Reference clock of the error calculators, in kHz (stored in Hz; 50). */
TBCOM_API void TBCOM_CALL SetStdFreq(double kilohertz);
/* Correction mode of the closed-loop correction (3); mode 2 scales small
 * currents. */
TBCOM_API void TBCOM_CALL Set_ReviseMode(int32_t mode);
/* Settling time after an output before the correction, seconds (5.5). */
TBCOM_API void TBCOM_CALL Set_ReviseTime(double seconds);
/* flag 1: no correction after an output request (0). */
TBCOM_API void TBCOM_CALL Set_NoRevise(uint8_t flag);
/* flag 1: the LX meters' readings are not multiplied by getCTRate (0). */
TBCOM_API void TBCOM_CALL Set_BackRate(uint8_t flag);
/* which != 0: keep the voltage range; which == 0: keep the current range. */
TBCOM_API void TBCOM_CALL Set_SameRange(uint8_t value, uint8_t which);
/* Wave type of the next output: 0 plain, 2 with the harmonic fields, 4
 * synthesized waveforms, 5 with the voltage parameter block. */
TBCOM_API void TBCOM_CALL Set_WaveType(int32_t waveType);
/* Output frequency in Hz. */
TBCOM_API void TBCOM_CALL Set_Frequancy(double hertz);
/* Output mode taken over by output requests in wiring modes 2, 4 and 6. */
TBCOM_API void TBCOM_CALL Set_OutPutMode(uint8_t mode);
/* Voltage range doubling option of the range choice (0). */
TBCOM_API void TBCOM_CALL Set_DoubleVRang(uint8_t flag);
/* Current range doubling option of the range choice (0). */
TBCOM_API void TBCOM_CALL Set_DoubleARang(uint8_t flag);
/* Current range doubling parameter of the range choice (0). */
TBCOM_API void TBCOM_CALL Set_DoubleARangBL(int32_t value);
/* Addition: the size in bytes, terminator included, of every buffer the
 * host passes for a text out from now on (0, the default: not stated, each
 * function writes up to its longest text). With n >= 1 every text written
 * into a host buffer is cut to its first n - 1 bytes and a zero; a call's
 * result is the same as without the cut. A negative size returns 0 and
 * changes nothing; otherwise 1. Buffers the library owns (OperationHC_Fun's
 * slots, the "_gFun" code texts) are not affected. */
TBCOM_API tbcom_bool TBCOM_CALL SetTextBufferSize(int32_t bytes);

/* ---- Error tests -----------------------------------------------------------
 * Position p is bus address 0x41 + p; where position 0 is accepted it
 * broadcasts to all positions (never answered, reported as success). A
 * position outside 0..189 returns 0 (the "_gFun" calls 2) and sends
 * nothing. */

/* Starts an error measurement over `circles` meter pulses; the standard
 * pulses sent are round(circles / meterConstant * StdConst). A meter
 * constant that gives no count of at most nine digits (0, NaN, 1e-30, a
 * negative one) returns 0 and sends nothing. */
TBCOM_API tbcom_bool TBCOM_CALL Error_Start(uint8_t position, double meterConstant, uint8_t circles, uint8_t port);
/* As Error_Start with a 32-bit position and circle count. */
TBCOM_API tbcom_bool TBCOM_CALL Error_StartL(int32_t position, double meterConstant, int32_t circles, uint8_t port);
/* As Error_Start with a correction in percent, |correction| < 10. */
TBCOM_API tbcom_bool TBCOM_CALL Error_Start_Correct(uint8_t position, double meterConstant, double correction,
                                                     int32_t circles, uint8_t port);
/* Reads the latest error: "<status>,<error %>" such as "1,-0.125"; when the
 * calculator's field is not a number, that field (result 0); empty on no
 * reply. Longest text: 16 characters. One attempt (about 2 s when silent, at
 * most 6 s whatever the calculator sends). */
TBCOM_API tbcom_bool TBCOM_CALL Error_Read(char **result, uint8_t position, uint8_t port);
/* Clears and resets all calculators (broadcasts). */
TBCOM_API tbcom_bool TBCOM_CALL Error_Clear(uint8_t port);
/* Clears and resets one calculator; position 0 addresses 0x41. */
TBCOM_API tbcom_bool TBCOM_CALL ErrorClear(uint8_t position, uint8_t port);
/* Stops and resets all calculators (broadcast). */
TBCOM_API tbcom_bool TBCOM_CALL Error_Reset(uint8_t port);
/* Raw frame 0x01, address, command + data; data "#hhhh.." sends the hex byte
 * sum of the pairs ("BAD_STR" for an odd number of digits; a digit that is
 * not hexadecimal returns 0 and sends nothing). Reply: the raw reply bytes
 * or "RECV_BAD"; longest text: 32 characters. */
TBCOM_API tbcom_bool TBCOM_CALL ErrorComm(uint8_t port, uint8_t address, uint8_t command, const char *data,
                                           char **reply);
/* As ErrorComm without handing back the reply. */
TBCOM_API tbcom_bool TBCOM_CALL ErrorComm1(uint8_t port, uint8_t address, uint8_t command, const char *data);
/* Starts with the standard pulses given directly. *code receives a pointer to
 * "6" (success) or "21" (failure), valid until the library is unloaded. */
TBCOM_API int32_t TBCOM_CALL ErrorCircles_gFun(const char *port, int32_t position, int32_t circles,
                                               int32_t stdPulses, int32_t unused1, const char **code,
                                               int32_t unused2);
/* Mode 2 checks the pulse result of a position: pair[0] = "6" or "15",
 * pair[1] = "". Other modes return 2 and write nothing. */
TBCOM_API int32_t TBCOM_CALL ErrorPules_gFun(const char *port, int32_t mode, int32_t position, int32_t unused1,
                                             int32_t unused2, const char **pair);
/* Order codes 2..17 (see the README). pair[0] (and for order 2 pair[1])
 * receive pointers to library-owned texts valid until the next call of this
 * function. */
TBCOM_API int32_t TBCOM_CALL ErrorOrder_gFun(const char *port, int32_t order, int32_t position, int32_t unused,
                                             const char **pair);

/* ---- Clock tests ---- */
/* A meter's clock pulse output (frequency f Hz, typically 1) is counted over
 * a gate of round(s x f) pulses against a reference clock: a position's
 * error calculator (StdFreq, see SetStdFreq) or the bench's clock unit
 * (5 MHz). Reads return 1 with an empty text while no reference pulses have
 * been counted. Read modes: 0 the meter clock frequency in Hz ("1.0000058"),
 * 1 the daily error in s/day rounded to hundredths with a sign ("+0.50",
 * "-0.00"), 2 the relative error with three decimals ("-0.012"; a value
 * that rounds to zero is written "0.000", without sign); another mode gives
 * 1 and an empty text. A division by zero in the mode's formula (f = 0, or a = 0 in
 * mode 2), or a value whose text would pass 24 characters, gives 0 and an
 * empty text. On failure the result text is empty.
 * A negative gate or non-finite f sends nothing and returns 0. Position
 * p > 189 sends nothing and returns 0. */

/* Starts a position's clock gate (command 0x27); position 0 broadcasts and
 * returns 1 at once. */
TBCOM_API tbcom_bool TBCOM_CALL Clock_Error_Start(uint8_t position, double frequency, int32_t seconds, uint8_t port);
/* As Clock_Error_Start with command 0x3F. */
TBCOM_API tbcom_bool TBCOM_CALL Clock_SD_Start(uint8_t position, double frequency, int32_t seconds, uint8_t port);
/* Reads a position's counts against StdFreq and writes the text of `mode`.
 * Longest text: 24 characters. */
TBCOM_API tbcom_bool TBCOM_CALL Clock_Error_Read(char **result, double frequency, uint8_t mode, uint8_t position,
                                                  uint8_t port);
/* Starts the clock unit's gate: round(s x f) meter pulses, s x 5e6
 * reference pulses (formed in 64 bits). */
TBCOM_API tbcom_bool TBCOM_CALL Clock_Test_Start(double frequency, int32_t seconds, uint8_t port);
/* As Clock_Test_Start with the long count fields (command 0x3F). */
TBCOM_API tbcom_bool TBCOM_CALL Clock_Test_StartL(double frequency, int32_t seconds, uint8_t port);
/* The clock unit's status and value: "<status>,<value / 1000>" such as
 * "1,0.500"; a value field that is not a number is handed back trimmed with
 * result 0. Sent once, never retried (about 2 s when silent, at most 6 s).
 * Longest text: 9 characters. */
TBCOM_API tbcom_bool TBCOM_CALL Clock_Test_Read(char **result, uint8_t port);
/* Reads the clock unit's counts against 5 MHz and writes the text of
 * `mode`. Longest text: 24 characters. */
TBCOM_API tbcom_bool TBCOM_CALL Clock_Test_ReadL(char **result, double frequency, uint8_t mode, uint8_t port);
/* Stops the clock unit (the stop is sent twice, 1 ms apart; the second
 * reply decides). */
TBCOM_API tbcom_bool TBCOM_CALL Clock_Test_Stop(uint8_t port);
/* state 1 switches the clock unit's reference clock on, any other state
 * off. */
TBCOM_API tbcom_bool TBCOM_CALL SetRefClock(uint8_t state, uint8_t port);

/* ---- Position switching and test commands ---- */

/* Position p is bus address 0x41 + p. "P/all" below: position 0 broadcasts
 * to all positions (never answered, reported as success); elsewhere position
 * 0 addresses unit "A" (0x41). Every function returns 0 without sending when
 * the bench port cannot be opened or a position is outside 0..189, and then
 * leaves its outputs untouched. A reading whose text would pass the longest
 * text stated gives the empty text and result 0. */

/* Pulse channel of a position (P/all). */
TBCOM_API tbcom_bool TBCOM_CALL Set_Pulse_Channel(uint8_t position, uint8_t channel, uint8_t port);
/* Comparison channel at unit "A": channels 1..3 are sent as 0..2, from 4 on
 * the channel itself (low byte). */
TBCOM_API tbcom_bool TBCOM_CALL Set_CWChl(int32_t channel, uint8_t port);
/* Comparison phase at unit "A". */
TBCOM_API tbcom_bool TBCOM_CALL Set_CWPhase(uint8_t phase, uint8_t port);
/* Circuit selection at unit "A"; waits 1.0 s after a successful switch. */
TBCOM_API tbcom_bool TBCOM_CALL SelectCircuit(uint8_t circuit, uint8_t port);
/* Cuts neutral n (unit at 0x42). */
TBCOM_API tbcom_bool TBCOM_CALL CutNeutral(uint8_t n, uint8_t port);
/* Power test switch (unit 0x08): state 1 on, anything else off. */
TBCOM_API tbcom_bool TBCOM_CALL SetPowerTest(uint8_t state, uint8_t port);
/* Starts the dial mark search (P/all). */
TBCOM_API tbcom_bool TBCOM_CALL Search_mark(uint8_t position, uint8_t port);
/* 1 only when the position reports the mark found. */
TBCOM_API tbcom_bool TBCOM_CALL Search_mark_Result(uint8_t position, uint8_t port);
/* Starts the creep / start-up test (P/all). */
TBCOM_API tbcom_bool TBCOM_CALL CRPSTA_start(uint8_t position, uint8_t port);
/* Clears the position's calculator, then starts the creep / start-up test. */
TBCOM_API tbcom_bool TBCOM_CALL CRPSTA_clear(uint8_t position, uint8_t port);
/* 1 only when the position reports the creep / start-up test passed. */
TBCOM_API tbcom_bool TBCOM_CALL CRPSTA_Result(uint8_t position, uint8_t port);
/* Automatic sub-test command "B" (P/all). */
TBCOM_API tbcom_bool TBCOM_CALL AutoSub(uint8_t position, uint8_t port);
/* Resets the automatic sub-test, command "1" (P/all). */
TBCOM_API tbcom_bool TBCOM_CALL AutoSub_Reset(uint8_t position, uint8_t port);
/* Starts a constant test: the position counts meter pulses and standard
 * pulses (round(StdConst / meterConstant) standard pulses per meter pulse
 * are sent; a meter constant that gives no six-digit count, such as 0 or
 * NaN, returns 0 unsent). Position 0 starts unit "A" and then broadcasts. */
TBCOM_API tbcom_bool TBCOM_CALL ConstTest_Start(uint8_t position, double meterConstant, uint8_t port);
/* As ConstTest_Start with 1000 standard pulses per meter pulse. */
TBCOM_API tbcom_bool TBCOM_CALL Count_Start(uint8_t position, uint8_t port);
/* RS-485 channel of a position: state (low byte) 1 switches every channel
 * off, waits 0.05 s and switches this one on; any other state switches it
 * off. Position 0 switches all on (state 1) or off. */
TBCOM_API tbcom_bool TBCOM_CALL Set_485_Channel(uint8_t position, int32_t state, uint8_t port);
/* As Set_485_Channel in one frame: state 1 on, else off (P/all). */
TBCOM_API tbcom_bool TBCOM_CALL Set_485_ChannelS(uint8_t position, uint8_t state, uint8_t port);
/* Trip mode 1..11 (P/all); any other mode returns 0 without sending. */
TBCOM_API tbcom_bool TBCOM_CALL TripModeEn(int32_t mode, uint8_t position, uint8_t port);
/* Voltage-fall test (P/all): t1 and t2 in seconds,
 * each capped at 6000 and sent in tenths, and the count. */
TBCOM_API tbcom_bool TBCOM_CALL VoltFall(uint8_t port, int32_t position, double t1, double t2, int32_t count);
/* Mode 0, 1 or 2 of the power-measurement unit 0xA9 + channel; a mode above
 * 2 returns 0 without sending. */
TBCOM_API tbcom_bool TBCOM_CALL Power_Measure_CTL(uint8_t channel, uint8_t mode, uint8_t port);

/* Meter pulses counted since ConstTest_Start / Count_Start. No reply or a
 * count that is not a number: *count = 0, result 0. */
TBCOM_API tbcom_bool TBCOM_CALL Count_Read(int32_t *count, uint8_t position, uint8_t port);
/* Energy of the constant test: *energy = meter pulses / meterConstant (0 for
 * position 0), *stdEnergy = standard pulses / StdConst. On failure (no reply,
 * a count that is not a number, meterConstant 0) both are left untouched. */
TBCOM_API tbcom_bool TBCOM_CALL ConstPulse_Read(double *energy, double *stdEnergy, double meterConstant,
                                                 uint8_t position, uint8_t port);
/* Standard pulses counted; left untouched on failure. */
TBCOM_API tbcom_bool TBCOM_CALL STD_Pulse_Read(double *count, uint8_t position, uint8_t port);
/* Trip state digit of the position (0 when the unit reports no digit); -1
 * and result 0 without a reply. */
TBCOM_API tbcom_bool TBCOM_CALL Trip_Read(int32_t *state, uint8_t position, uint8_t port);
/* Input states of unit "A"; empty on failure. Longest text: 4 characters. */
TBCOM_API tbcom_bool TBCOM_CALL IO_Read(char **text, uint8_t port);
/* Power loss of the voltage circuit as "0.0000"; a field that is not a
 * number is handed back as it came (result 0); empty without a reply.
 * Longest text: 11 characters. */
TBCOM_API tbcom_bool TBCOM_CALL PowerLossU_Read(char **text, uint8_t position, uint8_t port);
/* As PowerLossU_Read for the current circuit, as "0.00". Longest text: 10
 * characters. */
TBCOM_API tbcom_bool TBCOM_CALL PowerLossI_Read(char **text, uint8_t position, uint8_t port);
/* Reads the standard meter, then with operation 0 one quantity of unit
 * 0xA9 + channel: 0 and 1 as "0.00", 2 as "0.000" (quantity above 2: result
 * 0, nothing sent). Other operations: empty text, result 1. No reply or a
 * value that is not a number: empty text, result 0. Longest text: 6
 * characters. */
TBCOM_API tbcom_bool TBCOM_CALL Power_Measure_Read_Single(char **text, uint8_t channel, uint8_t operation,
                                                           uint8_t quantity, uint8_t port);
/* Reads the standard meter, then the three quantities of each phase of the
 * position's power-measurement units, nine fields each followed by ",":
 * "0.00", "0.00", and the third quantity times the standard meter's current
 * of the phase as "0.0000". Wiring 0 leaves phases 2 and 3 empty, wiring 2
 * phase 2; a unit without a valid reply leaves its field empty (result 0).
 * Position 0 gives the empty text. Longest text: 90 characters (a reading
 * whose text would be longer, such as KP currents near 1e9 A, gives the
 * empty text and result 0). */
TBCOM_API tbcom_bool TBCOM_CALL Power_Measure_Read(char **text, uint8_t position, uint8_t wiring, uint8_t port);

/* ---- Function boards ---- */
/* The function board of position p is bus address 0x41 + p; position 0
 * addresses 0x41 (no broadcast); p > 189 sends nothing and returns 0.
 * Result 1 when the board's reply is good; for the setters marked (R) a
 * refusal by the board also gives 0. Decimal arguments are sent as decimal
 * text. Bit texts: "0"/"1" characters, first character = bit 0, padded with
 * "0" to 8, only the first 8 count ("1" -> 0x01, "00000001" -> 0x80).
 * Getters write their text whatever the outcome (meaningless when the result
 * is 0); when the bench port cannot be opened they write nothing. */

/* (R) Switches the position's RS-485 line (state as decimal text). */
TBCOM_API tbcom_bool TBCOM_CALL SetRS485On(uint8_t position, int32_t state, uint8_t port);
/* The RS-485 line's state character ("0"/"1"). Longest text: 1 character. */
TBCOM_API tbcom_bool TBCOM_CALL GetRS485On(char **state, uint8_t position, uint8_t port);
/* The FS state byte as 8 bit characters, bit 0 first. Longest text: 8. */
TBCOM_API tbcom_bool TBCOM_CALL GetFSState(char **bits, uint8_t position, uint8_t port);
/* (R) Sets the FS state byte from a bit text. */
TBCOM_API tbcom_bool TBCOM_CALL SetFSState(uint8_t position, uint8_t port, const char *bits);
/* The FC state byte as 8 bit characters, bit 0 first. Longest text: 8. */
TBCOM_API tbcom_bool TBCOM_CALL GetFCState(char **bits, uint8_t position, uint8_t port);
/* All eight FC state bytes as 16 upper-case hex digits. Longest text: 16. */
TBCOM_API tbcom_bool TBCOM_CALL GetFCStateP(char **state, uint8_t position, uint8_t port);
/* (R) "bits,n": sets FC state byte n (0 when n is not a number) from the bit
 * text ("1,3" sends 03 01). */
TBCOM_API tbcom_bool TBCOM_CALL SetFCState(uint8_t position, uint8_t port, const char *text);
/* (R) Pulse programme to unit 0x41 whatever the position: bytes a, high and
 * low byte of b, c, d. */
TBCOM_API tbcom_bool TBCOM_CALL SetProPulse(uint8_t a, int32_t b, uint8_t c, uint8_t d, uint8_t port);
/* (R) Pulse state byte (low byte of value); mode 1 uses command 0xA6, any
 * other mode 0xA7. The low byte of port is the bench port number. */
TBCOM_API tbcom_bool TBCOM_CALL SetPulseState(uint8_t position, int32_t value, int32_t mode, int32_t port);
/* FS pulse parameters: bytes a, b, c. */
TBCOM_API tbcom_bool TBCOM_CALL SetFSPulse(uint8_t position, uint8_t a, uint8_t b, uint8_t c, uint8_t port);
/* (R) CT circuit state. */
TBCOM_API tbcom_bool TBCOM_CALL SetCTState(uint8_t position, int32_t state, uint8_t port);
/* (R) Voltage circuit state: decimal text of a, then of b. */
TBCOM_API tbcom_bool TBCOM_CALL SetVoltState(uint8_t position, int32_t a, int32_t b, uint8_t port);
/* (R) Shows the text on the position's error display, sent unchanged. */
TBCOM_API tbcom_bool TBCOM_CALL SetErrDisplay(uint8_t position, uint8_t port, const char *text);
/* Result lamp 0, 1 or 2; another value sends the command without data. */
TBCOM_API tbcom_bool TBCOM_CALL ResultDisplay(uint8_t position, uint8_t port, int32_t value);
/* Meter interface 0, 1 or 2; another value sends the command without data. */
TBCOM_API tbcom_bool TBCOM_CALL ChangeMeterInterface(uint8_t position, uint8_t port, int32_t value);
/* (R) PWM output of `value` volts: range 0 the 5 V scale, step
 * (5.0 - v) / 0.038 + 127, another range the 12 V scale, step
 * (12.0 - v) / 0.0925 + 127; the step is rounded and clamped to 0..256 (a
 * value beyond either end of the scale sends the end step). A value that is
 * not a number sends nothing and returns 0. */
TBCOM_API tbcom_bool TBCOM_CALL SetPWMPara(uint8_t position, double value, int32_t range, uint8_t port);
/* (R) PWM output on/off. */
TBCOM_API tbcom_bool TBCOM_CALL SetPWMState(uint8_t position, int32_t state, uint8_t port);
/* (R) DC measurement on/off. */
TBCOM_API tbcom_bool TBCOM_CALL SetCheckDCState(uint8_t position, int32_t state, uint8_t port);
/* The measured DC voltage, "0.000" volts (steps of 7.5 mV); "RECV_BAD" on
 * failure. Longest text: 8 characters. */
TBCOM_API tbcom_bool TBCOM_CALL GetDCValue(char **value, uint8_t position, uint8_t port);
/* FC added-voltage state. */
TBCOM_API tbcom_bool TBCOM_CALL SetFCAddVolt(uint8_t position, int32_t state, uint8_t port);
/* The FC added-voltage state character. Longest text: 1 character. */
TBCOM_API tbcom_bool TBCOM_CALL GetFCAddVolt(char **state, uint8_t position, uint8_t port);
/* DC output type. */
TBCOM_API tbcom_bool TBCOM_CALL SetDCOutType(uint8_t position, int32_t type, uint8_t port);
/* The DC output type character. Longest text: 1 character. */
TBCOM_API tbcom_bool TBCOM_CALL GetDCOutType(char **type, uint8_t position, uint8_t port);

/* ---- Source output ----------------------------------------------------------
 * An output request computes the per-phase amplitudes and angles, has the
 * source set its ranges, writes the output block to the bench controller,
 * waits for the output to settle (Set_ReviseTime, 5.5 s by default) and,
 * with a standard meter of kind 5 or 6, corrects the output against the
 * meter: up to 8 readings about 1 s apart, then the measured values are fed
 * back. Adjust_* return 1 = done, 0 = failure. A request with a value that
 * is not finite, a power factor outside -1..1, three line voltages without a
 * star solution or an amplitude beyond its wire field (655.35 V) fails and
 * sends nothing.
 * mode: wiring mode 0..7; sequence: 0 = B at 120, C at 240 degrees, 1 = the
 * reverse; direction: 1 = reverse energy; phase: "H" all elements, "A", "B",
 * "C" one element; pf: "1.0", "0.8L", "0.5C", or three current angles in
 * degrees joined by ";" (or by "," for explicit angles: then phase holds the
 * voltage angles of B and C, "120,240"). Percentages are of un and ib. */

/* Output request: un volts and ib amperes at `frequency` Hz, scaled by
 * uPercent and iPercent, then corrected against the standard meter. */
TBCOM_API int32_t TBCOM_CALL Adjust_UI(int32_t mode, double un, double ib, double frequency, uint8_t sequence,
                                        uint8_t direction, double uPercent, double iPercent, const char *phase,
                                        const char *pf, const char *model, uint8_t port);
/* As Adjust_UI, but the ranges are requested before every output without
 * comparing them with the ranges in force. */
TBCOM_API int32_t TBCOM_CALL Adjust_VA(int32_t mode, double un, double ib, double frequency, uint8_t sequence,
                                        uint8_t direction, double uPercent, double iPercent, const char *phase,
                                        const char *pf, const char *model, uint8_t port);
/* As Adjust_UI with a voltage percentage per phase. */
TBCOM_API int32_t TBCOM_CALL Adjust_UI1(int32_t mode, double un, double ib, double frequency, uint8_t sequence,
                                         uint8_t direction, double uPercentA, double uPercentB, double uPercentC,
                                         double iPercent, const char *phase, const char *pf, const char *model,
                                         uint8_t port);
/* As Adjust_UI with a voltage and a current percentage per phase. */
TBCOM_API int32_t TBCOM_CALL Adjust_UI2(int32_t mode, double un, double ib, double frequency, uint8_t sequence,
                                         uint8_t direction, double uPercentA, double uPercentB, double uPercentC,
                                         double iPercentA, double iPercentB, double iPercentC, const char *phase,
                                         const char *pf, const char *model, uint8_t port);
/* Rated voltage and current on all phases, every current at `angle`. */
TBCOM_API int32_t TBCOM_CALL Adjust_UI3(int32_t mode, double frequency, uint8_t sequence, uint8_t direction,
                                         double un, double ib, const char *phase, double angle, const char *model,
                                         uint8_t port);
/* As Adjust_UI2 with every current at `angle` degrees. */
TBCOM_API int32_t TBCOM_CALL Adjust_UI4(int32_t mode, double un, double ib, double frequency, uint8_t sequence,
                                         uint8_t direction, double uPercentA, double uPercentB, double uPercentC,
                                         double iPercentA, double iPercentB, double iPercentC, const char *phase,
                                         double angle, const char *model, uint8_t port);
/* Volts, amperes and degrees per phase (angles are brought into 0..360). */
TBCOM_API int32_t TBCOM_CALL Adjust_CUST(int32_t mode, double frequency, double ua, double ub, double uc, double ia,
                                          double ib, double ic, double angleUb, double angleUc, double angleIa,
                                          double angleIb, double angleIc, const char *model, uint8_t port);
/* `current` amperes on all phases, no voltage. */
TBCOM_API int32_t TBCOM_CALL TORVA_I(double current, double frequency, uint8_t port);
/* All outputs to zero: 1 = written, 0 = failure. */
TBCOM_API int32_t TBCOM_CALL Power_Off(uint8_t port);
/* Currents to zero, voltages kept; 1 also before any request (nothing sent),
 * 0 when the bench controller did not take the output. */
TBCOM_API tbcom_bool TBCOM_CALL Power_Pause(uint8_t port);
/* Zero output: -1 = done, 2 = the port cannot be opened or the output was
 * not taken by the bench controller. */
TBCOM_API int32_t TBCOM_CALL SourceClear_Fun(const char *port);
/* Voltages at their rated value, currents zero. */
TBCOM_API void TBCOM_CALL Source_Pause_gSub(const char *port);
/* Text-port request: wiringCode 1..7 (others: single phase), reverse 0 or 2
 * forward, element "IABC", "IA", "IB", "IC"; the voltage percents and a
 * current factor come from RaiseVA. wait = 1: settles 3.5 s and feeds one
 * reading back. -1 = done, 2 = failure, 0 = the bench controller did not
 * report the meter's kind. The last four arguments are ignored. */
TBCOM_API int32_t TBCOM_CALL OutPutData_gSub(int32_t wait, int32_t unused, const char *port, int32_t wiringCode,
                                              int32_t reverse, uint8_t sequence, float un, float ib, float frequency,
                                              const char *element, int32_t iPercent, const char *pf, int32_t unused1,
                                              int32_t unused2, int32_t unused3, int32_t unused4);
/* Stores the factors of OutPutData_gSub: c is the current factor (a and b
 * are overwritten by it), d, e, f the voltage percents (0 = 100). Always -1. */
TBCOM_API int32_t TBCOM_CALL RaiseVA(int32_t unused1, float a, float b, float c, int32_t unused2, float d, float e,
                                      float f);
/* Fine-adjust command to the bench controller: 1 = written, 0 = failure. */
TBCOM_API int32_t TBCOM_CALL Mini_Adjust(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint8_t port);
/* The same with decimal texts of byte values (0..255): -1 = written, 2 =
 * failure (also for a text that is not such a number; nothing is sent). */
TBCOM_API int32_t TBCOM_CALL AdjustMove_Fun(const char *port, int32_t unused, const char *c, const char *d,
                                             const char *a, const char *b);
/* Star voltages of three line voltages. 0 when they have no star solution
 * (outputs untouched); three zeros and 1 when their sum is not positive. */
TBCOM_API tbcom_bool TBCOM_CALL GetPhaseVolt(double u1, double u2, double u3, double *p1, double *p2, double *p3);
/* Voltage parameter block, sent with the next output; always 1. */
TBCOM_API int32_t TBCOM_CALL Set_VoltPara(double d1, double d2, double d3, double d4, double d5, int32_t n);
/* The correction loop on demand, on the port of the last request: 1 =
 * corrected or nothing to do, 0 = the output stayed grossly off or the
 * feedback could not be written. */
TBCOM_API tbcom_bool TBCOM_CALL Power_Revise(void);

/* ---- Standard meter ---- */

/* Reads the bench's standard meter. On entry *data holds a request word:
 * "MeterData" (or any text containing it): the meter's raw reply;
 * "MeterData4W": the raw reply of a record-mode read (voltages, currents
 * and angles kept for the source's correction, brought back through the
 * amplifier's transformers); "GF7400": for a TB8760 meter, the 22-field
 * GF7400 layout; anything else: the reading text, comma-separated decimal
 * numbers ("." separator): 28 fields for a three-phase meter (U a b c,
 * I a b c, phase angles a b c, P a b c, Q a b c, S a b c, sums of P Q S,
 * frequency, PF a b c total, voltage angles b c), 7 for a single-phase KP
 * meter, 16 for a PLM or DD7400 meter, 3 for the bench's built-in meter,
 * 24 for the LX-7000 and LX-7000C (empty where a single-phase meter has no
 * value; range codes as "V_n" and "A_n"), 13 (GF7400) or 11 (GF7404A),
 * 3 currents for the WB412I, 26 values each followed by "," for the
 * WB412E, one value for the TORVA and WB412U meters.
 * The first call after the bench port opens learns the meter's kind from
 * the bench controller (not for the models "WB412E-1S2" and "WB412I",
 * written exactly so: kind 6). A "VN-74,n" model reads the VN-74 meter on
 * COM n (any 32-bit n; one that names no port leaves it closed). No or bad reply: the last good text is written
 * (empty after an output request) and 1 is returned. A reply of the wrong
 * length gives an empty text, which counts as a good reading (it becomes
 * the last text). Returns 0 when the bench port cannot be opened (unless
 * the VN-74 port is open; *data is then not written) or when the kind
 * cannot be learned and no earlier text exists.
 * Longest text: 1023 characters and the zero (longer replies are cut);
 * a KP raw reply is 316 characters. */
TBCOM_API tbcom_bool TBCOM_CALL StdMeter_Read(char **data, const char *model, uint8_t port);
/* As StdMeter_Read with a plain request, without kind learning (the kind
 * is set to 5) and without the link switch; writes "RECV_BAD" when the
 * meter does not answer. Returns 1 once past the port check, 0 (and *data
 * not written) when neither the bench nor the VN-74 port can be opened.
 * Longest text: 1023 characters and the zero. */
TBCOM_API tbcom_bool TBCOM_CALL StdMeter_Read_Direct(char **data, const char *model, uint8_t port);
/* Fields 1 and 2 of the reading text (a single-phase meter's voltage and
 * current) into *u and *i; from the last good text when the meter does not
 * answer or answers with the wrong length; 0 when no text holds numbers.
 * NULL pointers are not written. Returns 0 only when the bench port cannot
 * be opened. */
TBCOM_API tbcom_bool TBCOM_CALL ReadVoltCur(double *u, double *i, const char *model, uint8_t port);
/* For models "TB8700", "TB8709" (exactly) and an empty or NULL model sends
 * "MC" + a + b + c + d (plain decimal) + CR on the bench port and waits 1 s
 * for a 6-byte reply containing ";": 1 when it comes, else 0. The link
 * switch is not touched. Other models: nothing is sent and 1 is returned.
 * 0 when the bench port cannot be opened. */
TBCOM_API tbcom_bool TBCOM_CALL Set_StdMeter_Channel(const char *model, uint8_t a, uint8_t b, uint8_t c, uint8_t d,
                                                      uint8_t port);

/* ---- Harmonics ---------------------------------------------------------------
 * Two ways to a distorted output. The per-phase harmonic fields travel with
 * the next output request (wave type 2). The harmonic value list (51
 * entries) becomes six synthesized waveforms with the next output request
 * (wave type 4): voltages A, B, C and currents A, B, C, one period of 720
 * samples each, corrected by the angle corrections of "tbtest.ini"
 * (section "JIAODUXZ", keys "Ub", "Uc", "Ia", "Ib", "Ic", degrees) and the
 * amplitude corrections of the table "xbxz.dbf" (fields XBCS, the order,
 * and DYAXZ, DYBXZ, DYCXZ, DLAXZ, DLBXZ, DLCXZ), both read from the host
 * program's directory when they exist; the request then downloads them (18
 * segments 0.45 s apart) and empties the list. */

/* Per-phase harmonic fields from elements 0..2 of four host arrays, each
 * passed as its first element and the index of its last (at least 2; an
 * array that is NULL or shorter changes nothing at all). Wave type 2. */
TBCOM_API void TBCOM_CALL Set_Harmonic_Data(const double *a, int32_t aHigh, const int32_t *b, int32_t bHigh,
                                             const double *c, int32_t cHigh, const double *d, int32_t dHigh);
/* Phase A's fields a, b, c, d; phases B and C 0. Wave type 2. */
TBCOM_API void TBCOM_CALL Set_Harmonic_Data1(double a, int32_t b, double c, double d);
/* Appends one entry to the harmonic value list: key "U", "U1", "U2", "U3"
 * (all or one voltage), "I", "I1", "I2", "I3" (currents) or "UI" (voltages
 * and currents, amplitude only); order 1..51 (others are skipped by the
 * synthesis); content in percent of the fundamental (at most 100 after
 * correction); phase in degrees. Wave type 4. A 52nd entry before the list
 * is used is refused. */
TBCOM_API void TBCOM_CALL SetHarmValue(const char *key, int32_t order, double content, double phase);

/* ---- Dips and interruptions -------------------------------------------------
 * The dip programme goes to the bench controller (Modbus device 177) from
 * register 0x0130, the interruptions to the interruption controller (device
 * 178), both on the bench port. Times are sent in hundredths of the host's
 * unit: a time is limited to 0..17280000 hundredths (0..172800 units), a
 * count to 0..9999, the other 16-bit fields to 0..65535 (a negative value or
 * NaN is sent as 0). The writing functions own the bench port while they
 * run: they give up (0, nothing sent) when another exchange's reader still
 * holds the port 0.5 s later, and try the write up to five times 0.3 s
 * apart (about 4 s when the controller is silent, 9.5 s at most whatever it
 * sends). Each returns 0 when the bench port cannot be opened. */

/* Dip programme: d1..d4 times, n dips, d5, w1, w2 (note the order of w2 and
 * w1). Stored in the voltage parameter block; the wave type is kept. */
TBCOM_API tbcom_bool TBCOM_CALL VFall_Start(double d1, double d2, double d3, double d4, double d5, int32_t n,
                                             int32_t w2, int32_t w1, uint8_t port);
/* As VFall_Start with d6 and two percentages a and b (0..600, sent in
 * hundredths). */
TBCOM_API tbcom_bool TBCOM_CALL EnVFall_Start(double d1, double d2, double d3, double d4, double d5, double d6,
                                               double a, double b, int32_t n, int32_t w2, int32_t w1, uint8_t port);
/* A dip counter of the controller (which != 0: register 0x0140, else
 * 0x012A), 0 on failure. One read, at most 1.5 s. */
TBCOM_API int32_t TBCOM_CALL VFall_Times(int32_t which, uint8_t port);
/* The interruption counter, whose four hex digits are decimal digits
 * (0x0012 is 12); -1 when it does not answer or a digit is A..F. One read,
 * at most 1.5 s. */
TBCOM_API int32_t TBCOM_CALL VBreak_Read(uint8_t port);
/* Wave type 0, then the interruption parameters d2 and d4 (in hundredths)
 * and n of the last dip programme, each limited to 9999. */
TBCOM_API tbcom_bool TBCOM_CALL VBreakOff(uint8_t port);
/* Stops the interruptions. */
TBCOM_API tbcom_bool TBCOM_CALL VBreakStop(uint8_t port);

/* ---- Standard constants ---- */

/* The standard meter's pulse constant for a model designation (normalised
 * on a copy, as StdMeter_Read does; the bench's model is not changed) at
 * `volts` and `amperes`: by the model's voltage factor and current band
 * (currents rounded to mA or 10 mA). 2.4e7 for a model without a table,
 * "LX-9700" and an empty or NULL model included. For "LX-7000B", "C" and
 * "D" it also sets the LX current range and getCTRate to its nominal
 * current. Touches no device. */
TBCOM_API double TBCOM_CALL GetStdConstByModel(double volts, double amperes, const char *model);

/* ---- RS-485 meter port ------------------------------------------------------
 * The port to the meters under test belongs to the host: it holds the handle
 * and passes it to every call (0 = not open). Frames cross as upper-case hex
 * text, two characters a byte, no separators. Every receive returns 0 and
 * leaves the buffer untouched for a zero handle; otherwise it writes the
 * reply or "RECV_BAD" (silence, an abnormal or partial reply) and returns 1
 * or 0. Each receive holds at most 1024 bytes, so its text is at most 2048
 * characters and the zero: a 2049-byte buffer serves every receive. A
 * receive gives up after its silence limit without a byte that advances the
 * reply (leading noise and wake-up bytes do not), and in any case 15 s after
 * it started. Checksums are not verified. Many USB RS-485 adapters echo what
 * they send: the echoed request can then be taken for the reply. */

/* Opens COM<port> with settings such as "2400,e,8,1" into *handle, closing a
 * non-zero *handle first; *handle is 0 on failure. */
TBCOM_API tbcom_bool TBCOM_CALL Open485CommPort(tbcom_handle *handle, const char *settings, uint8_t port);
/* Closes a non-zero *handle and sets it to 0. Returns 1. */
TBCOM_API tbcom_bool TBCOM_CALL Close485CommPort(tbcom_handle *handle);
/* Applies new settings; refused settings close the port (*handle = 0).
 * Returns 1. */
TBCOM_API tbcom_bool TBCOM_CALL Set485CommPort(tbcom_handle *handle, const char *settings);
/* Pause after every byte sent, ms (0; each byte is still its own write). */
TBCOM_API void TBCOM_CALL Set485ByteDealy(int32_t milliseconds);
/* Sends the bytes of the hex text one at a time with the byte delay. A text
 * that is not an even number of hex digits sends nothing and returns 0; a
 * byte the port refuses to take (its adapter is gone) ends the send with 0. */
TBCOM_API tbcom_bool TBCOM_CALL Send485Data(tbcom_handle handle, const char *hex);
/* Collects bytes until the text has at least `length` hex characters (it may
 * be longer); 0.5 s silence limit. Longest text: 2048 characters. */
TBCOM_API tbcom_bool TBCOM_CALL Recv485Data(tbcom_handle handle, char **data, int32_t length);
/* One DL/T 645 frame from its first 68 (wake-up bytes dropped), complete at
 * length byte + 12 bytes; an abnormal reply (control byte with bits 7 and 6
 * set) gives "RECV_BAD". Bytes that arrive with the frame after its end stay
 * at the end of the text. 1 s silence limit. Longest text: 2048 characters. */
TBCOM_API tbcom_bool TBCOM_CALL Recv645Data(tbcom_handle handle, char **data);
/* As Recv645Data, abnormal replies included. */
TBCOM_API tbcom_bool TBCOM_CALL Recv645Data1(tbcom_handle handle, char **data);
/* One DL/T 698.45 frame from its first 68, complete once it has a quarter
 * of its 16-bit length field + 8 bytes: that is sooner than the field's own
 * length, so the text may end before the frame does, and a longer frame's
 * tail may remain at its end or in the port for the next receive. 1 s
 * silence limit. Longest text: 2048 characters. */
TBCOM_API tbcom_bool TBCOM_CALL Recv698Data(tbcom_handle handle, char **data);
/* HDLC addresses: physical device (lower) address, logical device (upper)
 * address byte, client address byte (111, 2, 207). */
TBCOM_API void TBCOM_CALL SetHDLCPara(int32_t lower, int32_t upper, int32_t client);
/* Frames the hex text (control byte, then the information field) as 7E,
 * A0 + length, upper byte, (lower + 16) * 2 + 1, client byte, control, HCS
 * when there is information, the information, FCS, 7E (CRC-16/X.25, low
 * byte first; no byte stuffing) and sends it as Send485Data. An empty or
 * odd text, or an information field of more than 2037 bytes, sends nothing
 * and returns 0. */
TBCOM_API tbcom_bool TBCOM_CALL SendHDLCData(tbcom_handle handle, const char *hex);
/* One HDLC frame from its first 7E, complete at format length + 2 bytes.
 * 1 s silence limit. Longest text: 2048 characters. */
TBCOM_API tbcom_bool TBCOM_CALL RecvHDLCData(tbcom_handle handle, char **data);

/* ---- Serial-number read ---- */

/* A meter's identification by the IEC 62056-21 sign-on on the bench port:
 * when the bench port is closed, COM<port> is opened as the bench port at
 * "300,e,7,1" and left open so (later bus calls set the speed back to 9600;
 * parity and data bits stay until Dll_Port_Close); an open bench port is
 * used with its settings as they are. Sends 00 00 00 00 and "/?!" CR LF with
 * the byte delay; the reply ends at CR LF, or at ETX, ACK or NAK (a leading
 * STX dropped). The text is the reply without its first five and last two
 * characters: "/ABC5METER01" CR LF gives "METER01". 0 with *id untouched on
 * 0.5 s of silence (5 s at most in all) or when nothing is left after the
 * cut. `reserved` is not used. Longest text: 1017 characters. A character
 * takes 33 ms at 300 baud and the silence limit starts when the last byte
 * is written: with a zero byte delay the request is still on the wire then,
 * so set a byte delay of about 35 ms for this call. */
TBCOM_API tbcom_bool TBCOM_CALL Read_SerialNumber(char **id, int32_t reserved, uint8_t port);

/* ---- Pulse board ----------------------------------------------------------
 * These work on the port handle the host passes (from getComHandle) and
 * open no port. Modbus replies: 0.5 s of silence, at most 1.5 s. The
 * device address is the low byte of `address`. */

/* Starts the board: run flag 1, the low byte of `selector` and `value`
 * (0..65535, else 0 without sending) to register 0x0010, up to three
 * attempts 0.1 s apart. */
TBCOM_API tbcom_bool TBCOM_CALL PulseBoard_Start(tbcom_handle handle, int32_t address, int32_t selector,
                                                 int32_t value);
/* Stops the board (zeros to register 0x0010), as PulseBoard_Start. */
TBCOM_API tbcom_bool TBCOM_CALL PulseBoard_Stop(tbcom_handle handle, int32_t address);
/* The 32 counters (registers 0x0020..0x005F, two a counter, high word
 * first) as signed decimal numbers joined by ","; empty with result 0 on no
 * reply. One attempt. Longest text: 383 characters. */
TBCOM_API tbcom_bool TBCOM_CALL PulseBoard_Read(tbcom_handle handle, int32_t address, char **counters);
/* `count` registers (1..125) from `first` (0..65535) of any device as
 * upper-case hex, four characters a register; empty with result 0 on no
 * reply or arguments out of range (nothing sent). One attempt. Longest
 * text: 500 characters. */
TBCOM_API tbcom_bool TBCOM_CALL Read_Reg(char **registers, tbcom_handle handle, int32_t address, int32_t first,
                                         int32_t count);

/* ---- Register access --------------------------------------------------------
 * Registers of the LX-7000 instrument, Modbus device 55 on the bench port.
 * `reg` is one to four hex digits ("5C"); a target is "5C" (the register pair
 * 0x5C/0x5D, a signed 32-bit value in ten-thousandths, the second register
 * the high word when read) or "5C,1" (any non-empty second field: the one
 * register, a plain 16-bit value). Values are decimal texts; a product with
 * 10000 is truncated, except that one within rounding noise of a whole
 * number counts as it ("0.0003" gives 3). A register text that is not hex,
 * a value that is not a number or does not fit its field (one register:
 * -32768..65535; the pair: -214748.3648..214748.3647) returns 0 without
 * sending. Writes: up to three attempts 0.1 s apart. */

/* Function 6: trunc(value x 10000) to the register ("5C", "2" writes
 * 20000). */
TBCOM_API tbcom_bool TBCOM_CALL Set_LX7000_Register(const char *reg, const char *value, uint8_t port);
/* Function 16: "5C,1" with "3" writes 00 03 to 0x5C; "5C" with "1.5" writes
 * 00 00 3A 98 to 0x5C/0x5D. */
TBCOM_API tbcom_bool TBCOM_CALL Set_LX7000_Register_More(const char *target, const char *value, uint8_t port);
/* One read: the pair as "0.0000" ("13.1073"), the one register unsigned
 * ("5"), "RECV_BAD" on no reply; result 1 once the read was tried, 0 (and
 * *value untouched) when the bench port cannot be opened or the target names
 * no register. Longest text: 12 characters. */
TBCOM_API tbcom_bool TBCOM_CALL Read_LX7000_Register(char **value, const char *target, uint8_t port);

/* ---- Direct standard-meter access ------------------------------------------ */

/* Speed of the DD7400-family meters (DD7400, TB8760, TB8700B), kept as its
 * decimal text for their reads and for Comm_DD7400_All (9600 until set).
 * A speed the port refuses closes the bench port at the next such read. */
TBCOM_API void TBCOM_CALL Set_DD7400_Baud(int32_t baud);
/* A D-format number: ten decimal digits, digit 1 "1" a negative exponent,
 * digit 2 the exponent n, digit 3 "1" a negative value, digits 4-10 the
 * integer m: m x 10^(+-n) / 10^6 ("0312345678" is -2345.678). 0 for any
 * other text. */
TBCOM_API double TBCOM_CALL StrToFloat_DD7400(const char *text);
/* Sends the A3 frames of the first ten comma fields of `commands` (hex
 * bytes each: "F5,F6" sends A3 01 02 F5 F5 A3 01 02 F6 F6) in one write at
 * the DD7400 speed, after switching the meter's line on (left on). `model`
 * becomes the bench's standard-meter model, normalised. wait = 0: "SENDED",
 * result 1. Otherwise collects as many answer frames as were sent (7 for
 * "A0" alone) and writes them as hex joined by ",", each without its
 * checksum byte; "RECV_BAD" with result 0 after 3 s of silence (10 s at
 * most). "REVC_BAD" (spelled so) with result 0 when the line cannot be
 * switched on or a source output is in progress. A field that is not hex
 * bytes, no field, or a bench port that cannot be opened: 0, nothing sent,
 * *reply untouched. Longest text: 4095 characters (a longer frame list gives
 * the empty text and 0). */
TBCOM_API tbcom_bool TBCOM_CALL Comm_DD7400_All(char **reply, const char *commands, uint8_t wait,
                                                const char *model, uint8_t port);
/* With code "55" and command 3 reads the bench's standard meter once on
 * the port of portText ("COM12": 12), learning its kind first if needed,
 * and fills slots[0..17] with pointers to new 20-byte buffers of the
 * library, each holding one field of the reading text (at most 19
 * characters): fields 1-9, 13, 14, 15, 17, 18, 16, 12, 10, 11. Returns -1
 * when done, 2 on failure (port, kind not learned: slots untouched; no
 * reading: slots filled from "RECV_BAD"). Other codes or commands return -1
 * at once and touch nothing. Release the buffers with OperationHC_Free. */
TBCOM_API int32_t TBCOM_CALL OperationHC_Fun(int32_t unused1, const char *portText, const char *code,
                                             int32_t command, int32_t unused2, char **slots);
/* Addition (not part of the original interface): releases the slot buffers
 * slots[0..17] that OperationHC_Fun allocated, setting those slots to NULL; pointers the
 * library did not allocate, NULL ones included, are left alone. Returns the
 * count released. */
TBCOM_API int32_t TBCOM_CALL OperationHC_Free(char **slots);

/* ---- Amplifier and CT settings ---------------------------------------------- */

/* Amplifier ratios: d1 voltage ratio, d2 current ratio, d3..d5 per-phase
 * current factors (ignored when flag = 0), d6 and d7 meter-constant factors.
 * Zero values take working defaults. Returns 1. */
TBCOM_API tbcom_bool TBCOM_CALL Set_HMC_2011(uint8_t flag, double d1, double d2, double d3, double d4, double d5,
                                              double d6, double d7);
/* As Set_HMC_2011, and sets the second amplifier flag to `flag` too. */
TBCOM_API tbcom_bool TBCOM_CALL Set_HMC_2016(uint8_t flag, double d1, double d2, double d3, double d4, double d5,
                                              double d6, double d7);
/* New-CT flag of the range choice and the correction (0). Returns 1. */
TBCOM_API tbcom_bool TBCOM_CALL Set_HMC_New(uint8_t flag);
/* Output limits (volts, amperes) and range limits (0 means 400 V / 250 A). */
TBCOM_API tbcom_bool TBCOM_CALL SetMaxUI(double outVoltage, double outCurrent, double rangeVoltage,
                                          double rangeCurrent);
/* Writes the CT value (0..9999, else 0 without sending) to the bench
 * controller; one attempt. */
TBCOM_API tbcom_bool TBCOM_CALL Set_HMC_CT1(int32_t ct, uint8_t port);
/* Writes the amplifier's voltage limit in volts; one attempt. */
TBCOM_API tbcom_bool TBCOM_CALL Set_Pow_Amplifier_MaxU(double volts, uint8_t port);
/* Interval rules "[0;10]=5,(10;100]=50,..."; items without "=" are skipped.
 * 0 refuses (and keeps the previous rule) an empty text, an item whose part
 * before "=" is not a bracketed interval, and a text without any interval
 * ("abc"). A value or bound that is not a number ("nan", "inf") reads as 1.0
 * (value), 999999 (lower bound) or -999999 (upper bound). */
TBCOM_API tbcom_bool TBCOM_CALL Set_VeraZudu_CT_Para(const char *rule);
/* As Set_VeraZudu_CT_Para, for the CT display rule. */
TBCOM_API tbcom_bool TBCOM_CALL Set_VeraZudu_CT_Display_Para(const char *rule);

#ifdef __cplusplus
}
#endif

#endif /* TBCOM_H */
