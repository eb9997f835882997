// A first cut: the cache only. The calls into the runtime follow.
#include "flash_control/runtime_members.h"

namespace leafmark {

int TFlashRuntimeMembers::RuntimeGeneration() const { return RuntimeObject() ? 8 : -1; }

std::wstring TFlashRuntimeMembers::Movie() { return movie_; }
void TFlashRuntimeMembers::SetMovie(const std::wstring& value) { movie_ = value; }
std::wstring TFlashRuntimeMembers::Base() { return base_; }
void TFlashRuntimeMembers::SetBase(const std::wstring& value) { base_ = value; }
void TFlashRuntimeMembers::LoadMovie(int, const std::wstring&) {}
long TFlashRuntimeMembers::FlashVersion() { return 0; }

}  // namespace leafmark
