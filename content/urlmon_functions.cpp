// Loading urlmon once and calling its two functions through the pointers found.
#include "content/urlmon_functions.h"

#include <memory>
#include <stdexcept>
#include <string>

namespace leafmark::content {
namespace {

std::unique_ptr<TUrlmonLibrary> processUrlmon;

template <class Function>
Function LookUp(HMODULE module, const char* name) {
  const FARPROC found = GetProcAddress(module, name);
  if (!found) throw std::runtime_error(std::string("GetProcAddress(") + name + ") failed");
  return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

}  // namespace

TUrlmonLibrary::TUrlmonLibrary(const char* libraryName) : module_(LoadLibraryA(libraryName)) {
  if (!module_) throw std::runtime_error(std::string("LoadLibrary(") + libraryName + ") failed");
  createURLMoniker_ = LookUp<TCreateURLMonikerFunction>(module_.Get(), "CreateURLMoniker");
  registerBindStatusCallback_ =
      LookUp<TRegisterBindStatusCallbackFunction>(module_.Get(), "RegisterBindStatusCallback");
}

void InitUrlmon(const char* libraryName) {
  if (!processUrlmon) processUrlmon = std::make_unique<TUrlmonLibrary>(libraryName);
}

void FinalizeUrlmon() { processUrlmon.reset(); }

HRESULT SystemCreateURLMoniker(IMoniker* context, LPCWSTR url, IMoniker** moniker) {
  if (!processUrlmon) {
    if (moniker) *moniker = nullptr;
    return E_FAIL;
  }
  return processUrlmon->CreateURLMoniker()(context, url, moniker);
}

HRESULT SystemRegisterBindStatusCallback(IBindCtx* bindContext, IBindStatusCallback* callback,
                                         IBindStatusCallback** previous, DWORD reserved) {
  if (!processUrlmon) {
    if (previous) *previous = nullptr;
    return E_FAIL;
  }
  return processUrlmon->RegisterBindStatusCallback()(bindContext, callback, previous, reserved);
}

}  // namespace leafmark::content
