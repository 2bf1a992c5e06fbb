// teskwma.dll: the frame's exports (ModuleExports.cpp) serve the Windows Media Audio module.
#include "engine/modules/common/DecoderModule.h"
#include "engine/modules/wma/WmaModule.h"

DecoderModule& ThisModule() { return wma::WmaModule::Instance(); }
