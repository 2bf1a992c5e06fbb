#include "engine/modules/common/ModuleCom.h"

#include "platform/win32/Com.h"

bool ModuleCom::Initialise() {
  if (count_ != 0) return true;
  const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (result == S_OK || result == S_FALSE) {
    count_ = 1;
    usable_ = true;
    return true;
  }
  if (result == RPC_E_CHANGED_MODE) {
    // The thread belongs to another apartment already; COM works there all the same.
    usable_ = true;
    return true;
  }
  return false;
}

void ModuleCom::Release() {
  if (count_ == 1) {
    CoUninitialize();
    count_ = 0;
  }
  usable_ = false;
}
