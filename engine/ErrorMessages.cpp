#include "engine/ErrorMessages.h"

#include "platform/classlib/Format.h"

const char* const ErrorMessages[ErrorMessageCount] = {
    "No error",
    "Requested operation is not implemented in the decoder",
    "Incorrect decoder mode",
    "Internal decoder error",
    "Invalid object handle passed to decoder",
    "Input stream failure",
    "Output device failure",
    "Not enough memory to perform an operation",
    "Decoder failed to allocate resources",
    "One of callback functions needed to perform an operation not defined",
    "Failed to load or initialize decoder module",
    "Module not initialized",
};

std::string ErrorMessageOf(uint8_t Code) {
  if (Code < ErrorMessageCount) return ErrorMessages[Code];
  return Format("Unknown decoder error %u", static_cast<unsigned>(Code));
}
