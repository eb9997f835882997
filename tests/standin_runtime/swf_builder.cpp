#include "tests/standin_runtime/swf_builder.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace leafmark::test {

namespace {

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
  TBytes payload;
  String(payload, url);
  String(payload, target);
  TBytes actions;
  Action(actions, 0x83, payload);
  actions.push_back(0);
  return actions;
}

TSwfBuilder::TSwfBuilder(unsigned version, TSwfFrame frame, std::uint16_t rate, std::uint16_t frames)
    : version_(version) {
  boundaries_ = {0, 3, 4, 8};
  body_ = SwfRect(frame);
  boundaries_.push_back(8 + body_.size());
  U16(body_, rate);
  boundaries_.push_back(8 + body_.size());
  U16(body_, frames);
  boundaries_.push_back(8 + body_.size());
}

TSwfBuilder& TSwfBuilder::Tag(std::uint16_t code, const TBytes& body) {
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

TSwfBuilder& TSwfBuilder::Background(std::uint32_t rgb) {
  return Tag(9, {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)});
}

TSwfBuilder& TSwfBuilder::GetUrl(const std::string& url, const std::string& target) {
  return Tag(12, ActionGetUrl(url, target));
}

TSwfBuilder& TSwfBuilder::GetUrl2(const std::string& url, const std::string& target) {
  TBytes push;
  push.push_back(0);
  String(push, url);
  push.push_back(0);
  String(push, target);
  TBytes actions;
  Action(actions, 0x96, push);
  Action(actions, 0x9A, {0});
  actions.push_back(0);
  return Tag(12, actions);
}

TSwfBuilder& TSwfBuilder::ShowFrame() { return Tag(1, {}); }
TSwfBuilder& TSwfBuilder::End() { return Tag(0, {}); }

TBytes TSwfBuilder::Fws() const {
  TBytes movie = {'F', 'W', 'S', static_cast<std::uint8_t>(version_)};
  U32(movie, static_cast<std::uint32_t>(8 + body_.size()));
  movie.insert(movie.end(), body_.begin(), body_.end());
  return movie;
}

TBytes TSwfBuilder::Cws() const {
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

const TBytes& TinyPng() {
  static const TBytes png = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00,
      0x04, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xF0, 0xCA, 0xEA, 0x34, 0x00, 0x00, 0x00, 0x10, 0x49,
      0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x78, 0xA0, 0xE0, 0x00, 0x47, 0x0C, 0xC8, 0x1C, 0x00, 0x87, 0x1A, 0x0A, 0x01,
      0x2C, 0xB1, 0xCA, 0x35, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  return png;
}

}  // namespace leafmark::test
