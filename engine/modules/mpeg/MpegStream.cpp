#include "engine/modules/mpeg/MpegStream.h"

void MpegStream::Open(const InputSource& source, QVByteBool* canSetPosition) {
  input_.Open(source, canSetPosition);
  reader_.Reset();
  frameCounter_ = 0;
}
