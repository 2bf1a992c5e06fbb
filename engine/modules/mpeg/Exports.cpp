// teskdec.dll: the frame's exports (ModuleExports.cpp) serve the MPEG module.
#include "engine/modules/common/DecoderModule.h"
#include "engine/modules/mpeg/MpegModule.h"

DecoderModule& ThisModule() { return mpeg::MpegModule::Instance(); }
