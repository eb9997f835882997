// TComObject: reference counting and QueryInterface for COM objects written by hand.
#pragma once

#include <unknwn.h>

#include <atomic>
#include <new>
#include <utility>

#include "content/com_ptr.h"

namespace leafmark::com {

// Implements IUnknown for the interfaces listed. QueryInterface answers IUnknown (through the
// first interface) and exactly the listed interfaces, not their bases: an object listing
// IMoniker does not answer IPersistStream. Other identifiers go to QueryOtherInterface.
// The count starts at 0 and is changed atomically; the object deletes itself when a Release
// brings it to 0. Create objects with MakeCom, which hands out the first reference.
// The listed interfaces have no virtual destructor; the object's own destructor is virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <class First, class... Rest>
class TComObject : public First, public Rest... {
 public:
  TComObject(const TComObject&) = delete;
  TComObject& operator=(const TComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == __uuidof(IUnknown)) {
      *object = static_cast<IUnknown*>(static_cast<First*>(this));
    } else {
      (FindListed<First>(iid, object) || ... || FindListed<Rest>(iid, object));
    }
    if (!*object) return QueryOtherInterface(iid, object);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const long left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  TComObject() = default;
  virtual ~TComObject() = default;

  // Interfaces answered by someone else (for example a wrapped object).
  virtual HRESULT QueryOtherInterface(REFIID, void**) noexcept { return E_NOINTERFACE; }

 private:
  template <class I>
  bool FindListed(REFIID iid, void** object) noexcept {
    if (iid != __uuidof(I)) return false;
    *object = static_cast<I*>(this);
    return true;
  }

  std::atomic<long> references_{0};
};
#pragma GCC diagnostic pop

// Creates a COM object and returns its first reference, as interface I.
template <class T, class I = T, class... Args>
TComPtr<I> MakeCom(Args&&... args) {
  return TComPtr<I>(static_cast<I*>(new T(std::forward<Args>(args)...)));
}

// COM methods end here: an exception becomes the HRESULT the caller expects.
template <class Body>
HRESULT ComBoundary(Body&& body, HRESULT onFailure = E_FAIL) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return onFailure;
  }
}

}  // namespace leafmark::com
