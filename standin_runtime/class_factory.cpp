// Creates runtime objects; aggregation is not offered.
#include "class_factory.h"

#include <new>

#include "runtime_object.h"

namespace standin {

HRESULT TClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  TRuntimeObject* created = nullptr;
  try {
    created = new TRuntimeObject();
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  const HRESULT result = created->QueryInterface(iid, object);
  created->Release();
  return result;
}

HRESULT TClassFactory::LockServer(BOOL lock) noexcept {
  if (lock) {
    AddModuleReference();
  } else {
    ReleaseModuleReference();
  }
  return S_OK;
}

}  // namespace standin
