// Writes small SWF movies: a header, tags, frame actions, and buttons that act on key presses.
// The sample book's main movie and the movies of the tests are made with it. Portable C++
// (host and Windows); the compressed form uses zlib.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace leafmark::tools {

using TBytes = std::vector<std::uint8_t>;

// The stage's extent in twips (20 to a pixel).
struct TSwfFrame {
  std::int32_t XMin = 0, XMax = 0, YMin = 0, YMax = 0;
};

// The key codes of a button's key-press condition: these for the named keys, the character
// itself for printable ASCII (32 to 126).
namespace swf_key {
inline constexpr std::uint8_t Left = 1, Right = 2, Home = 3, End = 4, Insert = 5, Delete = 6, Backspace = 8,
                              Enter = 13, Up = 14, Down = 15, PageUp = 16, PageDown = 17, Tab = 18, Escape = 19;
}

// An action list (a DoAction body, or a button condition's actions), ended by End-of-actions
// when taken with Bytes().
class TSwfActions {
 public:
  TSwfActions& GetUrl(const std::string& url, const std::string& target);
  // Pushes url and target as constant strings, then GetURL2.
  TSwfActions& GetUrl2(const std::string& url, const std::string& target);
  // GetURL of "FSCommand:<command>" with the arguments as its target.
  TSwfActions& FsCommand(const std::string& command, const std::string& args);
  TSwfActions& Stop();
  TSwfActions& Play();
  TSwfActions& NextFrame();
  TSwfActions& PreviousFrame();
  // Frame numbers count from 0, as GotoFrame stores them.
  TSwfActions& GotoFrame(std::uint16_t frame);

  bool Empty() const { return bytes_.empty(); }
  TBytes Bytes() const;

 private:
  TSwfActions& Code(std::uint8_t code);  // an action without a payload

  TBytes bytes_;
};

struct TSwfKeyAction {
  std::uint8_t Key = 0;  // a swf_key code or a printable character
  TSwfActions Actions;
};

class TSwfWriter {
 public:
  TSwfWriter(unsigned version, TSwfFrame frame, std::uint16_t rate, std::uint16_t frames);

  TSwfWriter& Tag(std::uint16_t code, const TBytes& body);  // long form for bodies of 63 bytes and more
  TSwfWriter& Background(std::uint32_t rgb);
  TSwfWriter& GetUrl(const std::string& url, const std::string& target);
  // Push url, push target, GetURL2.
  TSwfWriter& GetUrl2(const std::string& url, const std::string& target);
  TSwfWriter& DoAction(const TSwfActions& actions);
  // An invisible button (an empty shape of id `shape` in all four states) whose actions run
  // when its keys are pressed: DefineShape and DefineButton2.
  TSwfWriter& KeyButton(std::uint16_t id, std::uint16_t shape, const std::vector<TSwfKeyAction>& keys);
  // PlaceObject2 of a character at a depth; RemoveObject2 of a depth.
  TSwfWriter& Place(std::uint16_t character, std::uint16_t depth);
  TSwfWriter& Remove(std::uint16_t depth);
  TSwfWriter& ShowFrame();
  TSwfWriter& End();

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
// An action list of one GetURL: a DoAction body.
TBytes ActionGetUrl(const std::string& url, const std::string& target);

}  // namespace leafmark::tools
