// TStage: what the runtime shows and plays. It fetches movies the way the real runtime does
// (a URL through a URL moniker and BindToStorage, a path through CreateFileW and ReadFile),
// reads them (SWF header and tags, or an image for a layer), traces "received" and "movie",
// plays the main movie's timeline at its frame rate (each frame's actions as it is entered;
// Stop, Play, NextFrame, PreviousFrame, GotoFrame; key presses on the buttons on the stage),
// acts on URL requests (FSCommand, loads into "_level<n>") and paints the layers. A movie
// loaded into another layer runs its first frame's URL requests only.
//
// The runtime object owns one stage and lives on the thread that created it; the stage calls
// its events on that thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace standin {

// What the stage tells its runtime object.
class TStageEvents {
 public:
  virtual void StageReadyStateChange(long state) = 0;   // 0 loading .. 4 complete
  virtual void StageProgress(long percentDone) = 0;
  virtual void StageFSCommand(const std::wstring& command, const std::wstring& args) = 0;
  // The picture changed: the object invalidates its window.
  virtual void StageChanged() = 0;

 protected:
  ~TStageEvents() = default;
};

class TStage {
 public:
  explicit TStage(TStageEvents& events);
  ~TStage();
  TStage(const TStage&) = delete;
  TStage& operator=(const TStage&) = delete;

  // Fetches url into layer (0 is the main movie, which a put of Movie loads). A relative URL
  // is taken against the main movie's URL. Returns at once or after the data, as the source
  // allows; the result is seen through the events and the trace.
  void Load(int layer, const std::wstring& url);
  // Forgets every layer (put of Movie with an empty text).
  void Clear();

  // What the main movie's header said; 0 before it arrived.
  long TotalFrames() const;
  long ReadyState() const;
  long PercentLoaded() const;
  // The background the movie set (0x00BBGGRR), or -1 when it set none.
  long BackgroundColor() const;

  // The main movie's timeline, once the movie has been read.
  bool HasTimeline() const;
  long CurrentFrame() const;  // from 0
  bool Playing() const;
  void GotoFrame(long frame);  // clamped to the movie's frames; the playing state stays
  void SetPlaying(bool playing);
  // A key pressed while the runtime has the keyboard: a button condition's code (1 to 19 for
  // the named keys, 32 to 126 a character).
  void KeyPress(std::uint8_t key);

  // Paints the layers scaled into bounds, over the background.
  void Paint(HDC dc, const RECT& bounds);

 private:
  struct TState;
  std::unique_ptr<TState> state_;
};

}  // namespace standin
