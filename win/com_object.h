// TComObject and TOwnedComObject: reference counting and QueryInterface for COM objects
// written by hand.
#pragma once

#include <unknwn.h>

#include <atomic>
#include <cstddef>
#include <new>
#include <type_traits>
#include <utility>

#include "win/com_ptr.h"

namespace leafmark::com {

// Entries of an object's interface list besides the interfaces it derives from:
// - TAnswerThrough<I, Path>: I's IID answered by I as reached through the listed interface
//   Path. For a base two listed interfaces share (IOleWindow under both IOleInPlaceSite and
//   IOleInPlaceFrame), where a plain cast would be ambiguous.
// - TAnswerIid<Iid, I>: another IID answered by the listed interface I (an event interface's
//   IID answered by IDispatch).
template <class I, class Path>
struct TAnswerThrough {};
template <const IID& Iid, class I>
struct TAnswerIid {};

// How a count that reaches zero ends: the object deletes itself, or nothing happens because
// its owner destroys it whatever the count (a host control whose window owns it).
struct TSelfDeleting {};
struct TOwnerDeleted {};

namespace detail {

// A base per entry: the interface itself, or an empty placeholder that differs per position.
template <std::size_t N>
struct TNoInterface {};
template <class Entry, std::size_t N>
struct TBaseOf {
  using Type = Entry;
};
template <class I, class Path, std::size_t N>
struct TBaseOf<TAnswerThrough<I, Path>, N> {
  using Type = TNoInterface<N>;
};
template <const IID& Iid, class I, std::size_t N>
struct TBaseOf<TAnswerIid<Iid, I>, N> {
  using Type = TNoInterface<N>;
};

template <class Sequence, class... Entries>
struct TInterfaceBases;
// The listed interfaces have no virtual destructor; the object's own destructor is virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <std::size_t... N, class... Entries>
struct TInterfaceBases<std::index_sequence<N...>, Entries...>
    : public TBaseOf<Entries, N>::Type... {};
#pragma GCC diagnostic pop

// What one entry answers, from an object of type Object.
template <class Entry>
struct TEntryAnswer {
  template <class Object>
  static void* Find(Object* object, REFIID iid) noexcept {
    return iid == __uuidof(Entry) ? static_cast<Entry*>(object) : nullptr;
  }
};
template <class I, class Path>
struct TEntryAnswer<TAnswerThrough<I, Path>> {
  template <class Object>
  static void* Find(Object* object, REFIID iid) noexcept {
    return iid == __uuidof(I) ? static_cast<I*>(static_cast<Path*>(object)) : nullptr;
  }
};
template <const IID& Iid, class I>
struct TEntryAnswer<TAnswerIid<Iid, I>> {
  template <class Object>
  static void* Find(Object* object, REFIID iid) noexcept {
    return iid == Iid ? static_cast<I*>(object) : nullptr;
  }
};

}  // namespace detail

// Implements IUnknown for the listed entries. QueryInterface answers IUnknown (through the
// first entry, which must be a plain interface) and exactly the listed entries, not the
// interfaces' bases: an object listing IMoniker does not answer IPersistStream unless it says
// so. Other identifiers go to QueryOtherInterface. The count starts at 0 and is changed
// atomically.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <class Lifetime, class First, class... Rest>
class TComObjectBase
    : public detail::TInterfaceBases<std::index_sequence_for<First, Rest...>, First, Rest...> {
  static_assert(std::is_base_of_v<IUnknown, First>,
                "the first entry must be an interface: IUnknown is answered through it");

 public:
  TComObjectBase(const TComObjectBase&) = delete;
  TComObjectBase& operator=(const TComObjectBase&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) noexcept override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid == __uuidof(IUnknown)) {
      *object = static_cast<IUnknown*>(static_cast<First*>(this));
    } else {
      ((*object = detail::TEntryAnswer<First>::Find(this, iid)) || ... ||
       (*object = detail::TEntryAnswer<Rest>::Find(this, iid)));
    }
    if (!*object) return QueryOtherInterface(iid, object);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() noexcept override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() noexcept override {
    const long left = --references_;
    if constexpr (std::is_same_v<Lifetime, TSelfDeleting>) {
      if (left == 0) delete this;
    }
    return static_cast<ULONG>(left);
  }

 protected:
  TComObjectBase() = default;
  virtual ~TComObjectBase() = default;

  // Interfaces answered by someone else (for example a wrapped object).
  virtual HRESULT QueryOtherInterface(REFIID, void**) noexcept { return E_NOINTERFACE; }

  long References() const noexcept { return references_; }

 private:
  std::atomic<long> references_{0};
};
#pragma GCC diagnostic pop

// Deletes itself when a Release brings the count to 0. Create it with MakeCom, which hands
// out the first reference.
template <class First, class... Rest>
class TComObject : public TComObjectBase<TSelfDeleting, First, Rest...> {
 protected:
  TComObject() = default;
};
// Counts references for its callers, but its owner alone destroys it.
template <class First, class... Rest>
class TOwnedComObject : public TComObjectBase<TOwnerDeleted, First, Rest...> {
 protected:
  TOwnedComObject() = default;
};

// Creates a self-deleting COM object and returns its first reference, as interface I.
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
