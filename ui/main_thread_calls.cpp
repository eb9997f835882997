// Placeholder until the queue lands; see main_thread_calls.h for what it promises.
#include "ui/main_thread_calls.h"

namespace leafmark::ui {

void InitMainThreadCalls() {}
void FinalizeMainThreadCalls() {}
bool IsMainThread() { return true; }
void RunOnMainThread(const std::function<void()>& call) { call(); }

}  // namespace leafmark::ui
