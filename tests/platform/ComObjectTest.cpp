#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "com/Com.h"

namespace {

struct IFoo : IUnknown {
  static constexpr IID iid = MakeGuid("11111111-2222-3333-4444-555555555555");
  virtual int Foo() = 0;
};
struct IBar : IUnknown {
  static constexpr IID iid = MakeGuid("11111111-2222-3333-4444-666666666666");
  virtual int Bar() = 0;
};
struct IBaz : IUnknown {
  static constexpr IID iid = MakeGuid("11111111-2222-3333-4444-777777777777");
};

int g_live = 0;

class FooBar final : public ComObject<FooBar, IFoo, IBar> {
 public:
  FooBar() { ++g_live; }
  ~FooBar() override { --g_live; }
  int Foo() override { return 1; }
  int Bar() override { return 2; }
};

constexpr CLSID kFooBarClass = MakeGuid("ABCDEF01-2222-3333-4444-555555555555");

}  // namespace

TEST(ComObject, QueryInterfaceAnswersListedInterfacesWithOneIdentity) {
  {
    auto object = MakeComObject<FooBar>();
    ComPtr<IBar> bar;
    ASSERT_EQ(object.As(&bar), S_OK);
    EXPECT_EQ(bar->Bar(), 2);
    ComPtr<IBaz> baz;
    EXPECT_EQ(object.As(&baz), E_NOINTERFACE);
    EXPECT_FALSE(baz);
    ComPtr<IUnknown> u1 = object.As<IUnknown>();
    ComPtr<IUnknown> u2 = bar.As<IUnknown>();
    EXPECT_EQ(u1.Get(), u2.Get());
    EXPECT_TRUE(IsSameObject(bar.Get(), object->Unknown()));
    EXPECT_EQ(object->QueryInterface(IFoo::iid, nullptr), E_POINTER);
    EXPECT_EQ(g_live, 1);
  }
  EXPECT_EQ(g_live, 0);
}

TEST(ComPtr, CopiesMovesAndResetsCountReferences) {
  {
    auto object = MakeComObject<FooBar>();
    ComPtr<IFoo> copy = object;
    ComPtr<IFoo> moved = std::move(copy);
    EXPECT_FALSE(copy);  // NOLINT(bugprone-use-after-move): a moved-from pointer is empty
    EXPECT_EQ(object->AddRef(), 3u);  // object, moved, and this one
    object->Release();
    IFoo* raw = moved.Detach();
    EXPECT_FALSE(moved);
    auto adopted = ComPtr<IFoo>::Adopt(raw);
    adopted = nullptr;
    EXPECT_EQ(g_live, 1);
  }
  EXPECT_EQ(g_live, 0);
}

TEST(ComObject, ReferenceCountingIsSafeAcrossThreads) {
  auto object = MakeComObject<FooBar>();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([raw = object.Get()] {
      for (int i = 0; i < 10000; ++i) ComPtr<IFoo> hold(raw);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(object->AddRef(), 2u);
  object->Release();
}

TEST(CoCreateInstance, CreatesBuiltInClassesAndRefusesUnknownOnes) {
  RegisterBuiltInClass(kFooBarClass, CreatorOf<FooBar>());
  ComPtr<IBar> bar;
  ASSERT_EQ(CoCreateInstance(kFooBarClass, &bar), S_OK);
  EXPECT_EQ(bar->Bar(), 2);
  ComPtr<IBaz> baz;
  EXPECT_EQ(CoCreateInstance(kFooBarClass, &baz), E_NOINTERFACE);
  auto outer = MakeComObject<FooBar>();
  void* object = nullptr;
  EXPECT_EQ(CoCreateInstance(kFooBarClass, outer->Unknown(), CLSCTX_INPROC_SERVER, IFoo::iid, &object),
            CLASS_E_NOAGGREGATION);
  UnregisterBuiltInClass(kFooBarClass);
  EXPECT_EQ(CoCreateInstance(kFooBarClass, &bar), REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(bar);
}

TEST(CoCreateInstance, AsksTheResolverForClassesNotBuiltIn) {
  class Factory final : public ComObject<Factory, IClassFactory> {
   public:
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
      return CreatorOf<FooBar>()(outer, riid, object);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
  };
  SetInprocServerResolver([](REFCLSID clsid, IClassFactory** factory) -> HRESULT {
    if (clsid != kFooBarClass) return REGDB_E_CLASSNOTREG;
    *factory = MakeComObject<Factory>().Detach();
    return S_OK;
  });
  ComPtr<IFoo> foo;
  EXPECT_EQ(CoCreateInstance(kFooBarClass, &foo), S_OK);
  EXPECT_EQ(CoCreateInstance(MakeGuid("00000000-0000-0000-0000-0000000000AB"), &foo),
            REGDB_E_CLASSNOTREG);
  SetInprocServerResolver(nullptr);
  foo = nullptr;
  EXPECT_EQ(g_live, 0);
}

TEST(CoInitialize, CountsPerThread) {
  EXPECT_FALSE(IsComInitialized());
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(OleInitialize(nullptr), S_FALSE);
  std::thread([] { EXPECT_FALSE(IsComInitialized()); }).join();
  OleUninitialize();
  EXPECT_TRUE(IsComInitialized());
  CoUninitialize();
  EXPECT_FALSE(IsComInitialized());
}

TEST(TaskMemory, DuplicatesStrings) {
  LPOLESTR text = CoTaskMemStrDup("Görüntü");
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "Görüntü");
  CoTaskMemFree(text);
  CoTaskMemFree(nullptr);
}

TEST(HResult, SuccessIsTheClearTopBit) {
  EXPECT_TRUE(SUCCEEDED(S_FALSE));
  EXPECT_TRUE(SUCCEEDED(VFW_S_PARTIAL_RENDER));
  EXPECT_TRUE(FAILED(E_FAIL));
  EXPECT_EQ(static_cast<std::uint32_t>(E_FAIL), 0x80004005u);
  EXPECT_EQ(static_cast<std::uint32_t>(VFW_S_PARTIAL_RENDER), 0x00040242u);
  EXPECT_EQ(HResultText(VFW_E_NOT_CONNECTED), "VFW_E_NOT_CONNECTED");
  EXPECT_EQ(HResultText(MakeHResult(0x80001234)), "0x80001234");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), E_ACCESSDENIED);
}
