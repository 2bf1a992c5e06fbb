// Constant tables of the frame header: sampling rates and bit rates.
#pragma once

#include <cstdint>

namespace mpeg {

// Sampling rate in Hz by rate index: MPEG-1 (0-2), MPEG-2 (3-5), MPEG 2.5 (6-8).
inline constexpr int32_t SampleRates[9] = {44100, 48000, 32000, 22050, 24000,
                                           16000, 11025, 12000, 8000};

// Bit rate in kbit/s by lsf, layer - 1 and bit-rate index (0 free format, 15 forbidden).
inline constexpr int32_t BitRates[2][3][16] = {
    {
        {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    },
    {
        {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
    },
};

}  // namespace mpeg
