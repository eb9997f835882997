// The movie's requests answered from the book's archive. The requested text, in the system
// code page, is the entry name as it is; the only change ever tried is one leading "./".
#include <cstdint>
#include <exception>

#include "app/log4dp.h"
#include "app/ufrm_main.h"
#include "archive/entry_lookup.h"
#include "archive/entry_stream.h"
#include "win/system_text.h"

namespace leafmark {

namespace {

// Each handler's body runs inside this: a failure is logged and ends the request unanswered,
// and nothing escapes towards content delivery or the runtime.
template <typename TBody>
void Guarded(const char* handler, const std::wstring& text, TBody body) noexcept {
  try {
    body();
  } catch (const std::exception& error) {
    TLog4DP::Log(std::string(handler) + " failed[" + win::WideToSystem(text) + "]: " + error.what());
  } catch (...) {
    TLog4DP::Log(std::string(handler) + " failed");
  }
}

// The entry's bytes are read whole before any reaches stream, so a read that fails halfway
// delivers nothing rather than a truncated file.
bool CopyEntry(const std::string& name, TStream& stream) {
  const std::unique_ptr<TMemoryStream> entry = ReadEntryToMemory(name);
  if (!entry) return false;
  if (entry->Size() > 0) {
    stream.WriteBuffer(entry->Memory(), entry->Size());
  } else {
    // An empty write still marks the download as answered, so that it ends as an empty
    // file when the stream goes; with no write at all the runtime would wait for ever.
    const std::uint8_t none = 0;
    stream.Write(&none, 0);
  }
  return true;
}

// The name the URL handler finds: the text itself, else the text without one leading "./".
std::string UrlEntryName(const std::string& name) {
  if (GetEntryNumber(name) != 0) return name;
  if (name.starts_with("./") && GetEntryNumber(name.substr(2)) != 0) return name.substr(2);
  return {};
}

}  // namespace

void TfrmMain::FlashPlayerControl1LoadExternalResourceEx(TFlashPlayerControl&, const std::wstring& url,
                                                         std::unique_ptr<TStream>& stream, bool& handled) {
  Guarded("To load url 333", url, [&] {
    TLog4DP::Log("To load url 333[" + win::WideToSystem(url) + "]");
    // A present entry is answered here, through the URL handler's own steps and lines: an
    // empty entry would leave that handler's stream empty, which its caller takes for
    // "absent", and the runtime would wait for a download that never ends.
    if (!stream || UrlEntryName(win::WideToSystem(url)).empty()) return;
    handled = AnswerByUrl(url, *stream);
  });
}

void TfrmMain::FlashPlayerControl1LoadExternalResource(TFlashPlayerControl&, const std::wstring& url,
                                                       TStream& stream) {
  Guarded("To load url2", url, [&] { AnswerByUrl(url, stream); });
}

bool TfrmMain::AnswerByUrl(const std::wstring& url, TStream& stream) {
  const std::string name = win::WideToSystem(url);
  TLog4DP::Log("To load url2[" + name + "]");
  const std::string found = UrlEntryName(name);
  if (found.empty()) return false;
  TLog4DP::Log((found == name ? "Got .. url2[" : "Got .. url2_2[") + found + "]");
  return CopyEntry(found, stream);
}

void TfrmMain::FlashPlayerControl1LoadExternalResourceAsync(TFlashPlayerControl&, const std::wstring& path,
                                                            std::unique_ptr<TStream>& stream) {
  Guarded("To load url 44", path, [&] {
    const std::string name = win::WideToSystem(path);
    TLog4DP::Log("To load url 44[" + name + "]");
    if (GetEntryNumber(name) == 0) return;
    TLog4DP::Log("To load url 44_________[" + name + "]");
    // A new stream for every request: each open file reads from its own, straight from the
    // book, so a large entry costs no memory of its size. An empty entry is an empty file,
    // which still ends.
    stream = OpenEntryStream(name);
  });
}

void TfrmMain::ProvideContent(const std::wstring& url, std::unique_ptr<TStream>& stream, bool& handled) {
  Guarded("ContentProvider", url, [&] {
    const std::string name = win::WideToSystem(url);
    TLog4DP::Log("ContentProvider url[" + name + "]");
    // Handled only for bytes really delivered; the stream stays in place, so content
    // delivery releases it after this call and the download ends, empty entry or not.
    if (stream) handled = CopyEntry(name, *stream);
  });
}

}  // namespace leafmark
