#include "platform/win32/Com.h"

#include <mutex>
#include <vector>

namespace {

// The apartment the calling thread entered and how many successful initialisations it holds.
enum class Apartment { None, SingleThreaded, MultiThreaded };
thread_local Apartment currentApartment = Apartment::None;
thread_local unsigned initialisationCount = 0;

// Threads in the multithreaded apartment; while there are any, every thread of the process
// may create objects (the implicit multithreaded apartment).
std::mutex apartmentLock;
unsigned multiThreadedMembers = 0;

struct ClassEntry {
  CLSID clsid;
  ComClassCreator creator;
};

std::mutex classLock;
std::vector<ClassEntry>& ClassTable() {
  static std::vector<ClassEntry> table;
  return table;
}

bool ProcessHasMultiThreadedApartment() {
  std::lock_guard<std::mutex> lock(apartmentLock);
  return multiThreadedMembers > 0;
}

}  // namespace

HRESULT WINAPI CoInitialize(LPVOID reserved) {
  return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit) {
  if (reserved != nullptr) return E_INVALIDARG;
  const Apartment wanted =
      (coInit & COINIT_APARTMENTTHREADED) ? Apartment::SingleThreaded : Apartment::MultiThreaded;
  if (currentApartment != Apartment::None) {
    if (currentApartment != wanted) return RPC_E_CHANGED_MODE;
    ++initialisationCount;
    return S_FALSE;
  }
  currentApartment = wanted;
  initialisationCount = 1;
  if (wanted == Apartment::MultiThreaded) {
    std::lock_guard<std::mutex> lock(apartmentLock);
    ++multiThreadedMembers;
  }
  return S_OK;
}

void WINAPI CoUninitialize() {
  if (initialisationCount == 0) return;
  if (--initialisationCount > 0) return;
  if (currentApartment == Apartment::MultiThreaded) {
    std::lock_guard<std::mutex> lock(apartmentLock);
    --multiThreadedMembers;
  }
  currentApartment = Apartment::None;
}

void RegisterComClass(REFCLSID clsid, ComClassCreator creator) {
  std::lock_guard<std::mutex> lock(classLock);
  auto& table = ClassTable();
  for (auto it = table.begin(); it != table.end(); ++it) {
    if (it->clsid == clsid) {
      if (creator)
        it->creator = creator;
      else
        table.erase(it);
      return;
    }
  }
  if (creator) table.push_back({clsid, creator});
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                                LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (currentApartment == Apartment::None && !ProcessHasMultiThreadedApartment())
    return CO_E_NOTINITIALIZED;
  ComClassCreator creator = nullptr;
  {
    std::lock_guard<std::mutex> lock(classLock);
    for (const auto& entry : ClassTable())
      if (entry.clsid == clsid) creator = entry.creator;
  }
  // Every class here is an in-process server.
  if (creator == nullptr || (clsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  if (outer != nullptr) return CLASS_E_NOAGGREGATION;
  return creator(riid, object);
}
