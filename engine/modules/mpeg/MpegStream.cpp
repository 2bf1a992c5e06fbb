#include "engine/modules/mpeg/MpegStream.h"

namespace mpeg {

void MpegStream::Open(const InputSource& source, QVByteBool* canSetPosition) {
  input_.Open(source, canSetPosition);
  reader_.Reset();
  frameCounter_ = 0;
}

}  // namespace mpeg
