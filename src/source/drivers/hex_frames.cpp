#include "source/drivers/hex_frames.h"

#include "core/numbers.h"
#include "transport/codecs.h"

namespace tbcom::source::drivers {

std::string FrameA6(std::string_view hex) {
    std::string frame(hex);
    // The sum covers every byte but the last two: append room for it first.
    return frame + transport::HexPairSum(frame + "0000");
}

std::string Frame02(std::string_view command, std::string_view argument) {
    std::string text = "020800";
    text += command;
    text += "37";
    text += argument;
    return core::HexComplementInsert(text + "03");
}

}  // namespace tbcom::source::drivers
