#include "platform/win32/Com.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

// Each case runs on a fresh thread, which starts outside every apartment.
template <class Body>
void OnFreshThread(Body body) {
  std::thread thread(body);
  thread.join();
}

TEST(ComApartment, FirstEntrySucceedsAndRepeatsGiveFalse) {
  struct Case {
    DWORD first;
    DWORD second;
    HRESULT expected;
  };
  const Case cases[] = {
      {COINIT_MULTITHREADED, COINIT_MULTITHREADED, S_FALSE},
      {COINIT_APARTMENTTHREADED, COINIT_APARTMENTTHREADED, S_FALSE},
      {COINIT_APARTMENTTHREADED, COINIT_MULTITHREADED, RPC_E_CHANGED_MODE},
      {COINIT_MULTITHREADED, COINIT_APARTMENTTHREADED, RPC_E_CHANGED_MODE},
  };
  for (const auto& c : cases) {
    OnFreshThread([&] {
      EXPECT_EQ(CoInitializeEx(nullptr, c.first), S_OK);
      EXPECT_EQ(CoInitializeEx(nullptr, c.second), c.expected);
      if (c.expected == S_FALSE) CoUninitialize();
      CoUninitialize();
      // Left completely: the thread may enter either apartment anew.
      EXPECT_EQ(CoInitializeEx(nullptr, c.second), S_OK);
      CoUninitialize();
    });
  }
}

TEST(ComApartment, CoInitializeEntersTheSingleThreadedApartment) {
  OnFreshThread([] {
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    // One entry is still held.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    CoUninitialize();
  });
}

TEST(ComApartment, UninitialiseWithoutEntryDoesNothing) {
  OnFreshThread([] {
    CoUninitialize();
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
  });
}

TEST(ComApartment, ApartmentsArePerThread) {
  OnFreshThread([] {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    OnFreshThread([] {
      EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
      CoUninitialize();
    });
    CoUninitialize();
  });
}

TEST(ComApartment, ReservedArgumentMustBeNull) {
  OnFreshThread([] {
    int reserved = 0;
    EXPECT_EQ(CoInitializeEx(&reserved, COINIT_MULTITHREADED), E_INVALIDARG);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CoUninitialize();
  });
}

// A small class for the table: counts its references and offers IUnknown only.
constexpr CLSID CLSID_TestObject = {
    0x12345678, 0x1234, 0x1234, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
constexpr IID IID_Other = {
    0x12345678, 0x1234, 0x1234, {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02}};

int liveObjects = 0;

class TestObject final : public IUnknown {
 public:
  TestObject() { ++liveObjects; }
  HRESULT WINAPI QueryInterface(REFIID riid, void** object) override {
    if (riid == IID_IUnknown) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return ++references_; }
  ULONG WINAPI Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      --liveObjects;
      delete this;
    }
    return left;
  }

 private:
  ~TestObject() = default;
  ULONG references_ = 1;
};

HRESULT CreateTestObject(REFIID riid, void** object) {
  auto* created = new TestObject;
  const HRESULT result = created->QueryInterface(riid, object);
  created->Release();
  return result;
}

TEST(ComClassTable, CreatesRegisteredClassesInsideAnApartment) {
  RegisterComClass(CLSID_TestObject, CreateTestObject);
  OnFreshThread([] {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(
        CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
        CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);

    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    ASSERT_EQ(
        CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
        S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(liveObjects, 1);
    static_cast<IUnknown*>(object)->Release();
    EXPECT_EQ(liveObjects, 0);

    EXPECT_EQ(CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_Other, &object),
              E_NOINTERFACE);
    EXPECT_EQ(liveObjects, 0);
    EXPECT_EQ(
        CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object),
        REGDB_E_CLASSNOTREG);
    auto* outer = reinterpret_cast<IUnknown*>(&object);
    EXPECT_EQ(
        CoCreateInstance(CLSID_TestObject, outer, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
        CLASS_E_NOAGGREGATION);
    EXPECT_EQ(
        CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr),
        E_POINTER);
    CoUninitialize();
  });
  RegisterComClass(CLSID_TestObject, nullptr);
}

TEST(ComClassTable, UnknownOrRemovedClassIsNotRegistered) {
  RegisterComClass(CLSID_TestObject, CreateTestObject);
  RegisterComClass(CLSID_TestObject, nullptr);
  OnFreshThread([] {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    void* object = nullptr;
    EXPECT_EQ(
        CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
        REGDB_E_CLASSNOTREG);
    CoUninitialize();
  });
}

TEST(ComClassTable, MultithreadedApartmentServesThreadsThatDidNotEnter) {
  RegisterComClass(CLSID_TestObject, CreateTestObject);
  OnFreshThread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    OnFreshThread([] {
      void* object = nullptr;
      ASSERT_EQ(
          CoCreateInstance(CLSID_TestObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
          S_OK);
      static_cast<IUnknown*>(object)->Release();
    });
    CoUninitialize();
  });
  RegisterComClass(CLSID_TestObject, nullptr);
}

}  // namespace
