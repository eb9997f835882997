// Module start-up and shutdown: initialised in the listed order, finalised in reverse.
#pragma once

#include <cstddef>
#include <span>

namespace leafmark {

struct TModule {
  const char* Name;
  void (*Initialize)();  // may be null
  void (*Finalize)();    // may be null
};

class TModuleScope {
 public:
  // Initialises every module in order. When one fails, those already initialised are
  // finalised in reverse and the failure is raised again.
  explicit TModuleScope(std::span<const TModule> modules);
  // Finalises the modules in reverse order; a failing finalisation does not stop the rest.
  ~TModuleScope();
  TModuleScope(const TModuleScope&) = delete;
  TModuleScope& operator=(const TModuleScope&) = delete;

 private:
  void FinalizeAll() noexcept;

  std::span<const TModule> modules_;
  std::size_t initialised_ = 0;
};

}  // namespace leafmark
