// The decode thread of one run: reads frame after frame, skips those before the start frame,
// decodes the others into the PcmBlock that goes to the output, obeys the pause and stop
// requests, and at the end drains and closes the output and rewinds the input.
#pragma once

struct PlayerHandle;

// Starts the run's thread; false when it cannot be created.
bool StartDecodeThread(PlayerHandle& handle);
