// Writes small SWF movies for the stand-in runtime's tests: a header, tags, and the actions
// that the stand-in acts on; and a tiny picture to load beside them. Portable (host and Windows).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace leafmark::test {

using TBytes = std::vector<std::uint8_t>;

struct TSwfFrame {
  std::int32_t XMin = 0, XMax = 0, YMin = 0, YMax = 0;
};

class TSwfBuilder {
 public:
  TSwfBuilder(unsigned version, TSwfFrame frame, std::uint16_t rate, std::uint16_t frames);

  TSwfBuilder& Tag(std::uint16_t code, const TBytes& body);  // long form for bodies of 63 bytes and more
  TSwfBuilder& Background(std::uint32_t rgb);
  TSwfBuilder& GetUrl(const std::string& url, const std::string& target);
  // Push url, push target, GetURL2.
  TSwfBuilder& GetUrl2(const std::string& url, const std::string& target);
  TSwfBuilder& ShowFrame();
  TSwfBuilder& End();

  // The whole movie, its header's length filled in.
  TBytes Fws() const;
  // The same movie compressed (zlib) after its first 8 bytes.
  TBytes Cws() const;

  // Offsets in the uncompressed movie where one field ends and the next begins (header fields,
  // frame size, rate, count, each tag header and body), for cutting movies short.
  const std::vector<std::size_t>& Boundaries() const { return boundaries_; }

 private:
  unsigned version_;
  TBytes body_;  // after the 8 header bytes
  std::vector<std::size_t> boundaries_;
};

// The bit-packed RECT of frame with the given field width (0: the narrowest that fits).
TBytes SwfRect(const TSwfFrame& frame, unsigned bits = 0);
// An action list: a DoAction body.
TBytes ActionGetUrl(const std::string& url, const std::string& target);

// A 4 x 2 PNG of one opaque colour, kTinyPngColour (0xRRGGBB), for loads into layers.
const TBytes& TinyPng();
inline constexpr std::uint32_t kTinyPngColour = 0xE02040;

}  // namespace leafmark::test
