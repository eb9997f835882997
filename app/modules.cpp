#include "app/modules.h"

namespace leafmark {

TModuleScope::TModuleScope(std::span<const TModule> modules) : modules_(modules) {
  try {
    for (const TModule& module : modules_) {
      if (module.Initialize) module.Initialize();
      ++initialised_;
    }
  } catch (...) {
    FinalizeAll();
    throw;
  }
}

TModuleScope::~TModuleScope() { FinalizeAll(); }

void TModuleScope::FinalizeAll() noexcept {
  while (initialised_ > 0) {
    const TModule& module = modules_[--initialised_];
    try {
      if (module.Finalize) module.Finalize();
    } catch (...) {
    }
  }
}

}  // namespace leafmark
