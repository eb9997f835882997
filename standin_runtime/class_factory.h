// The class factory DllGetClassObject hands out for the runtime's class id.
#pragma once

#include <unknwn.h>

#include "com_object.h"

namespace standin {

class TClassFactory final : public TComObject<IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) noexcept override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override;
};

}  // namespace standin
