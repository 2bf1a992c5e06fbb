// The decode thread of one run: reads frame after frame, skips those before the start frame,
// decodes the others into the PcmBlock that goes to the output, obeys the pause and stop
// requests, and at the end has the output played out (a pause holds the end, a seek sends the
// run back to decoding, a stop cuts it short) and closed and rewinds the input.
#pragma once

namespace mpeg {

struct PlayerHandle;

// Starts the run's thread; false when it cannot be created.
bool StartDecodeThread(PlayerHandle& handle);

}  // namespace mpeg
