// The hand-written COM base: reference counting, interface tables, and the owning pointer.
#include <gtest/gtest.h>

#include <windows.h>
#include <objidl.h>
#include <urlmon.h>

#include <memory>
#include <thread>
#include <vector>

#include "win/com_object.h"

namespace leafmark::com {
namespace {

// Lists IHttpNegotiate and IBinding. Counts its destructions; answers IStream through a
// helper when given one.
class TProbe final : public TComObject<IHttpNegotiate, IBinding> {
 public:
  explicit TProbe(int& destroyed, IUnknown* other = nullptr)
      : destroyed_(destroyed), other_(other) {}
  ~TProbe() override { ++destroyed_; }

  HRESULT STDMETHODCALLTYPE BeginningTransaction(LPCWSTR, LPCWSTR, DWORD,
                                                 LPWSTR*) noexcept override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnResponse(DWORD, LPCWSTR, LPCWSTR, LPWSTR*) noexcept override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Abort() noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Suspend() noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Resume() noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetPriority(LONG) noexcept override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetPriority(LONG* p) noexcept override {
    *p = 42;
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE GetBindResult(CLSID*, DWORD*, LPOLESTR*, DWORD*) noexcept override {
    return S_OK;
  }

 protected:
  HRESULT QueryOtherInterface(REFIID iid, void** object) noexcept override {
    if (other_ && iid == __uuidof(IStream)) return other_->QueryInterface(iid, object);
    return E_NOINTERFACE;
  }

 private:
  int& destroyed_;
  IUnknown* other_;
};

TEST(ComObject, AnswersIUnknownAndTheListedInterfacesOnly) {
  int destroyed = 0;
  const auto probe = MakeCom<TProbe, IHttpNegotiate>(destroyed);
  const auto unknown = probe.As<IUnknown>();
  const auto binding = probe.As<IBinding>();
  ASSERT_TRUE(unknown && binding);
  // One identity: IUnknown from any interface is the same pointer.
  EXPECT_EQ(binding.As<IUnknown>().Get(), unknown.Get());
  EXPECT_EQ(static_cast<void*>(probe.As<IHttpNegotiate>().Get()),
            static_cast<void*>(probe.Get()));
  // Each interface reaches its own methods.
  LONG priority = 0;
  EXPECT_EQ(binding->GetPriority(&priority), S_FALSE);
  EXPECT_EQ(priority, 42);
  EXPECT_FALSE(probe.As<IStream>());
  EXPECT_FALSE(probe.As<IBindStatusCallback>());
  EXPECT_EQ(probe->QueryInterface(__uuidof(IUnknown), nullptr), E_POINTER);
  void* out = &destroyed;
  EXPECT_EQ(probe->QueryInterface(__uuidof(IMoniker), &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
}

TEST(ComObject, IsDestroyedWhenTheLastReferenceGoes) {
  int destroyed = 0;
  IHttpNegotiate* raw = MakeCom<TProbe, IHttpNegotiate>(destroyed).Detach();
  EXPECT_EQ(raw->AddRef(), 2u);
  EXPECT_EQ(raw->Release(), 1u);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(raw->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

TEST(ComObject, CountsReferencesFromManyThreads) {
  int destroyed = 0;
  auto probe = MakeCom<TProbe, IHttpNegotiate>(destroyed);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        TComPtr<IBinding> binding = probe.As<IBinding>();
        TComPtr<IBinding> copy = binding;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(destroyed, 0);
  probe.Reset();
  EXPECT_EQ(destroyed, 1);
}

TEST(ComObject, OtherInterfacesMayComeFromElsewhere) {
  int destroyed = 0;
  IStream* stream = nullptr;
  ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  const auto helper = TComPtr<IStream>::Attach(stream);
  const auto probe = MakeCom<TProbe, IHttpNegotiate>(destroyed, helper.Get());
  EXPECT_EQ(probe.As<IStream>().Get(), helper.Get());
}

// Two listed interfaces that share a base, the way IOleInPlaceSite and IOleInPlaceFrame share
// IOleWindow; the shared base is answered through the first. An event IID is answered by
// IDispatch.
extern const IID kProbeEvents;
const IID kProbeEvents = {0x5c1e0a55, 0x1d6e, 0x4f0b, {0x9a, 0x33, 0x2b, 0x7e, 0x61, 0x0d, 0x48, 0x11}};

class TSharedBaseProbe final
    : public TOwnedComObject<IPersistStream, IPersistFile, TAnswerThrough<IPersist, IPersistStream>,
                             IDispatch, TAnswerIid<kProbeEvents, IDispatch>> {
 public:
  ~TSharedBaseProbe() override = default;
  long Count() const { return References(); }

  // One GetClassID serves both IPersist bases.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) noexcept override {
    *id = kProbeEvents;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDirty() noexcept override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(IStream*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Load(LPCOLESTR, DWORD) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Save(LPCOLESTR, BOOL) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                          DISPID*) noexcept override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                   EXCEPINFO*, UINT*) noexcept override {
    return S_OK;
  }
};

TEST(ComObject, AnswersASharedBaseThroughOneInterfaceAndAnEventIidWithIDispatch) {
  TSharedBaseProbe probe;
  IPersistStream* persistStream = &probe;
  const auto persist = TComPtr<IPersistStream>(persistStream).As<IPersist>();
  ASSERT_TRUE(persist);
  EXPECT_EQ(persist.Get(), static_cast<IPersist*>(persistStream));
  CLSID id{};
  EXPECT_EQ(persist->GetClassID(&id), S_OK);
  EXPECT_EQ(id, kProbeEvents);
  EXPECT_TRUE(persist.As<IPersistFile>());

  void* events = nullptr;
  ASSERT_EQ(probe.QueryInterface(kProbeEvents, &events), S_OK);
  EXPECT_EQ(events, static_cast<void*>(static_cast<IDispatch*>(&probe)));
  static_cast<IDispatch*>(events)->Release();
  // The IID answered on its behalf does not make the interface's own bases answer.
  EXPECT_FALSE(persist.As<IStream>());
}

TEST(ComObject, AnOwnedObjectCountsReferencesButOnlyItsOwnerDestroysIt) {
  auto probe = std::make_unique<TSharedBaseProbe>();
  IPersistFile* file = probe.get();
  EXPECT_EQ(file->AddRef(), 1u);
  EXPECT_EQ(file->Release(), 0u);
  // Still alive: the last release did not free it.
  EXPECT_EQ(probe->Count(), 0);
  EXPECT_EQ(file->AddRef(), 1u);
  probe.reset();  // the owner ends it whatever the count says
}

TEST(ComPtr, OwnsExactlyOneReference) {
  int destroyed = 0;
  TComPtr<IHttpNegotiate> a = MakeCom<TProbe, IHttpNegotiate>(destroyed);
  const auto references = [&] {
    a->AddRef();
    return a->Release();
  };
  EXPECT_EQ(references(), 1u);
  {
    TComPtr<IHttpNegotiate> copy = a;
    EXPECT_EQ(references(), 2u);
    TComPtr<IHttpNegotiate> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(references(), 2u);
    moved = a;  // self-owned already: still two
    EXPECT_EQ(references(), 2u);
  }
  EXPECT_EQ(references(), 1u);

  IHttpNegotiate* out = nullptr;
  a.CopyTo(&out);
  EXPECT_EQ(references(), 2u);
  auto adopted = TComPtr<IHttpNegotiate>::Attach(out);
  EXPECT_EQ(references(), 2u);
  a.CopyTo(nullptr);
  EXPECT_EQ(references(), 2u);

  // Put releases what was held before handing out the slot.
  IHttpNegotiate** slot = adopted.Put();
  EXPECT_EQ(*slot, nullptr);
  EXPECT_EQ(references(), 1u);

  a = nullptr;
  EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace leafmark::com
