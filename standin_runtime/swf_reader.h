// Reads the little of a SWF movie that the stand-in acts on: the header (signature, version,
// length, frame size, rate, frame count), the background colour, and the URL requests of its
// frame actions (GetURL, and GetURL2 fed by pushed constant strings). Portable C++: no system
// headers, so that host tests and a fuzzer can drive it.
//
// Movies are untrusted bytes: every read is checked against the data, the inflated size is
// capped, and anything truncated, oversized or not understood is refused with a TSwfError
// whose message says what was wrong.
#pragma once

#include <cstddef>
#include <cstdint>
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

struct TSwfMovie {
  std::string Signature;         // "FWS" or "CWS"
  unsigned Version = 0;
  std::uint32_t FileLength = 0;  // the header's: the whole movie, uncompressed
  std::int32_t XMin = 0, XMax = 0, YMin = 0, YMax = 0;  // twips
  std::uint16_t FrameRate = 0;   // 8.8 fixed point
  std::uint16_t FrameCount = 0;
  std::optional<std::uint32_t> Background;  // 0xRRGGBB of the first SetBackgroundColor
  std::vector<TSwfUrlRequest> UrlRequests;  // in the order the movie holds them

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
