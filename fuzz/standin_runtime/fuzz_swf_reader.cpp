// Any bytes as a movie: the reader either reads it or refuses it with TSwfError, never reads
// outside the data, and what it reports stays within the data it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "standin_runtime/swf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const standin::TSwfMovie movie = standin::ReadSwf(std::span<const std::uint8_t>(data, size));
    if (movie.FileLength > standin::kMaxSwfBytes || movie.Width() < 0 || movie.Height() < 0) std::abort();
    if (movie.Frames.empty() || movie.Frames.size() > standin::kMaxSwfFrames) std::abort();
    std::size_t text = 0;
    const auto count = [&](const std::vector<standin::TSwfAction>& actions) {
      for (const auto& action : actions) text += action.Request.Url.size() + action.Request.Target.size();
    };
    for (const auto& frame : movie.Frames) count(frame.Actions);
    for (const auto& [id, keys] : movie.KeyButtons) {
      for (const auto& key : keys) count(key.Actions);
    }
    if (text > movie.FileLength) std::abort();
    (void)standin::FormatFrameRate(movie.FrameRate);
  } catch (const standin::TSwfError&) {
  }
  return 0;
}
