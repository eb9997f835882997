#include "tools/swf_writer.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace leafmark::tools {

namespace {

constexpr std::uint16_t kTagEnd = 0, kTagShowFrame = 1, kTagDefineShape = 2, kTagSetBackgroundColor = 9,
                        kTagDoAction = 12, kTagPlaceObject2 = 26, kTagRemoveObject2 = 28, kTagDefineButton2 = 34;
constexpr std::uint8_t kActionNextFrame = 0x04, kActionPreviousFrame = 0x05, kActionPlay = 0x06, kActionStop = 0x07,
                       kActionGotoFrame = 0x81, kActionGetUrl = 0x83, kActionPush = 0x96, kActionGetUrl2 = 0x9A;
constexpr std::uint8_t kPushString = 0;

void U16(TBytes& out, unsigned value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void U32(TBytes& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void String(TBytes& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

void Action(TBytes& out, std::uint8_t code, const TBytes& payload) {
  out.push_back(code);
  U16(out, static_cast<unsigned>(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
}

unsigned BitsFor(std::int32_t value) {
  unsigned bits = 1;
  while (bits < 32 && (value < -(std::int64_t{1} << (bits - 1)) || value >= (std::int64_t{1} << (bits - 1)))) ++bits;
  return bits;
}

}  // namespace

TBytes SwfRect(const TSwfFrame& frame, unsigned bits) {
  const std::int32_t values[] = {frame.XMin, frame.XMax, frame.YMin, frame.YMax};
  if (bits == 0) {
    for (const std::int32_t value : values) bits = std::max(bits, BitsFor(value));
  }
  std::vector<bool> stream;
  for (int i = 4; i >= 0; --i) stream.push_back((bits >> i) & 1);
  for (const std::int32_t value : values) {
    for (int i = static_cast<int>(bits) - 1; i >= 0; --i) stream.push_back((static_cast<std::uint32_t>(value) >> i) & 1);
  }
  TBytes out((stream.size() + 7) / 8);
  for (std::size_t i = 0; i < stream.size(); ++i) {
    if (stream[i]) out[i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
  }
  return out;
}

TBytes ActionGetUrl(const std::string& url, const std::string& target) {
  return TSwfActions().GetUrl(url, target).Bytes();
}

TSwfActions& TSwfActions::GetUrl(const std::string& url, const std::string& target) {
  TBytes payload;
  String(payload, url);
  String(payload, target);
  Action(bytes_, kActionGetUrl, payload);
  return *this;
}

TSwfActions& TSwfActions::GetUrl2(const std::string& url, const std::string& target) {
  TBytes push;
  push.push_back(kPushString);
  String(push, url);
  push.push_back(kPushString);
  String(push, target);
  Action(bytes_, kActionPush, push);
  Action(bytes_, kActionGetUrl2, {0});
  return *this;
}

TSwfActions& TSwfActions::FsCommand(const std::string& command, const std::string& args) {
  return GetUrl("FSCommand:" + command, args);
}

TSwfActions& TSwfActions::Stop() { return Code(kActionStop); }

TSwfActions& TSwfActions::Play() { return Code(kActionPlay); }

TSwfActions& TSwfActions::NextFrame() { return Code(kActionNextFrame); }

TSwfActions& TSwfActions::PreviousFrame() { return Code(kActionPreviousFrame); }

TSwfActions& TSwfActions::Code(std::uint8_t code) {
  bytes_.push_back(code);
  return *this;
}

TSwfActions& TSwfActions::GotoFrame(std::uint16_t frame) {
  TBytes payload;
  U16(payload, frame);
  Action(bytes_, kActionGotoFrame, payload);
  return *this;
}

TBytes TSwfActions::Bytes() const {
  TBytes actions = bytes_;
  actions.push_back(0);
  return actions;
}

TSwfWriter::TSwfWriter(unsigned version, TSwfFrame frame, std::uint16_t rate, std::uint16_t frames)
    : version_(version) {
  boundaries_ = {0, 3, 4, 8};
  body_ = SwfRect(frame);
  boundaries_.push_back(8 + body_.size());
  U16(body_, rate);
  boundaries_.push_back(8 + body_.size());
  U16(body_, frames);
  boundaries_.push_back(8 + body_.size());
}

TSwfWriter& TSwfWriter::Tag(std::uint16_t code, const TBytes& body) {
  if (body.size() < 63) {
    U16(body_, static_cast<unsigned>(code << 6 | body.size()));
  } else {
    U16(body_, static_cast<unsigned>(code << 6 | 0x3F));
    boundaries_.push_back(8 + body_.size());
    U32(body_, static_cast<std::uint32_t>(body.size()));
  }
  boundaries_.push_back(8 + body_.size());
  body_.insert(body_.end(), body.begin(), body.end());
  boundaries_.push_back(8 + body_.size());
  return *this;
}

TSwfWriter& TSwfWriter::Background(std::uint32_t rgb) {
  return Tag(kTagSetBackgroundColor,
             {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)});
}

TSwfWriter& TSwfWriter::GetUrl(const std::string& url, const std::string& target) {
  return DoAction(TSwfActions().GetUrl(url, target));
}

TSwfWriter& TSwfWriter::GetUrl2(const std::string& url, const std::string& target) {
  return DoAction(TSwfActions().GetUrl2(url, target));
}

TSwfWriter& TSwfWriter::DoAction(const TSwfActions& actions) { return Tag(kTagDoAction, actions.Bytes()); }

TSwfWriter& TSwfWriter::KeyButton(std::uint16_t id, std::uint16_t shape, const std::vector<TSwfKeyAction>& keys) {
  // An empty shape: no fill or line styles, no bits for them, and the end-of-shape record.
  TBytes shapeBody;
  U16(shapeBody, shape);
  const TBytes bounds = SwfRect({});
  shapeBody.insert(shapeBody.end(), bounds.begin(), bounds.end());
  shapeBody.insert(shapeBody.end(), {0, 0, 0, 0});
  Tag(kTagDefineShape, shapeBody);

  TBytes button;
  U16(button, id);
  button.push_back(0);  // not tracked as a menu
  const std::size_t actionOffsetAt = button.size();
  U16(button, 0);
  // One record: the shape in the up, over, down and hit states at depth 1, with an identity
  // matrix and colour transform (one byte of zero bits each).
  button.push_back(0x0F);
  U16(button, shape);
  U16(button, 1);
  button.insert(button.end(), {0, 0});
  button.push_back(0);  // end of the records
  if (!keys.empty()) {
    const std::size_t offset = button.size() - actionOffsetAt;
    button[actionOffsetAt] = static_cast<std::uint8_t>(offset);
    button[actionOffsetAt + 1] = static_cast<std::uint8_t>(offset >> 8);
  }
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const TBytes actions = keys[i].Actions.Bytes();
    U16(button, i + 1 == keys.size() ? 0u : static_cast<unsigned>(4 + actions.size()));
    button.push_back(0);
    button.push_back(static_cast<std::uint8_t>(keys[i].Key << 1));
    button.insert(button.end(), actions.begin(), actions.end());
  }
  return Tag(kTagDefineButton2, button);
}

TSwfWriter& TSwfWriter::Place(std::uint16_t character, std::uint16_t depth) {
  TBytes body = {0x06};  // a character, with a matrix
  U16(body, depth);
  U16(body, character);
  body.push_back(0);  // the identity matrix
  return Tag(kTagPlaceObject2, body);
}

TSwfWriter& TSwfWriter::Remove(std::uint16_t depth) {
  TBytes body;
  U16(body, depth);
  return Tag(kTagRemoveObject2, body);
}

TSwfWriter& TSwfWriter::ShowFrame() { return Tag(kTagShowFrame, {}); }
TSwfWriter& TSwfWriter::End() { return Tag(kTagEnd, {}); }

TBytes TSwfWriter::Fws() const {
  TBytes movie = {'F', 'W', 'S', static_cast<std::uint8_t>(version_)};
  U32(movie, static_cast<std::uint32_t>(8 + body_.size()));
  movie.insert(movie.end(), body_.begin(), body_.end());
  return movie;
}

TBytes TSwfWriter::Cws() const {
  TBytes movie = Fws();
  uLongf size = compressBound(static_cast<uLong>(body_.size()));
  TBytes compressed(size);
  if (compress(compressed.data(), &size, body_.data(), static_cast<uLong>(body_.size())) != Z_OK) {
    throw std::runtime_error("compress failed");
  }
  movie.resize(8);
  movie[0] = 'C';
  movie.insert(movie.end(), compressed.begin(), compressed.begin() + static_cast<std::ptrdiff_t>(size));
  return movie;
}

}  // namespace leafmark::tools
