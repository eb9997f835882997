#include "ambient.h"

#include <oleauto.h>

#include "call_trace.h"

namespace standin {

HRESULT ReadAmbient(IDispatch& site, DISPID id, VARIANT& value) noexcept {
  VariantClear(&value);
  DISPPARAMS none{};
  EXCEPINFO exception{};
  UINT argumentError = 0;
  const HRESULT result =
      site.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, &value, &exception, &argumentError);
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  try {
    SiteLine("IDispatch.Invoke", result).Number("dispid", id).Write();
  } catch (...) {
  }
  return result;
}

}  // namespace standin
