// The stage: layers of fetched movies and pictures. Fetches report from their callbacks
// (possibly inside the call that started them); what arrived is acted on later, from a thread
// timer that fires while the object's thread pumps its messages, so that no event reaches the
// object from inside its own put of Movie and nothing waits for data without pumping.
#include "stage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>

#include "content_kind.h"
#include "layer_image.h"
#include "md5.h"
#include "movie_address.h"
#include "movie_fetch.h"
#include "swf_reader.h"
#include "trace.h"

namespace standin {

namespace {

constexpr long kReadyLoading = 0;
constexpr long kReadyReceiving = 1;
constexpr long kReadyInteractive = 3;
constexpr long kReadyComplete = 4;
constexpr int kMostLayer = 65535;

std::wstring Wide(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int size = static_cast<int>(std::min<std::size_t>(text.size(), 0x7FFFFFFF));
  const int needed = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(needed > 0 ? needed : 0), L'\0');
  if (needed > 0) MultiByteToWideChar(codePage, 0, text.data(), size, wide.data(), needed);
  return wide;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  const std::size_t length = std::strlen(prefix);
  return text.size() >= length && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text.data(),
                                                 static_cast<int>(length), prefix, static_cast<int>(length)) == CSTR_EQUAL;
}

// n of "_level<n>", or -1.
int LevelOf(const std::string& target) {
  if (!StartsWithNoCase(target, "_level") || target.size() == 6 || target.size() > 11) return -1;
  long level = 0;
  for (std::size_t i = 6; i < target.size(); ++i) {
    if (target[i] < '0' || target[i] > '9') return -1;
    level = level * 10 + (target[i] - '0');
  }
  return level <= kMostLayer ? static_cast<int>(level) : -1;
}

COLORREF ToColorRef(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

std::string HexColour(std::uint32_t rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%06x", static_cast<unsigned>(rgb & 0xFFFFFF));
  return text;
}

}  // namespace

struct TStage::TState {
  struct TLayer {
    std::wstring Url;
    std::shared_ptr<TFetchResult> Result;
    TComRef<TUrlFetch> Fetch;
    bool Handled = false;
    std::unique_ptr<TLayerImage> Image;
  };

  explicit TState(TStageEvents& events) : Events(events) {}
  ~TState();

  void Load(int layer, const std::wstring& url);
  void Unload(int layer);
  void Clear();
  void ScheduleSettle();
  void Settle();
  void Handle(int layer, const std::wstring& url, const TFetchResult& result);
  void HandleMovie(int layer, const std::wstring& url, std::span<const std::uint8_t> bytes);
  void HandleImage(int layer, const std::wstring& url, std::span<const std::uint8_t> bytes);
  void SetReadyState(long state);
  void SetProgress(long percent);
  static void StopListening(TLayer& layer);

  TStageEvents& Events;
  std::map<int, TLayer> Layers;
  long ReadyState = kReadyLoading;
  long Percent = 0;
  long TotalFrames = 0;
  long Background = -1;
  UINT_PTR Timer = 0;
  // Set when the stage goes, for code that called out to the object and comes back.
  std::shared_ptr<bool> destroyed = std::make_shared<bool>(false);
};

namespace {

// Thread timers carry no pointer of their own: what each one settles is found by its id.
std::mutex timersLock;
std::map<UINT_PTR, std::function<void()>>& Timers() {
  static std::map<UINT_PTR, std::function<void()>> timers;
  return timers;
}

void CALLBACK OnSettleTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  std::function<void()> settle;
  {
    std::lock_guard lock(timersLock);
    const auto found = Timers().find(id);
    if (found == Timers().end()) return;
    settle = std::move(found->second);
    Timers().erase(found);
  }
  try {
    settle();
  } catch (...) {
    // Out of memory while acting on a fetch: that fetch is dropped; the host goes on.
  }
}

}  // namespace

TStage::TState::~TState() {
  *destroyed = true;
  if (Timer) {
    KillTimer(nullptr, Timer);
    std::lock_guard lock(timersLock);
    Timers().erase(Timer);
  }
  for (auto& [number, layer] : Layers) StopListening(layer);
}

void TStage::TState::StopListening(TLayer& layer) {
  if (layer.Result) layer.Result->Changed = nullptr;
  if (TUrlFetch* fetch = layer.Fetch.Get()) fetch->Abort();
  layer.Fetch.Reset(nullptr);
}

void TStage::TState::ScheduleSettle() {
  if (Timer) return;
  Timer = SetTimer(nullptr, 0, 0, &OnSettleTimer);
  if (!Timer) return;
  std::lock_guard lock(timersLock);
  Timers()[Timer] = [this] { Settle(); };
}

void TStage::TState::Load(int number, const std::wstring& url) {
  if (number < 0 || number > kMostLayer) return;
  if (url.empty()) return Unload(number);
  if (number == 0) {
    const auto destroyedFlag = destroyed;
    for (auto& [other, layer] : Layers) StopListening(layer);
    Layers.clear();
    TotalFrames = 0;
    Background = -1;
    Percent = 0;
    SetReadyState(kReadyLoading);
    if (*destroyedFlag) return;
  } else if (auto found = Layers.find(number); found != Layers.end()) {
    StopListening(found->second);
    Layers.erase(found);
  }
  TLayer& layer = Layers[number];
  layer.Url = url;
  layer.Result = std::make_shared<TFetchResult>();
  layer.Result->Changed = [this] { ScheduleSettle(); };

  // A path is a file the runtime reads itself; one that cannot be opened is tried as a URL,
  // where a host may answer it (a movie handed over from memory is announced under a path).
  if (AddressKind(url) != TAddressKind::Path || !ReadWholeFile(url, *layer.Result)) {
    TUrlFetch::Start(url, layer.Result, layer.Fetch);
  }
  ScheduleSettle();
}

void TStage::TState::Unload(int number) {
  if (number == 0) return Clear();
  const auto found = Layers.find(number);
  if (found == Layers.end()) return;
  StopListening(found->second);
  Layers.erase(found);
  Events.StageChanged();
}

void TStage::TState::Clear() {
  const auto destroyedFlag = destroyed;
  for (auto& [number, layer] : Layers) StopListening(layer);
  Layers.clear();
  TotalFrames = 0;
  Background = -1;
  Percent = 0;
  SetReadyState(kReadyLoading);
  if (!*destroyedFlag) Events.StageChanged();
}

void TStage::TState::SetReadyState(long state) {
  if (ReadyState == state) return;
  ReadyState = state;
  Events.StageReadyStateChange(state);
}

void TStage::TState::SetProgress(long percent) {
  if (Percent == percent) return;
  Percent = percent;
  Events.StageProgress(percent);
}

void TStage::TState::Settle() {
  Timer = 0;
  const auto destroyedFlag = destroyed;
  // The main movie's progress: of the header's length when one has arrived.
  if (auto main = Layers.find(0); main != Layers.end() && main->second.Result && !main->second.Handled &&
                                  !main->second.Result->Bytes.empty()) {
    const std::shared_ptr<TFetchResult> result = main->second.Result;  // events may drop the layer
    SetReadyState(kReadyReceiving);
    if (*destroyedFlag) return;
    const auto& bytes = result->Bytes;
    if (!result->Finished && bytes.size() >= 8 && LooksLikeSwf(bytes)) {
      const std::uint64_t length = static_cast<std::uint64_t>(bytes[4]) | bytes[5] << 8 | bytes[6] << 16 |
                                   static_cast<std::uint64_t>(bytes[7]) << 24;
      if (length > 0) SetProgress(static_cast<long>(std::min<std::uint64_t>(99, bytes.size() * 100 / length)));
      if (*destroyedFlag) return;
    }
  }
  // Each finished fetch once, in layer order; acting on one may load or drop others.
  for (;;) {
    const auto next = std::find_if(Layers.begin(), Layers.end(), [](const auto& entry) {
      return !entry.second.Handled && entry.second.Result && entry.second.Result->Finished;
    });
    if (next == Layers.end()) return;
    TLayer& layer = next->second;
    layer.Handled = true;
    layer.Fetch.Reset(nullptr);
    const std::shared_ptr<TFetchResult> result = layer.Result;  // kept while the layer may go
    const std::wstring url = layer.Url;
    const int number = next->first;
    if (number == 0 && !result->Bytes.empty()) {
      SetReadyState(kReadyReceiving);  // all of it came at once
      if (*destroyedFlag) return;
      if (const auto main = Layers.find(0); main == Layers.end() || main->second.Result != result) continue;
    }
    Handle(number, url, *result);
    if (*destroyedFlag) return;
  }
}

void TStage::TState::Handle(int number, const std::wstring& url, const TFetchResult& result) {
  const auto destroyedFlag = destroyed;
  if (!result.Error.empty() && result.Bytes.empty()) {
    TTraceLine("fetch").Word(Utf8(url)).Text("via", result.Via).Text("error", result.Error).Write();
  } else {
    if (!result.Error.empty()) {
      TTraceLine("fetch").Word(Utf8(url)).Text("via", result.Via).Text("error", result.Error).Write();
    }
    TTraceLine("received")
        .Word(Utf8(url))
        .Number("bytes", static_cast<std::int64_t>(result.Bytes.size()))
        .Text("md5", Md5Hex(result.Bytes))
        .Text("via", result.Via)
        .Write();
    if (result.Error.empty()) {
      if (IsImage(DetectContent(result.Bytes))) {
        HandleImage(number, url, result.Bytes);
      } else {
        HandleMovie(number, url, result.Bytes);
      }
    }
  }
  // Done, unless the movie's own actions have replaced it with another main movie.
  const auto main = Layers.find(0);
  if (*destroyedFlag || number != 0 || main == Layers.end() || main->second.Result.get() != &result) return;
  SetProgress(100);
  if (!*destroyedFlag) SetReadyState(kReadyComplete);
}

void TStage::TState::HandleImage(int number, const std::wstring& url, std::span<const std::uint8_t> bytes) {
  std::unique_ptr<TLayerImage> image;
  try {
    image = TLayerImage::Decode(bytes);
  } catch (const std::exception& error) {
    TTraceLine("image").Word(Utf8(url)).Text("error", error.what()).Write();
    return;
  }
  TTraceLine("image").Word(Utf8(url)).Number("width", image->Width()).Number("height", image->Height()).Write();
  const auto layer = Layers.find(number);
  if (layer == Layers.end()) return;
  layer->second.Image = std::move(image);
  Events.StageChanged();
}

void TStage::TState::HandleMovie(int number, const std::wstring& url, std::span<const std::uint8_t> bytes) {
  TSwfMovie movie;
  try {
    movie = ReadSwf(bytes);
  } catch (const TSwfError& error) {
    TTraceLine("movie").Word(Utf8(url)).Text("error", error.what()).Write();
    return;
  }
  TTraceLine("movie")
      .Word(Utf8(url))
      .Text("signature", movie.Signature)
      .Number("version", movie.Version)
      .Number("width", movie.Width())
      .Number("height", movie.Height())
      .Text("rate", FormatFrameRate(movie.FrameRate))
      .Number("frames", movie.FrameCount)
      .Text("background", movie.Background ? HexColour(*movie.Background) : std::string("none"))
      .Write();

  const auto destroyedFlag = destroyed;
  if (number == 0) {
    TotalFrames = movie.FrameCount;
    Background = movie.Background ? static_cast<long>(ToColorRef(*movie.Background)) : -1;
    SetReadyState(kReadyInteractive);
    if (*destroyedFlag) return;
    Events.StageChanged();
    if (*destroyedFlag) return;
  }
  // Text in movies before version 6 is in the system's code page, from 6 on UTF-8.
  const UINT codePage = movie.Version >= 6 ? CP_UTF8 : CP_ACP;
  for (const TSwfUrlRequest& request : movie.UrlRequests) {
    if (StartsWithNoCase(request.Url, "FSCommand:")) {
      const std::string command = request.Url.substr(10);
      TTraceLine line("fscommand");
      line.Word(command);
      if (!request.Target.empty()) line.Word(request.Target);
      line.Write();
      Events.StageFSCommand(Wide(command, codePage), Wide(request.Target, codePage));
    } else if (const int level = LevelOf(request.Target); level >= 0) {
      Load(level, ResolveAddress(url, Wide(request.Url, codePage)));
    }
    if (*destroyedFlag) return;
  }
}

TStage::TStage(TStageEvents& events) : state_(std::make_unique<TState>(events)) {}
TStage::~TStage() = default;

void TStage::Load(int layer, const std::wstring& url) {
  const auto main = state_->Layers.find(0);
  state_->Load(layer, main == state_->Layers.end() ? url : ResolveAddress(main->second.Url, url));
}

void TStage::Clear() { state_->Clear(); }
long TStage::TotalFrames() const { return state_->TotalFrames; }
long TStage::ReadyState() const { return state_->ReadyState; }
long TStage::PercentLoaded() const { return state_->Percent; }
long TStage::BackgroundColor() const { return state_->Background; }

void TStage::Paint(HDC dc, const RECT& bounds) {
  const COLORREF background = state_->Background >= 0 ? static_cast<COLORREF>(state_->Background) : RGB(255, 255, 255);
  if (HBRUSH brush = CreateSolidBrush(background)) {
    FillRect(dc, &bounds, brush);
    DeleteObject(brush);
  }
  for (const auto& [number, layer] : state_->Layers) {
    if (layer.Image) layer.Image->Paint(dc, bounds);
  }
}

}  // namespace standin
