#include "engine/YzSException.h"

#include "engine/ErrorMessages.h"

TYzSException::TYzSException(uint8_t Code) : Exception(ErrorMessageOf(Code)), ErrorCode(Code) {}
