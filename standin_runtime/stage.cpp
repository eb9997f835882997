// The stage: layers of fetched movies and pictures, and the main movie's timeline. Fetches
// report from their callbacks (possibly inside the call that started them); what arrived is
// acted on later, from a thread timer that fires while the object's thread pumps its
// messages, so that no event reaches the object from inside its own put of Movie and nothing
// waits for data without pumping. Frames advance on another thread timer at the movie's rate.
//
// Actions run from a queue: a frame entered by an action (GotoFrame, a key's NextFrame) has
// its own actions run after the list that entered it, as the real runtime does, and a movie
// whose frames keep sending each other elsewhere cannot recurse without end.
#include "stage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
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
// Action lists run at one turn before the rest is dropped: a movie in an endless goto loop.
constexpr int kMostActionListsAtOnce = 1000;
constexpr UINT kShortestFrameMs = 10;
constexpr UINT kLongestFrameMs = 60000;

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

  // The main movie as it plays.
  struct TTimeline {
    std::wstring Url;
    UINT CodePage = CP_UTF8;
    std::vector<TSwfFrameContent> Frames;  // never empty
    std::map<std::uint16_t, std::vector<TSwfKeyCondition>> KeyButtons;
    std::size_t Frame = 0;
    bool Entered = false;
    bool Playing = true;
    std::map<std::uint16_t, std::uint16_t> DisplayList;  // depth to character
    UINT IntervalMs = 0;  // 0: the movie does not advance on its own
  };

  // Actions waiting to run, with what they are taken against.
  struct TPendingActions {
    std::uint64_t Generation = 0;  // of the main movie they came with
    std::wstring BaseUrl;
    UINT CodePage = CP_UTF8;
    bool OnTimeline = false;  // false: a movie in another layer, whose frames are not played
    std::vector<TSwfAction> Actions;
  };

  explicit TState(TStageEvents& events) : Events(events) {}
  ~TState();

  void Load(int layer, const std::wstring& url);
  void Unload(int layer);
  void Clear();
  void ForgetEverything();
  void ScheduleSettle();
  void Settle();
  void Handle(int layer, const std::wstring& url, const TFetchResult& result);
  void HandleMovie(int layer, const std::wstring& url, std::span<const std::uint8_t> bytes);
  void HandleImage(int layer, const std::wstring& url, std::span<const std::uint8_t> bytes);
  void SetReadyState(long state);
  void SetProgress(long percent);
  static void StopListening(TLayer& layer);

  void ResetTimeline();
  void StartTimeline(const std::wstring& url, TSwfMovie movie, UINT codePage);
  void EnterFrame(std::size_t frame);
  void Goto(std::size_t frame);
  void AdvanceFrame();
  void UpdateFrameTimer();
  void KeyPress(std::uint8_t key);
  void Queue(const std::vector<TSwfAction>& actions, const std::wstring& baseUrl, UINT codePage, bool onTimeline);
  void RunPending();
  void Execute(const TSwfAction& action, const TPendingActions& from);
  void RequestUrl(const TSwfUrlRequest& request, const std::wstring& baseUrl, UINT codePage);

  TStageEvents& Events;
  std::map<int, TLayer> Layers;
  long ReadyState = kReadyLoading;
  long Percent = 0;
  long TotalFrames = 0;
  long Background = -1;
  UINT_PTR Timer = 0;
  std::optional<TTimeline> Timeline;
  UINT_PTR FrameTimer = 0;
  std::deque<TPendingActions> Pending;
  bool Running = false;
  std::uint64_t Generation = 0;  // counts main movies, so that a replaced one's actions are dropped
  // Set when the stage goes, for code that called out to the object and comes back.
  std::shared_ptr<bool> destroyed = std::make_shared<bool>(false);
};

namespace {

// Thread timers carry no pointer of their own: what each one does is found by its id. A
// settle timer fires once; a frame timer until it is killed.
struct TTimerWork {
  std::function<void()> Work;
  bool Repeats = false;
};
std::mutex timersLock;
std::map<UINT_PTR, TTimerWork>& Timers() {
  static std::map<UINT_PTR, TTimerWork> timers;
  return timers;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  std::function<void()> work;
  {
    std::lock_guard lock(timersLock);
    const auto found = Timers().find(id);
    if (found == Timers().end()) {
      KillTimer(nullptr, id);
      return;
    }
    if (found->second.Repeats) {
      work = found->second.Work;
    } else {
      KillTimer(nullptr, id);
      work = std::move(found->second.Work);
      Timers().erase(found);
    }
  }
  try {
    work();
  } catch (...) {
    // Out of memory while acting on a fetch or a frame: that one is dropped; the host goes on.
  }
}

UINT_PTR StartTimer(UINT intervalMs, std::function<void()> work, bool repeats) {
  const UINT_PTR id = SetTimer(nullptr, 0, intervalMs, &OnTimer);
  if (!id) return 0;
  std::lock_guard lock(timersLock);
  Timers()[id] = {std::move(work), repeats};
  return id;
}

void StopTimer(UINT_PTR& id) {
  if (!id) return;
  KillTimer(nullptr, id);
  std::lock_guard lock(timersLock);
  Timers().erase(id);
  id = 0;
}

}  // namespace

TStage::TState::~TState() {
  *destroyed = true;
  StopTimer(Timer);
  StopTimer(FrameTimer);
  for (auto& [number, layer] : Layers) StopListening(layer);
}

void TStage::TState::StopListening(TLayer& layer) {
  if (layer.Result) layer.Result->Changed = nullptr;
  if (TUrlFetch* fetch = layer.Fetch.Get()) fetch->Abort();
  layer.Fetch.Reset(nullptr);
}

void TStage::TState::ScheduleSettle() {
  if (Timer) return;
  Timer = StartTimer(0, [this] { Settle(); }, false);
}

void TStage::TState::Load(int number, const std::wstring& url) {
  if (number < 0 || number > kMostLayer) return;
  if (url.empty()) return Unload(number);
  if (number == 0) {
    const auto destroyedFlag = destroyed;
    ForgetEverything();
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
  ForgetEverything();
  if (!*destroyedFlag) Events.StageChanged();
}

// Every layer and the timeline go, and the stage is loading again (an event: the stage may
// be gone when it returns).
void TStage::TState::ForgetEverything() {
  for (auto& [number, layer] : Layers) StopListening(layer);
  Layers.clear();
  ResetTimeline();
  TotalFrames = 0;
  Background = -1;
  Percent = 0;
  SetReadyState(kReadyLoading);
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
        .Number("time", result.FirstByteTime)
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
  // Text in movies before version 6 is in the system's code page, from 6 on UTF-8.
  const UINT codePage = movie.Version >= 6 ? CP_UTF8 : CP_ACP;
  if (number == 0) {
    TotalFrames = movie.FrameCount;
    Background = movie.Background ? static_cast<long>(ToColorRef(*movie.Background)) : -1;
    SetReadyState(kReadyInteractive);
    if (*destroyedFlag) return;
    Events.StageChanged();
    if (*destroyedFlag) return;
    StartTimeline(url, std::move(movie), codePage);
    return;
  }
  Queue(movie.Frames.front().Actions, url, codePage, false);
  RunPending();
}

// ---- The main movie's timeline

void TStage::TState::ResetTimeline() {
  StopTimer(FrameTimer);
  Timeline.reset();
  Pending.clear();
  ++Generation;
}

void TStage::TState::StartTimeline(const std::wstring& url, TSwfMovie movie, UINT codePage) {
  TTimeline& timeline = Timeline.emplace();
  timeline.Url = url;
  timeline.CodePage = codePage;
  timeline.Frames = std::move(movie.Frames);
  timeline.KeyButtons = std::move(movie.KeyButtons);
  // The rate is 8.8 fixed point: frames a second times 256.
  if (movie.FrameRate != 0) {
    timeline.IntervalMs = std::clamp<UINT>(256000u / movie.FrameRate, kShortestFrameMs, kLongestFrameMs);
  }
  const auto destroyedFlag = destroyed;
  EnterFrame(0);
  RunPending();
  if (!*destroyedFlag) UpdateFrameTimer();
}

// Shows frame: the display list as the frames up to it leave it (built again from the first
// frame when going back), then its actions.
void TStage::TState::EnterFrame(std::size_t frame) {
  TTimeline& timeline = *Timeline;
  std::size_t from = timeline.Frame + 1;
  if (!timeline.Entered || frame <= timeline.Frame) {
    timeline.DisplayList.clear();
    from = 0;
  }
  for (std::size_t i = from; i <= frame; ++i) {
    for (const TSwfPlacement& placement : timeline.Frames[i].Placements) {
      if (placement.Character) {
        timeline.DisplayList[placement.Depth] = *placement.Character;
      } else {
        timeline.DisplayList.erase(placement.Depth);
      }
    }
  }
  timeline.Frame = frame;
  timeline.Entered = true;
  TTraceLine("frame")
      .Word(Utf8(timeline.Url))
      .Number("number", static_cast<std::int64_t>(frame) + 1)
      .Number("of", static_cast<std::int64_t>(timeline.Frames.size()))
      .Write();
  Queue(timeline.Frames[frame].Actions, timeline.Url, timeline.CodePage, true);
}

void TStage::TState::Goto(std::size_t frame) {
  if (!Timeline) return;
  frame = std::min(frame, Timeline->Frames.size() - 1);
  if (Timeline->Entered && frame == Timeline->Frame) return;
  EnterFrame(frame);
}

void TStage::TState::AdvanceFrame() {
  if (!Timeline || !Timeline->Playing) return;
  const std::size_t next = Timeline->Frame + 1 < Timeline->Frames.size() ? Timeline->Frame + 1 : 0;
  const auto destroyedFlag = destroyed;
  EnterFrame(next);
  RunPending();
  if (!*destroyedFlag) UpdateFrameTimer();
}

void TStage::TState::UpdateFrameTimer() {
  const bool advances = Timeline && Timeline->Playing && Timeline->Frames.size() > 1 && Timeline->IntervalMs > 0;
  if (!advances) return StopTimer(FrameTimer);
  if (!FrameTimer) FrameTimer = StartTimer(Timeline->IntervalMs, [this] { AdvanceFrame(); }, true);
}

// The conditions of the buttons on the stage that wait for this key, in depth order.
void TStage::TState::KeyPress(std::uint8_t key) {
  std::int64_t matched = 0;
  if (Timeline) {
    for (const auto& [depth, character] : Timeline->DisplayList) {
      const auto button = Timeline->KeyButtons.find(character);
      if (button == Timeline->KeyButtons.end()) continue;
      for (const TSwfKeyCondition& condition : button->second) {
        if (condition.Key != key) continue;
        Queue(condition.Actions, Timeline->Url, Timeline->CodePage, true);
        ++matched;
      }
    }
  }
  TTraceLine("key").Number("code", key).Number("actions", matched).Write();
  const auto destroyedFlag = destroyed;
  RunPending();
  if (!*destroyedFlag) UpdateFrameTimer();
}

void TStage::TState::Queue(const std::vector<TSwfAction>& actions, const std::wstring& baseUrl, UINT codePage,
                           bool onTimeline) {
  if (actions.empty()) return;
  Pending.push_back({Generation, baseUrl, codePage, onTimeline, actions});
}

void TStage::TState::RunPending() {
  if (Running) return;  // the turn already running takes what was queued
  const auto destroyedFlag = destroyed;
  Running = true;
  struct TTurn {
    bool& Running;
    const std::shared_ptr<bool> Gone;
    ~TTurn() {
      if (!*Gone) Running = false;
    }
  } turn{Running, destroyedFlag};
  for (int lists = 0; !Pending.empty(); ++lists) {
    if (lists == kMostActionListsAtOnce) {
      TTraceLine("actions").Text("error", "too many frames entered at once: the rest is dropped").Write();
      Pending.clear();
      return;
    }
    const TPendingActions pending = std::move(Pending.front());
    Pending.pop_front();
    for (const TSwfAction& action : pending.Actions) {
      if (pending.Generation != Generation) break;  // the main movie was replaced
      Execute(action, pending);
      if (*destroyedFlag) return;
    }
  }
}

void TStage::TState::Execute(const TSwfAction& action, const TPendingActions& from) {
  if (action.Kind == TSwfActionKind::GetUrl) return RequestUrl(action.Request, from.BaseUrl, from.CodePage);
  // The other actions move the main timeline; a movie in another layer has none that plays.
  if (!from.OnTimeline || !Timeline) return;
  TTimeline& timeline = *Timeline;
  switch (action.Kind) {
    case TSwfActionKind::Stop: timeline.Playing = false; break;
    case TSwfActionKind::Play: timeline.Playing = true; break;
    case TSwfActionKind::NextFrame:
      timeline.Playing = false;
      if (timeline.Frame + 1 < timeline.Frames.size()) Goto(timeline.Frame + 1);
      break;
    case TSwfActionKind::PreviousFrame:
      timeline.Playing = false;
      if (timeline.Frame > 0) Goto(timeline.Frame - 1);
      break;
    case TSwfActionKind::GotoFrame:
      timeline.Playing = false;
      Goto(action.Frame);
      break;
    case TSwfActionKind::GetUrl: break;
  }
  UpdateFrameTimer();
}

void TStage::TState::RequestUrl(const TSwfUrlRequest& request, const std::wstring& baseUrl, UINT codePage) {
  if (StartsWithNoCase(request.Url, "FSCommand:")) {
    const std::string command = request.Url.substr(10);
    TTraceLine line("fscommand");
    line.Word(command);
    if (!request.Target.empty()) line.Word(request.Target);
    line.Write();
    Events.StageFSCommand(Wide(command, codePage), Wide(request.Target, codePage));
  } else if (const int level = LevelOf(request.Target); level >= 0) {
    Load(level, ResolveAddress(baseUrl, Wide(request.Url, codePage)));
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
bool TStage::HasTimeline() const { return state_->Timeline.has_value(); }
long TStage::CurrentFrame() const { return state_->Timeline ? static_cast<long>(state_->Timeline->Frame) : 0; }
bool TStage::Playing() const { return state_->Timeline && state_->Timeline->Playing; }

void TStage::GotoFrame(long frame) {
  if (!state_->Timeline) return;
  const auto destroyedFlag = state_->destroyed;
  state_->Goto(frame < 0 ? 0 : static_cast<std::size_t>(frame));
  state_->RunPending();
  if (!*destroyedFlag) state_->UpdateFrameTimer();
}

void TStage::SetPlaying(bool playing) {
  if (!state_->Timeline) return;
  state_->Timeline->Playing = playing;
  state_->UpdateFrameTimer();
}

void TStage::KeyPress(std::uint8_t key) { state_->KeyPress(key); }

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
