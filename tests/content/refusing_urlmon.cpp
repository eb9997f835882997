// A stand-in urlmon whose CreateURLMoniker accepts no URL and whose RegisterBindStatusCallback
// registers nothing. No Windows headers: they declare the real functions.
extern "C" __declspec(dllexport) long __stdcall CreateURLMoniker(void*, const wchar_t*,
                                                                 void** moniker) {
  if (moniker) *moniker = nullptr;
  return static_cast<long>(0x80070057L);  // E_INVALIDARG
}

extern "C" __declspec(dllexport) long __stdcall RegisterBindStatusCallback(void*, void*,
                                                                           void** previous,
                                                                           unsigned long) {
  if (previous) *previous = nullptr;
  return static_cast<long>(0x80004005L);  // E_FAIL
}
