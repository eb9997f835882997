// Reads the little of a SWF movie that the stand-in acts on: the header (signature, version,
// length, frame size, rate, frame count), the background colour, and the timeline: for each
// frame the characters placed and removed and the frame's actions, and the buttons' key-press
// actions. Of the actions it knows GetURL (and GetURL2 fed by pushed constant strings), Stop,
// Play, NextFrame, PreviousFrame and GotoFrame. Portable C++: no system headers, so that host
// tests and a fuzzer can drive it.
//
// Movies are untrusted bytes: every read is checked against the data, the inflated size is
// capped, and anything truncated, oversized or not understood is refused with a TSwfError
// whose message says what was wrong.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace standin {

class TSwfError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The most a movie may hold once inflated (the header's file length).
inline constexpr std::uint32_t kMaxSwfBytes = 64u << 20;

struct TSwfUrlRequest {
  std::string Url;
  std::string Target;
  bool operator==(const TSwfUrlRequest&) const = default;
};

enum class TSwfActionKind { GetUrl, Stop, Play, NextFrame, PreviousFrame, GotoFrame };

struct TSwfAction {
  TSwfActionKind Kind = TSwfActionKind::Stop;
  TSwfUrlRequest Request;    // GetUrl
  std::uint16_t Frame = 0;   // GotoFrame, counted from 0
  bool operator==(const TSwfAction&) const = default;
};

// A character put at a depth, or (no character) whatever was at the depth taken away.
struct TSwfPlacement {
  std::uint16_t Depth = 0;
  std::optional<std::uint16_t> Character;
  bool operator==(const TSwfPlacement&) const = default;
};

struct TSwfFrameContent {
  std::vector<TSwfPlacement> Placements;  // in the movie's order
  std::vector<TSwfAction> Actions;        // of all the frame's DoAction tags, in order
};

// A button condition that fires on a key: 1 to 19 for the named keys (1 left, 2 right, 3
// home, 4 end, 14 up, 15 down, 16 page up, 17 page down, 19 escape, ...), 32 to 126 a character.
struct TSwfKeyCondition {
  std::uint8_t Key = 0;
  std::vector<TSwfAction> Actions;
};

// The most frames, and actions and placements together, a movie may hold, so that a hostile
// one cannot fill memory with tiny records.
inline constexpr std::size_t kMaxSwfFrames = 16000;
inline constexpr std::size_t kMaxSwfRecords = 1u << 20;

struct TSwfMovie {
  std::string Signature;         // "FWS" or "CWS"
  unsigned Version = 0;
  std::uint32_t FileLength = 0;  // the header's: the whole movie, uncompressed
  std::int32_t XMin = 0, XMax = 0, YMin = 0, YMax = 0;  // twips
  std::uint16_t FrameRate = 0;   // 8.8 fixed point
  std::uint16_t FrameCount = 0;
  std::optional<std::uint32_t> Background;  // 0xRRGGBB of the first SetBackgroundColor
  // The frames as ShowFrame ends them; tags after the last ShowFrame make one more frame
  // when they hold anything (or when there is no ShowFrame at all).
  std::vector<TSwfFrameContent> Frames;
  // DefineButton2's key-press conditions, by button id (buttons without any are left out).
  std::map<std::uint16_t, std::vector<TSwfKeyCondition>> KeyButtons;

  std::int64_t Width() const { return std::int64_t{XMax} - XMin; }
  std::int64_t Height() const { return std::int64_t{YMax} - YMin; }
};

// "FWS", "CWS" or "ZWS" at the start of data.
bool LooksLikeSwf(std::span<const std::uint8_t> data);

// Reads a whole movie; throws TSwfError. A ZWS (LZMA) movie is refused as not supported.
TSwfMovie ReadSwf(std::span<const std::uint8_t> data);

// The 8.8 rate written exactly: 12, 29.96875, 0.5.
std::string FormatFrameRate(std::uint16_t rate);

}  // namespace standin
