#include "connection_point.h"

#include <olectl.h>

#include "call_trace.h"

namespace standin {

namespace {

class TExclusive {
 public:
  explicit TExclusive(SRWLOCK& lock) noexcept : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ~TExclusive() { ReleaseSRWLockExclusive(&lock_); }
  TExclusive(const TExclusive&) = delete;
  TExclusive& operator=(const TExclusive&) = delete;

 private:
  SRWLOCK& lock_;
};

void TraceConnection(const char* member, const char* name, const char* key = nullptr, DWORD value = 0) noexcept {
  try {
    TTraceLine line("call");
    line.Word(member).Text("interface", name);
    if (key) line.Number(key, value);
    line.Write();
  } catch (...) {
  }
}

}  // namespace

TConnectionPoint::TConnectionPoint(IConnectionPointContainer& container, const IID& iid, const char* name,
                                   bool orAsDispatch)
    : container_(container), iid_(iid), name_(name), orAsDispatch_(orAsDispatch) {}

TConnectionPoint::~TConnectionPoint() { Clear(); }

HRESULT TConnectionPoint::QueryInterface(REFIID iid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
  *out = static_cast<IConnectionPoint*>(this);
  AddRef();
  return S_OK;
}

ULONG TConnectionPoint::AddRef() noexcept { return container_.AddRef(); }
ULONG TConnectionPoint::Release() noexcept { return container_.Release(); }

HRESULT TConnectionPoint::GetConnectionInterface(IID* iid) noexcept {
  TraceConnection("IConnectionPoint.GetConnectionInterface", name_);
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

HRESULT TConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) noexcept {
  TraceConnection("IConnectionPoint.GetConnectionPointContainer", name_);
  if (!container) return E_POINTER;
  *container = &container_;
  container_.AddRef();
  return S_OK;
}

// The sink is kept as the interface it was asked for, as the caller will be called through it.
HRESULT TConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) noexcept {
  TraceConnection("IConnectionPoint.Advise", name_);
  if (cookie) *cookie = 0;
  if (!sink || !cookie) return E_POINTER;
  void* kept = nullptr;
  if (FAILED(sink->QueryInterface(iid_, &kept)) || !kept) {
    kept = nullptr;
    if (!orAsDispatch_ || FAILED(sink->QueryInterface(IID_IDispatch, &kept)) || !kept) return CONNECT_E_CANNOTCONNECT;
  }
  try {
    TExclusive hold(lock_);
    sinks_.emplace_back(++lastCookie_, static_cast<IUnknown*>(kept));
    *cookie = lastCookie_;
  } catch (...) {
    static_cast<IUnknown*>(kept)->Release();
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT TConnectionPoint::Unadvise(DWORD cookie) noexcept {
  TraceConnection("IConnectionPoint.Unadvise", name_, "arg1", cookie);
  IUnknown* sink = nullptr;
  {
    TExclusive hold(lock_);
    for (auto i = sinks_.begin(); i != sinks_.end(); ++i) {
      if (i->first == cookie) {
        sink = i->second;
        sinks_.erase(i);
        break;
      }
    }
  }
  if (!sink) return CONNECT_E_NOCONNECTION;
  sink->Release();  // outside the lock: the sink may call back
  return S_OK;
}

HRESULT TConnectionPoint::EnumConnections(IEnumConnections** connections) noexcept {
  TraceConnection("IConnectionPoint.EnumConnections", name_);
  if (connections) *connections = nullptr;
  return E_NOTIMPL;
}

std::vector<TSinkRef> TConnectionPoint::Sinks() const {
  std::vector<TSinkRef> sinks;
  TExclusive hold(lock_);
  sinks.reserve(sinks_.size());
  for (const auto& [cookie, sink] : sinks_) {
    sink->AddRef();
    sinks.emplace_back(sink);
  }
  return sinks;
}

void TConnectionPoint::Clear() noexcept {
  std::vector<std::pair<DWORD, IUnknown*>> gone;
  {
    TExclusive hold(lock_);
    gone.swap(sinks_);
  }
  for (const auto& [cookie, sink] : gone) sink->Release();
}

}  // namespace standin
