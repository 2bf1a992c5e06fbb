// The WAV file output: a RIFF "WAVE" file with an 18-byte "fmt " chunk and a "data" chunk whose
// sizes are brought up to date after every block, so that the file on disk is always a valid
// WAV file, also when the writing process is killed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/modules/common/OutputSettings.h"

class WavFileOutput {
 public:
  WavFileOutput() = default;
  WavFileOutput(const WavFileOutput&) = delete;
  WavFileOutput& operator=(const WavFileOutput&) = delete;
  ~WavFileOutput();

  // Creates (or empties) the file and writes the 46-byte header; code 6 on any failure, and
  // at once, before anything is written, for a name that reaches the settings' input file or
  // is not a regular file (a FIFO, a device, a directory, a symbolic link to nothing). A
  // failed open leaves no file that it created.
  void Open(const OutputSettings& settings);
  // Appends the block and patches the sizes, then pauses 20 ms: the pause paces the decoder on
  // purpose. A write that fails (a full disk, a removed medium) keeps the whole sample frames
  // that reached the file, described by the header, and raises code 6; so does every later one.
  void Write(const void* data, uint32_t length);
  // Closes the file; false when the closing fails.
  bool Close();
  // Closes the file of a play that failed after the open: a file the open created is removed
  // again; one that existed before stays.
  void Discard();

  // Whether a write has failed since the file was opened.
  bool Failed() const { return failed_; }

 private:
  // Patches the data and RIFF sizes for the bytes written so far.
  bool UpdateHeader();

  int file_ = -1;
  std::string name_;
  std::optional<FileIdentity> identity_;
  bool created_ = false;
  uint32_t dataBytes_ = 0;
  uint32_t blockAlign_ = 1;
  bool failed_ = false;
  uint8_t header_[46] = {};
};
