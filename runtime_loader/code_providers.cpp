// Loading the runtime through the code providers, and the process-wide current one.
#include "runtime_loader/code_providers.h"

#include <atomic>
#include <string>

#include "runtime_loader/module_resources.h"
#include "win/com_ptr.h"
#include "win/kernel32_function.h"
#include "win/unique_any.h"

namespace leafmark {

const CLSID kFlashRuntimeClassId = {
    0xD27CDB6E, 0xAE6D, 0x11CF, {0x96, 0xB8, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

namespace {

std::atomic<TFlashOCXCodeProviderBasedOnStream*> currentProvider{nullptr};
// The provider being constructed: its runtime's entry point may look functions up through
// the GetProcAddress replacement before the provider is made current.
std::atomic<TFlashOCXLoader*> loadingLoader{nullptr};

constexpr char kRegistrationKey[] =
    "CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}\\InprocServer32";

// The file the runtime's class registration names, or empty.
std::string RegisteredRuntimeFile() {
  win::TUniqueRegistryKey key;
  if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, kRegistrationKey, 0, KEY_QUERY_VALUE, key.Put()) !=
      ERROR_SUCCESS) {
    return {};
  }
  char value[261] = {};
  DWORD size = sizeof value - 1;  // room for a terminating null the value may lack
  DWORD type = 0;
  if (::RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ)) {
    return {};
  }
  return value;
}

}  // namespace

TFlashOCXCodeProviderBasedOnStream::TFlashOCXCodeProviderBasedOnStream(TStream* stream) {
  if (stream) Load(*stream);
}

TFlashOCXCodeProviderBasedOnStream::~TFlashOCXCodeProviderBasedOnStream() {
  TFlashOCXCodeProviderBasedOnStream* self = this;
  currentProvider.compare_exchange_strong(self, nullptr);
  // Unloading runs the runtime's entry point; the loader swallows what it raises.
  loader_.reset();
}

void TFlashOCXCodeProviderBasedOnStream::Load(TStream& stream) noexcept {
  try {
    auto loader = std::make_unique<TFlashOCXLoader>();
    loadingLoader = loader.get();
    loader->LoadModule(stream);
    loadingLoader = nullptr;
    entry_ = reinterpret_cast<TDllGetClassObject>(
        reinterpret_cast<void*>(loader->FindExport("DllGetClassObject")));
    version_ = ReadModuleVersion(loader->ModuleBase());
    loader_ = std::move(loader);
  } catch (...) {
    loadingLoader = nullptr;
    entry_ = nullptr;
    version_ = 0;
  }
}

HRESULT TFlashOCXCodeProviderBasedOnStream::CreateFlashInstance(REFIID iid, void** object) {
  if (!entry_) return E_FAIL;
  if (object) *object = nullptr;
  com::TComPtr<IClassFactory> factory;
  if (entry_(kFlashRuntimeClassId, IID_IClassFactory, factory.PutVoid()) != S_OK || !factory) {
    return E_FAIL;
  }
  return factory->CreateInstance(nullptr, iid, object);
}

TFlashOCXCodeProviderBasedOnSystemInstalledOCX::TFlashOCXCodeProviderBasedOnSystemInstalledOCX() {
  const std::string file = RegisteredRuntimeFile();
  if (file.empty()) return;
  try {
    TFileStream stream(file, TFileStream::TMode::Read);
    Load(stream);
  } catch (...) {
    // A registration naming a file that cannot be read leaves the provider empty.
  }
}

TFlashOCXCodeProviderBasedOnStream* FlashOCXCodeProvider() noexcept { return currentProvider; }

const void* FlashOCXCodeProviderVariable() noexcept { return &currentProvider; }

TFlashOCXLoader* CurrentFlashOCXLoader() noexcept {
  if (TFlashOCXLoader* loading = loadingLoader) return loading;
  TFlashOCXCodeProviderBasedOnStream* provider = currentProvider;
  return provider ? provider->Loader() : nullptr;
}

void InitFlashOCXCodeProvider() {
  FinalizeFlashOCXCodeProvider();
  currentProvider = new TFlashOCXCodeProviderBasedOnSystemInstalledOCX();
}

bool LoadFlashOCXCodeFromStream(TStream& stream) {
  auto replacement = std::make_unique<TFlashOCXCodeProviderBasedOnStream>(&stream);
  if (!replacement->HasRuntime()) return false;
  FinalizeFlashOCXCodeProvider();
  currentProvider = replacement.release();
  return true;
}

void FinalizeFlashOCXCodeProvider() noexcept {
  delete currentProvider.exchange(nullptr);
}

void TrimWorkingSet() noexcept {
  using TSetProcessWorkingSetSize = BOOL(WINAPI*)(HANDLE, SIZE_T, SIZE_T);
  const auto setSize =
      win::Kernel32Function<TSetProcessWorkingSetSize>("SetProcessWorkingSetSize");
  if (setSize) setSize(::GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

}  // namespace leafmark
