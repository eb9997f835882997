// The Flash runtime the book carries: its "flash.ocx" replaces the registered runtime.
#pragma once

namespace leafmark {

// The main window's module initialisation: when the archive has a "flash.ocx" entry that
// loads, it becomes the current code provider; otherwise the registered runtime stays.
void LoadBookRuntime();

}  // namespace leafmark
