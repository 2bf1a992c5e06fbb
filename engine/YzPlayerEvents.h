// The player's events, as std::function slots (an empty slot is unassigned). Reference
// parameters are the handler's var parameters: what it writes is what the module reads.
// UserData is the input stream value that the open handler chose, pointer-sized.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/PluginInterface.h"

class TObject;

using TYzSOutputActionEvent = std::function<void(TObject* Sender, bool& Success)>;
using TYzSOutputEvent =
    std::function<void(TObject* Sender, void* SampleData, int32_t SBits, int32_t Channels,
                       int32_t SampleRate, int32_t Size, bool& success)>;
using TInputOpenEvent =
    std::function<void(TObject* Sender, QVStream& UserData, bool& CanSetPos, bool& Success)>;
using TInputCloseEvent = std::function<void(TObject* Sender, QVStream UserData, bool& Success)>;
using TInputGetSizeEvent =
    std::function<void(TObject* Sender, QVStream UserData, int32_t& Size, bool& Success)>;
using TInputSeekEvent = std::function<void(TObject* Sender, QVStream UserData, int32_t& NewPos,
                                           int32_t SeekMode, bool& Success)>;
using TInputReadEvent = std::function<void(TObject* Sender, QVStream UserData, void* Buffer,
                                           int32_t BytesToRead, int32_t& BytesRead, bool& Success)>;
