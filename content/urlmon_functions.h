// urlmon's CreateURLMoniker and RegisterBindStatusCallback, reached through pointers looked
// up once at start-up.
#pragma once

#include <windows.h>
#include <urlmon.h>

#include "win/unique_any.h"

namespace leafmark::content {

using TCreateURLMonikerFunction = decltype(&::CreateURLMoniker);
using TRegisterBindStatusCallbackFunction = decltype(&::RegisterBindStatusCallback);

// A loaded urlmon and its two functions; frees the library when destroyed.
class TUrlmonLibrary {
 public:
  // Throws "LoadLibrary(<libraryName>) failed", "GetProcAddress(CreateURLMoniker) failed"
  // or "GetProcAddress(RegisterBindStatusCallback) failed".
  explicit TUrlmonLibrary(const char* libraryName = "urlmon.dll");

  TCreateURLMonikerFunction CreateURLMoniker() const { return createURLMoniker_; }
  TRegisterBindStatusCallbackFunction RegisterBindStatusCallback() const {
    return registerBindStatusCallback_;
  }

 private:
  win::TUniqueModule module_;
  TCreateURLMonikerFunction createURLMoniker_ = nullptr;
  TRegisterBindStatusCallbackFunction registerBindStatusCallback_ = nullptr;
};

// Process-wide, at start-up and at exit, on the main thread. InitUrlmon throws as above;
// tests may name a stand-in library.
void InitUrlmon(const char* libraryName = "urlmon.dll");
void FinalizeUrlmon();

// The system's functions through the pointers; E_FAIL (and no out-object) when urlmon has
// not been loaded.
HRESULT SystemCreateURLMoniker(IMoniker* context, LPCWSTR url, IMoniker** moniker);
HRESULT SystemRegisterBindStatusCallback(IBindCtx* bindContext, IBindStatusCallback* callback,
                                         IBindStatusCallback** previous, DWORD reserved);

}  // namespace leafmark::content
