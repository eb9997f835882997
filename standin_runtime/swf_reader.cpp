// The SWF subset of swf_reader.h. The layout (little-endian throughout):
//   header: signature[3] version:u8 fileLength:u32, then (inflated for CWS)
//           frameSize:RECT frameRate:u16(8.8) frameCount:u16
//   RECT:   nbits:5 xmin xmax ymin ymax (each nbits, signed), padded to a byte
//   tag:    codeAndLength:u16 (code << 6 | length, 0x3F: a u32 length follows), body
#include "swf_reader.h"

#include <zlib.h>

#include <algorithm>
#include <deque>

namespace standin {

namespace {

constexpr std::uint16_t kTagEnd = 0;
constexpr std::uint16_t kTagShowFrame = 1;
constexpr std::uint16_t kTagPlaceObject = 4;
constexpr std::uint16_t kTagRemoveObject = 5;
constexpr std::uint16_t kTagSetBackgroundColor = 9;
constexpr std::uint16_t kTagDoAction = 12;
constexpr std::uint16_t kTagPlaceObject2 = 26;
constexpr std::uint16_t kTagRemoveObject2 = 28;
constexpr std::uint16_t kTagDefineButton2 = 34;

constexpr std::uint8_t kActionEnd = 0x00;
constexpr std::uint8_t kActionNextFrame = 0x04;
constexpr std::uint8_t kActionPreviousFrame = 0x05;
constexpr std::uint8_t kActionPlay = 0x06;
constexpr std::uint8_t kActionStop = 0x07;
constexpr std::uint8_t kActionGotoFrame = 0x81;
constexpr std::uint8_t kActionGetUrl = 0x83;
constexpr std::uint8_t kActionPush = 0x96;
constexpr std::uint8_t kActionGetUrl2 = 0x9A;

// Push value types and the size of those that are not strings.
constexpr std::uint8_t kPushString = 0;
constexpr std::size_t kPushSizes[] = {0, 4, 0, 0, 1, 1, 8, 4, 1, 2};

// Only the top of the pushed values is ever taken by GetURL2; deeper ones are forgotten.
constexpr std::size_t kMostPushed = 64;

// Sequential, bounds-checked reads over one range of bytes; what says what is being read, for
// the message when the bytes run out.
class TReader {
 public:
  explicit TReader(std::span<const std::uint8_t> data) : data_(data) {}

  std::size_t Left() const { return data_.size() - position_; }
  bool AtEnd() const { return position_ == data_.size(); }

  std::uint8_t U8(const char* what) { return Take(1, what)[0]; }
  std::uint16_t U16(const char* what) {
    const auto bytes = Take(2, what);
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
  }
  std::uint32_t U32(const char* what) {
    const auto bytes = Take(4, what);
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  }
  std::span<const std::uint8_t> Take(std::size_t count, const char* what) {
    if (count > Left()) throw TSwfError(std::string("truncated: ") + what + " runs past the end");
    const auto bytes = data_.subspan(position_, count);
    position_ += count;
    return bytes;
  }
  // A NUL-terminated string; the NUL is consumed.
  std::string String(const char* what) {
    const auto rest = data_.subspan(position_);
    const auto end = std::find(rest.begin(), rest.end(), std::uint8_t{0});
    if (end == rest.end()) throw TSwfError(std::string("truncated: ") + what + " has no terminating NUL");
    std::string text(rest.begin(), end);
    position_ += text.size() + 1;
    return text;
  }

  // Bit fields, most significant bit first, starting at the current byte.
  std::uint32_t Bits(unsigned count, const char* what) {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i) {
      if (bit_ == 0) current_ = U8(what);
      value = value << 1 | ((current_ >> (7 - bit_)) & 1u);
      bit_ = (bit_ + 1) & 7;
    }
    return value;
  }
  std::int32_t SignedBits(unsigned count, const char* what) {
    const std::uint32_t value = Bits(count, what);
    if (count == 0) return 0;
    const std::uint32_t sign = 1u << (count - 1);
    return static_cast<std::int32_t>(static_cast<std::int64_t>(value ^ sign) - sign);
  }
  // Drops the rest of a partly read byte.
  void AlignToByte() { bit_ = 0; }

 private:
  std::span<const std::uint8_t> data_;
  std::size_t position_ = 0;
  std::uint8_t current_ = 0;
  unsigned bit_ = 0;
};

// Exactly size bytes inflated from compressed; the zlib stream may go on beyond them. The
// output grows as the data actually inflates, so a short movie that claims a large length
// costs no more memory than it holds.
std::vector<std::uint8_t> Inflate(std::span<const std::uint8_t> compressed, std::uint32_t size) {
  constexpr std::size_t kFirstRoom = 64 * 1024;
  std::vector<std::uint8_t> out;
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) throw TSwfError("cannot start inflating");
  // zlib's counts are 32-bit (uInt); the movie cap keeps the output far below that.
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = static_cast<uInt>(std::min<std::size_t>(compressed.size(), 0xFFFFFFFFu));
  std::size_t produced = 0;
  int result = Z_OK;
  while (produced < size && result == Z_OK) {
    out.resize(std::min<std::size_t>(size, std::max(kFirstRoom, out.size() * 2)));
    stream.next_out = out.data() + produced;
    stream.avail_out = static_cast<uInt>(out.size() - produced);
    result = inflate(&stream, Z_NO_FLUSH);
    produced = out.size() - stream.avail_out;
  }
  const std::string message = stream.msg ? stream.msg : "";
  inflateEnd(&stream);
  if (produced == size) return out;
  if (result == Z_STREAM_END || result == Z_BUF_ERROR) {
    throw TSwfError("truncated: the compressed body holds " + std::to_string(produced) + " of " +
                    std::to_string(size) + " bytes");
  }
  throw TSwfError("the compressed body is corrupt" + (message.empty() ? "" : ": " + message));
}

// The values that Push left on the stack, as far as they are constant strings.
class TPushedValues {
 public:
  void Push(std::optional<std::string> value) {
    values_.push_back(std::move(value));
    if (values_.size() > kMostPushed) values_.pop_front();
  }
  std::optional<std::string> Pop() {
    if (values_.empty()) return std::nullopt;
    auto value = std::move(values_.back());
    values_.pop_back();
    return value;
  }
  void Forget() { values_.clear(); }

 private:
  std::deque<std::optional<std::string>> values_;
};

void ReadPush(std::span<const std::uint8_t> payload, TPushedValues& pushed) {
  TReader reader(payload);
  while (!reader.AtEnd()) {
    const std::uint8_t type = reader.U8("a pushed value's type");
    if (type == kPushString) {
      pushed.Push(reader.String("a pushed string"));
    } else if (type < std::size(kPushSizes)) {
      reader.Take(kPushSizes[type], "a pushed value");
      pushed.Push(std::nullopt);
    } else {
      throw TSwfError("Push holds a value of unknown type " + std::to_string(type));
    }
  }
}

// Counts what the movie holds against the caps.
struct TLimits {
  std::size_t Records = 0;

  void Count() {
    if (++Records > kMaxSwfRecords) {
      throw TSwfError("the movie holds more than " + std::to_string(kMaxSwfRecords) + " actions and placements");
    }
  }
};

// An action list, up to its end action.
std::vector<TSwfAction> ReadActions(std::span<const std::uint8_t> body, TLimits& limits) {
  std::vector<TSwfAction> actions;
  TReader reader(body);
  TPushedValues pushed;
  for (;;) {
    const std::uint8_t code = reader.U8("an action code");
    if (code == kActionEnd) return actions;
    std::span<const std::uint8_t> payload;
    if (code >= 0x80) payload = reader.Take(reader.U16("an action length"), "an action's payload");
    TSwfAction action;
    bool known = true;
    switch (code) {
      case kActionGetUrl: {
        TReader fields(payload);
        action.Kind = TSwfActionKind::GetUrl;
        action.Request.Url = fields.String("GetURL's url");
        action.Request.Target = fields.String("GetURL's target");
        break;
      }
      case kActionGetUrl2: {
        // The target is on top, the url below it; computed values are not followed.
        auto target = pushed.Pop();
        auto url = pushed.Pop();
        known = url && target;
        if (known) {
          action.Kind = TSwfActionKind::GetUrl;
          action.Request = {std::move(*url), std::move(*target)};
        }
        break;
      }
      case kActionGotoFrame: {
        TReader fields(payload);
        action.Kind = TSwfActionKind::GotoFrame;
        action.Frame = fields.U16("GotoFrame's frame");
        break;
      }
      case kActionStop: action.Kind = TSwfActionKind::Stop; break;
      case kActionPlay: action.Kind = TSwfActionKind::Play; break;
      case kActionNextFrame: action.Kind = TSwfActionKind::NextFrame; break;
      case kActionPreviousFrame: action.Kind = TSwfActionKind::PreviousFrame; break;
      case kActionPush:
        ReadPush(payload, pushed);
        continue;
      default:
        known = false;
        break;
    }
    // Any action but Push may change the stack in ways not followed here.
    pushed.Forget();
    if (!known) continue;
    limits.Count();
    actions.push_back(std::move(action));
  }
}

// DefineButton2: id, flags, the offset of the first condition (from the offset field; 0 when
// there is none), the button's records, then conditions, each with the offset of the next
// (0 for the last), 16 bits of conditions (the key in bits 9 to 15) and an action list.
void ReadButton(std::span<const std::uint8_t> body, TSwfMovie& movie, TLimits& limits) {
  TReader reader(body);
  const std::uint16_t id = reader.U16("DefineButton2's id");
  reader.U8("DefineButton2's flags");
  constexpr std::size_t kOffsetField = 3;
  const std::uint16_t firstOffset = reader.U16("DefineButton2's action offset");
  if (firstOffset == 0) return;
  if (firstOffset > body.size() - kOffsetField) throw TSwfError("DefineButton2's action offset runs past the end");
  std::vector<TSwfKeyCondition> keys;
  std::span<const std::uint8_t> rest = body.subspan(kOffsetField + firstOffset);
  for (;;) {
    TReader condition(rest);
    const std::uint16_t size = condition.U16("a button condition's size");
    condition.U8("a button condition");
    const std::uint8_t key = condition.U8("a button condition") >> 1;
    if (size != 0 && (size < 4 || size > rest.size())) {
      throw TSwfError("a button condition's size " + std::to_string(size) + " does not fit the button");
    }
    const auto actions = rest.subspan(4, (size == 0 ? rest.size() : size) - 4);
    if (key != 0) keys.push_back({key, ReadActions(actions, limits)});
    if (size == 0) break;
    rest = rest.subspan(size);
  }
  if (!keys.empty()) movie.KeyButtons[id] = std::move(keys);
}

// PlaceObject2: flags (bit 1 a character follows the depth), depth, [character], ...
std::optional<TSwfPlacement> ReadPlaceObject2(std::span<const std::uint8_t> body) {
  TReader reader(body);
  const std::uint8_t flags = reader.U8("PlaceObject2's flags");
  const std::uint16_t depth = reader.U16("PlaceObject2's depth");
  if ((flags & 0x02) == 0) return std::nullopt;  // moves what is there: nothing to track
  return TSwfPlacement{depth, reader.U16("PlaceObject2's character")};
}

void ReadTags(TReader& reader, TSwfMovie& movie) {
  TLimits limits;
  movie.Frames.emplace_back();
  bool shown = false;
  for (;;) {
    const std::uint16_t codeAndLength = reader.U16("a tag header");
    const std::uint16_t code = codeAndLength >> 6;
    std::uint32_t length = codeAndLength & 0x3F;
    if (length == 0x3F) length = reader.U32("a long tag's length");
    const auto body = reader.Take(length, ("the body of tag " + std::to_string(code)).c_str());
    TSwfFrameContent& frame = movie.Frames.back();
    switch (code) {
      case kTagEnd:
        if (shown && frame.Placements.empty() && frame.Actions.empty()) movie.Frames.pop_back();
        return;
      case kTagShowFrame:
        if (movie.Frames.size() >= kMaxSwfFrames) {
          throw TSwfError("the movie holds more than " + std::to_string(kMaxSwfFrames) + " frames");
        }
        movie.Frames.emplace_back();
        shown = true;
        break;
      case kTagSetBackgroundColor:
        if (movie.Background) break;
        if (body.size() < 3) throw TSwfError("SetBackgroundColor holds fewer than 3 bytes");
        movie.Background = static_cast<std::uint32_t>(body[0]) << 16 | static_cast<std::uint32_t>(body[1]) << 8 | body[2];
        break;
      case kTagDoAction: {
        auto actions = ReadActions(body, limits);
        frame.Actions.insert(frame.Actions.end(), std::make_move_iterator(actions.begin()),
                             std::make_move_iterator(actions.end()));
        break;
      }
      case kTagDefineButton2:
        ReadButton(body, movie, limits);
        break;
      case kTagPlaceObject: {
        limits.Count();
        TReader fields(body);
        const std::uint16_t character = fields.U16("PlaceObject's character");
        frame.Placements.push_back({fields.U16("PlaceObject's depth"), character});
        break;
      }
      case kTagPlaceObject2:
        if (auto placement = ReadPlaceObject2(body)) {
          limits.Count();
          frame.Placements.push_back(*placement);
        }
        break;
      case kTagRemoveObject: {
        limits.Count();
        TReader fields(body);
        fields.U16("RemoveObject's character");
        frame.Placements.push_back({fields.U16("RemoveObject's depth"), std::nullopt});
        break;
      }
      case kTagRemoveObject2:
        limits.Count();
        frame.Placements.push_back({TReader(body).U16("RemoveObject2's depth"), std::nullopt});
        break;
      default:
        break;
    }
  }
}

}  // namespace

bool LooksLikeSwf(std::span<const std::uint8_t> data) {
  if (data.size() < 3 || data[1] != 'W' || data[2] != 'S') return false;
  return data[0] == 'F' || data[0] == 'C' || data[0] == 'Z';
}

TSwfMovie ReadSwf(std::span<const std::uint8_t> data) {
  TReader header(data);
  const auto signature = header.Take(3, "the signature");
  if (!LooksLikeSwf(signature)) throw TSwfError("not a SWF movie (no FWS, CWS or ZWS signature)");
  TSwfMovie movie;
  movie.Signature.assign(signature.begin(), signature.end());
  if (movie.Signature == "ZWS") throw TSwfError("LZMA-compressed movies (ZWS) are not supported");
  movie.Version = header.U8("the version");
  movie.FileLength = header.U32("the file length");
  constexpr std::uint32_t kHeaderBytes = 8;
  if (movie.FileLength < kHeaderBytes) {
    throw TSwfError("the file length " + std::to_string(movie.FileLength) + " is shorter than the header");
  }
  if (movie.FileLength > kMaxSwfBytes) {
    throw TSwfError("the file length " + std::to_string(movie.FileLength) + " is beyond the limit of " +
                    std::to_string(kMaxSwfBytes) + " bytes");
  }

  // The rest of the movie after the 8 header bytes, up to the header's length.
  const std::uint32_t bodySize = movie.FileLength - kHeaderBytes;
  std::vector<std::uint8_t> inflated;
  std::span<const std::uint8_t> body;
  if (movie.Signature == "CWS") {
    inflated = Inflate(data.subspan(kHeaderBytes), bodySize);
    body = inflated;
  } else {
    if (data.size() < movie.FileLength) {
      throw TSwfError("truncated: " + std::to_string(data.size()) + " of " + std::to_string(movie.FileLength) +
                      " bytes");
    }
    body = data.subspan(kHeaderBytes, bodySize);
  }

  TReader reader(body);
  const unsigned bits = reader.Bits(5, "the frame size");
  movie.XMin = reader.SignedBits(bits, "the frame size");
  movie.XMax = reader.SignedBits(bits, "the frame size");
  movie.YMin = reader.SignedBits(bits, "the frame size");
  movie.YMax = reader.SignedBits(bits, "the frame size");
  reader.AlignToByte();
  if (movie.XMax < movie.XMin || movie.YMax < movie.YMin) {
    throw TSwfError("the frame size is negative (" + std::to_string(movie.Width()) + " x " +
                    std::to_string(movie.Height()) + " twips)");
  }
  movie.FrameRate = reader.U16("the frame rate");
  movie.FrameCount = reader.U16("the frame count");
  ReadTags(reader, movie);
  return movie;
}

std::string FormatFrameRate(std::uint16_t rate) {
  std::string text = std::to_string(rate >> 8);
  const unsigned fraction = rate & 0xFF;
  if (fraction == 0) return text;
  // n/256 has at most eight decimal places: n * 10^8 / 256 = n * 390625.
  std::string digits = std::to_string(fraction * 390625u);
  digits.insert(0, 8 - digits.size(), '0');
  digits.erase(digits.find_last_not_of('0') + 1);
  return text + "." + digits;
}

}  // namespace standin
