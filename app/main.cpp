// The player's entry: modules, application, main window, message loop, and back.
#include <windows.h>

#include <exception>

#include "app/player_modules.h"
#include "app/ufrm_main.h"
#include "ui/application.h"
#include "win/system_text.h"

namespace {

// The forms go before the modules finish, also when start-up fails.
struct TFormsScope {
  ~TFormsScope() { leafmark::ui::Application().DestroyForms(); }
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  try {
    const leafmark::TModuleScope modules(leafmark::PlayerModules());
    const TFormsScope forms;
    leafmark::ui::TApplication& application = leafmark::ui::Application();
    application.Initialize();
    application.CreateForm<leafmark::TfrmMain>();
    application.Run();
    return 0;
  } catch (const std::exception& error) {
    ::MessageBoxW(nullptr, leafmark::win::SystemToWide(error.what()).c_str(), L"Leafmark", MB_OK | MB_ICONERROR);
    return 1;
  }
}
