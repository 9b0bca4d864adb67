// Direct access to the standard meter: raw A3 command frames to a
// DD7400-family meter with its answer frames collected, and the one-shot
// reading of the bench's standard meter split into the host's 18 text slots.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tbcom::instruments {

inline constexpr int kReadingSlots = 18;
inline constexpr int kSlotBytes = 20;  // 19 characters and the zero

// The A3 frames of the non-empty fields among the first ten of
// `commands` ("F5,F6" gives A3 01 02 F5 F5 A3 01 02 F6 F6) and their count;
// nullopt when a field is not whole hex bytes or no field is left.
struct CommandFrames {
    std::string hex;
    int count;
};
std::optional<CommandFrames> BuildCommandFrames(const std::string& commands);

struct DirectReply {
    bool ok;
    std::string text;
};
// Assumes the bench port is open and the model normalised. Switches the
// meter's line on (and leaves it on), sends the frames at the DD7400 speed
// and, with `wait`, collects as many answer frames as were sent (seven for
// "A0" alone).
DirectReply SendDirectCommands(const CommandFrames& frames, bool wait, bool sevenFrames);

// The one-shot reading: learns the meter's kind if needed (kind 7 kept as
// it is), reads by kind and returns the reading text, "RECV_BAD" when the
// read failed, nullopt when the kind could not be learned. Assumes the bench
// port is open.
std::optional<std::string> OneShotReading();

// Fills slots[0..17] with library-allocated buffers holding the fields of
// the reading text in the slot order of the host's display.
void FillReadingSlots(const std::string& reading, char** slots);
// Releases the slots' buffers this library allocated (others are left
// alone) and sets those slots to NULL. Returns how many were released.
int ReleaseReadingSlots(char** slots);
// Buffers allocated and not yet released.
std::size_t SlotBuffersHeld();

}  // namespace tbcom::instruments
