// The main window and the book: the control that plays "book.swf", the movie's commands and
// the keys passed on to it.
#include <exception>

#include "app/log4dp.h"
#include "app/ufrm_main.h"
#include "archive/entry_lookup.h"
#include "content/content_manager.h"

namespace leafmark {

TfrmMain::~TfrmMain() {
  // The callback names this form; requests that come after it is gone find none.
  if (content::TContentManager* manager = content::FindContentManager()) {
    manager->SetContentProviderCallback(nullptr);
  }
}

void TfrmMain::OpenBook() {
  std::unique_ptr<TMemoryStream> movie = ReadEntryToMemory("book.swf");

  flashPlayerControl1_ = std::make_unique<TFlashPlayerControl>();
  TFlashPlayerControl& control = *flashPlayerControl1_;
  control.OnFSCommand = [this](TFlashPlayerControl& sender, const std::wstring& command,
                               const std::wstring& args) {
    FlashPlayerControl1FSCommand(sender, command, args);
  };
  control.OnLoadExternalResource = [this](TFlashPlayerControl& sender, const std::wstring& url,
                                          TStream& stream) {
    FlashPlayerControl1LoadExternalResource(sender, url, stream);
  };
  control.OnLoadExternalResourceEx = [this](TFlashPlayerControl& sender, const std::wstring& url,
                                            std::unique_ptr<TStream>& stream, bool& handled) {
    FlashPlayerControl1LoadExternalResourceEx(sender, url, stream, handled);
  };
  control.OnLoadExternalResourceAsync = [this](TFlashPlayerControl& sender, const std::wstring& path,
                                               std::unique_ptr<TStream>& stream) {
    FlashPlayerControl1LoadExternalResourceAsync(sender, path, stream);
  };
  control.SetParent(this);
  control.SetAlign(ui::TAlign::Client);
  // Without content delivery (a form made inside a test program) there is nothing to serve.
  if (content::TContentManager* manager = content::FindContentManager()) {
    manager->SetContentProviderCallback(
        [this](const std::wstring& url, std::unique_ptr<TStream>& stream, bool& handled) {
          ProvideContent(url, stream, handled);
        });
  }

  // A book without its main movie still opens its window; the log says why it stays empty.
  if (!movie) {
    TLog4DP::Log("book.swf is not in the book (or cannot be read): there is no movie to play");
    return;
  }
  try {
    control.PutMovieFromStream(*movie);
  } catch (const std::exception& error) {
    TLog4DP::Log(std::string("book.swf cannot be played: ") + error.what());
  }
}

void TfrmMain::FlashPlayerControl1FSCommand(TFlashPlayerControl&, const std::wstring& command,
                                            const std::wstring& args) {
  if (command != L"fullscreen") return;
  if (args == L"true") {
    EnterFullScreen();
  } else if (args == L"false") {
    LeaveFullScreen();
  }
}

void TfrmMain::ForwardKey(UINT message, std::uint16_t key) {
  if (!flashPlayerControl1_) return;
  ::SendMessageW(flashPlayerControl1_->Handle(), message, key, 0);
}

}  // namespace leafmark
