// One connection point of the runtime object: the sinks advised for one outgoing interface,
// by cookie. It lives inside its object and counts its references on it.
#pragma once

#include <ocidl.h>

#include <memory>
#include <utility>
#include <vector>

#include "com_object.h"

namespace standin {

struct TReleaser {
  void operator()(IUnknown* unknown) const noexcept { unknown->Release(); }
};
using TSinkRef = std::unique_ptr<IUnknown, TReleaser>;

// COM interfaces have no virtual destructor; this one is destroyed only as its owner's member.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class TConnectionPoint final : public IConnectionPoint {
 public:
  // name: how the trace calls the interface ("events", "property-notify"). orAsDispatch: a
  // sink that lacks iid may still be advised through its IDispatch (events only).
  TConnectionPoint(IConnectionPointContainer& container, const IID& iid, const char* name, bool orAsDispatch);
  ~TConnectionPoint();
  TConnectionPoint(const TConnectionPoint&) = delete;
  TConnectionPoint& operator=(const TConnectionPoint&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) noexcept override;
  ULONG STDMETHODCALLTYPE AddRef() noexcept override;
  ULONG STDMETHODCALLTYPE Release() noexcept override;
  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) noexcept override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) noexcept override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) noexcept override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) noexcept override;

  // The sinks advised now, each with a reference of its own (as the interface advised).
  std::vector<TSinkRef> Sinks() const;
  // Lets go of every sink (the object is closing down).
  void Clear() noexcept;

 private:
  IConnectionPointContainer& container_;
  const IID iid_;
  const char* const name_;
  const bool orAsDispatch_;
  mutable SRWLOCK lock_ = SRWLOCK_INIT;
  std::vector<std::pair<DWORD, IUnknown*>> sinks_;  // counted
  DWORD lastCookie_ = 0;
};
#pragma GCC diagnostic pop

}  // namespace standin
