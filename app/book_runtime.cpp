#include "app/book_runtime.h"

#include "archive/entry_lookup.h"
#include "runtime_loader/code_providers.h"

namespace leafmark {

void LoadBookRuntime() {
  if (GetEntryNumber("flash.ocx") <= 0) return;
  // The image is copied out during the call; the stream goes right after it.
  const std::unique_ptr<TMemoryStream> image = ReadEntryToMemory("flash.ocx");
  if (image) LoadFlashOCXCodeFromStream(*image);
}

}  // namespace leafmark
