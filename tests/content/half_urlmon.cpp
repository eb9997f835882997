// A stand-in urlmon that exports CreateURLMoniker but not RegisterBindStatusCallback.
// No Windows headers: they declare the real function.
extern "C" __declspec(dllexport) long __stdcall CreateURLMoniker(void*, const wchar_t*,
                                                                 void** moniker) {
  if (moniker) *moniker = nullptr;
  return static_cast<long>(0x80004001L);  // E_NOTIMPL
}
