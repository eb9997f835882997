// The list is the start-up order; shutdown walks it backwards.
#include "app/player_modules.h"

#include <windows.h>
#include <ole2.h>

#include <stdexcept>

#include "app/book_runtime.h"
#include "app/log4dp.h"
#include "flash_control/flash_player_control_module.h"
#include "ui/main_thread_calls.h"

namespace leafmark {

namespace {

// OLE on the GUI thread: the settings parser is a COM object, and so is the hosted control.
void InitializeOle() {
  if (FAILED(::OleInitialize(nullptr))) throw std::runtime_error("OLE cannot be initialised");
}

void FinalizeOle() { ::OleUninitialize(); }

constexpr TModule kPlayerModules[] = {
    {"OLE", InitializeOle, FinalizeOle},
    {"diagnostic log", InitializeLogModule, nullptr},
    {"main-thread calls", ui::InitMainThreadCalls, ui::FinalizeMainThreadCalls},
    // The runtime, content delivery and urlmon: the main window's module relies on them.
    {"host control", InitFlashPlayerControlModule, FinalizeFlashPlayerControlModule},
    // Last: the book's own runtime replaces the registered one the host control set up.
    {"main window", LoadBookRuntime, nullptr},
};

}  // namespace

std::span<const TModule> PlayerModules() { return kPlayerModules; }

}  // namespace leafmark
