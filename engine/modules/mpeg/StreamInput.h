// The input a stream is read from: a file the module opens itself or the host's input
// callbacks. Holds the trailing ID3v1 block found at opening.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/PluginInterface.h"
#include "engine/modules/common/InputFile.h"

namespace mpeg {

// How the input is to be opened (QVSetInputMode, QVSetInputName, QVSetInCB).
struct InputSource {
  int32_t Mode = imFile;  // TYzSInputMode
  std::string Name;       // imFile: the file's path
  QVInputOpenProc Open = nullptr;
  QVInputCloseProc Close = nullptr;
  QVInputGetSizeProc GetSize = nullptr;
  QVInputSeekProc Seek = nullptr;
  QVInputReadProc Read = nullptr;
  QVUserValue User = 0;
};

class StreamInput {
 public:
  static constexpr int32_t TagSize = 128;

  StreamInput() = default;
  StreamInput(const StreamInput&) = delete;
  StreamInput& operator=(const StreamInput&) = delete;
  ~StreamInput();

  // Opens the input and probes its ID3v1 tag; raises ModuleFailure{qvInputFailure} on any
  // failure. `canSetPosition` is handed to the input open callback, which may clear it.
  void Open(const InputSource& source, QVByteBool* canSetPosition);
  void Close();
  bool IsOpen() const { return open_; }

  // One read: false when it failed; `delivered` is what arrived (0 at the end).
  bool Read(void* buffer, int32_t bytes, int32_t* delivered);
  // Positions the input (origin 0 start, 1 current, 2 end); false when it failed.
  bool Seek(int64_t offset, int32_t origin);
  // Passes over at most `most` bytes up to the next one that equals `byte`, without delivering
  // them; how many it passed over (0 at the end of the input, or where no byte can be passed
  // over without reading it: the host's stream). False when a read failed.
  bool SkipUntil(uint8_t byte, int64_t most, int64_t* skipped);
  // Whether the open file is still the one opened, as it was: not deleted, not shorter or
  // longer, not written since. The host's stream cannot tell and counts as unchanged.
  bool Unchanged() const;
  // The position from the start, as the input last reported or as reads advanced it.
  int64_t Position() const { return position_; }

  int64_t Size() const { return size_; }
  // Whether the input ends with an ID3v1 tag.
  bool HasTag() const { return tagPresent_; }
  // Bytes of the APE and Lyrics3 tags at the end (in front of an ID3v1 tag); 0 when there
  // are none.
  int64_t TrailingTagsSize() const { return trailingTagsSize_; }
  QVStream Stream() const { return stream_; }
  int32_t Mode() const { return mode_; }
  // The open file's identity; none for the host's stream.
  std::optional<FileIdentity> Identity() const { return fd_ >= 0 ? IdentityOf(fd_) : std::nullopt; }

  // The ID3v1 block for QVGetInfo2, its texts zero-terminated; null when there is no tag.
  const char* TagBlock();

 private:
  static constexpr int32_t ReadAheadSize = 32768;

  void Release();
  void ProbeTrailingTags();
  int64_t ApeTagAt(int64_t end);
  int64_t Lyrics3TagAt(int64_t end);

  InputSource source_;
  int32_t mode_ = imFile;
  int fd_ = -1;
  QVStream stream_ = 0;
  int64_t size_ = 0;
  int64_t position_ = 0;
  std::unique_ptr<char[]> tag_;
  bool tagPresent_ = false;
  int64_t trailingTagsSize_ = 0;
  bool open_ = false;
  struct timespec modified_ = {};  // the file's modification time at opening
  // A file's bytes read ahead: those from aheadStart_ to aheadEnd_ are still to be delivered.
  std::unique_ptr<uint8_t[]> readAhead_;
  size_t aheadStart_ = 0;
  size_t aheadEnd_ = 0;
};

}  // namespace mpeg
