// Decoding a settings document's bytes to UTF-8 text.
#include "tools/xml_text.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace leafmark::pack {

namespace {

enum class TEncoding { Utf8, Utf16Le, Utf16Be, Latin1, Windows1252, Ascii };

// Windows-1252's letters at 0x80..0x9F; 0 where the code page has none.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::initializer_list<std::uint8_t> prefix) {
  return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The encoding named in an 8-bit declaration "<?xml ... encoding='...' ?>"; empty when none.
std::string DeclaredEncoding(const std::vector<std::uint8_t>& bytes) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  if (text.substr(0, 5) != "<?xml") return {};
  const std::string_view declaration = text.substr(0, text.find("?>"));
  const std::size_t key = declaration.find("encoding");
  if (key == std::string_view::npos) return {};
  std::size_t at = key + 8;
  while (at < declaration.size() && (declaration[at] == ' ' || declaration[at] == '\t' ||
                                     declaration[at] == '\r' || declaration[at] == '\n' || declaration[at] == '=')) {
    ++at;
  }
  if (at >= declaration.size() || (declaration[at] != '"' && declaration[at] != '\'')) {
    throw EXmlError("the XML declaration's encoding has no quoted name");
  }
  const std::size_t end = declaration.find(declaration[at], at + 1);
  if (end == std::string_view::npos) throw EXmlError("the XML declaration's encoding is not closed");
  return Lower(std::string(declaration.substr(at + 1, end - at - 1)));
}

TEncoding EightBitEncoding(const std::string& name) {
  if (name.empty() || name == "utf-8" || name == "utf8") return TEncoding::Utf8;
  if (name == "iso-8859-1" || name == "latin1" || name == "iso_8859-1" || name == "l1") return TEncoding::Latin1;
  if (name == "windows-1252" || name == "cp1252") return TEncoding::Windows1252;
  if (name == "us-ascii" || name == "ascii") return TEncoding::Ascii;
  throw EXmlError("the encoding \"" + name + "\" is not one this reader knows");
}

std::string DecodeUtf8(const std::vector<std::uint8_t>& bytes, std::size_t start) {
  std::string out;
  std::size_t k = start;
  while (k < bytes.size()) {
    const std::uint8_t lead = bytes[k];
    std::size_t length = 0;
    char32_t c = 0;
    if (lead < 0x80) {
      length = 1, c = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, c = lead & 0x07;
    } else {
      throw EXmlError("byte " + std::to_string(k) + " is not valid UTF-8");
    }
    if (bytes.size() - k < length) throw EXmlError("the text ends inside a UTF-8 sequence");
    for (std::size_t n = 1; n < length; ++n) {
      if ((bytes[k + n] & 0xC0) != 0x80) throw EXmlError("byte " + std::to_string(k + n) + " is not valid UTF-8");
      c = (c << 6) | (bytes[k + n] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if ((length > 1 && c < least) || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF) {
      throw EXmlError("byte " + std::to_string(k) + " starts an invalid UTF-8 sequence");
    }
    out.append(reinterpret_cast<const char*>(&bytes[k]), length);
    k += length;
  }
  return out;
}

std::string DecodeUtf16(const std::vector<std::uint8_t>& bytes, std::size_t start, bool littleEndian) {
  if ((bytes.size() - start) % 2 != 0) throw EXmlError("UTF-16 text of an odd number of bytes");
  auto unit = [&](std::size_t at) -> char32_t {
    return littleEndian ? bytes[at] | (bytes[at + 1] << 8) : (bytes[at] << 8) | bytes[at + 1];
  };
  std::string out;
  for (std::size_t k = start; k < bytes.size(); k += 2) {
    char32_t c = unit(k);
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (k + 3 >= bytes.size()) throw EXmlError("the UTF-16 text ends inside a surrogate pair");
      const char32_t low = unit(k + 2);
      if (low < 0xDC00 || low > 0xDFFF) throw EXmlError("a UTF-16 high surrogate without its low half");
      c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
      k += 2;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      throw EXmlError("a UTF-16 low surrogate without its high half");
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::string DecodeEightBit(const std::vector<std::uint8_t>& bytes, TEncoding encoding) {
  std::string out;
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    const std::uint8_t byte = bytes[k];
    char32_t c = byte;
    if (byte >= 0x80 && encoding == TEncoding::Ascii) throw EXmlError("byte " + std::to_string(k) + " is not ASCII");
    if (byte >= 0x80 && byte < 0xA0 && encoding == TEncoding::Windows1252) {
      c = kWindows1252High[byte - 0x80];
      if (c == 0) throw EXmlError("byte " + std::to_string(k) + " has no letter in Windows-1252");
    }
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

std::string XmlToUtf8(const std::vector<std::uint8_t>& bytes) {
  if (StartsWith(bytes, {0xEF, 0xBB, 0xBF})) return DecodeUtf8(bytes, 3);
  if (StartsWith(bytes, {0xFF, 0xFE})) return DecodeUtf16(bytes, 2, true);
  if (StartsWith(bytes, {0xFE, 0xFF})) return DecodeUtf16(bytes, 2, false);
  if (StartsWith(bytes, {'<', 0, '?', 0})) return DecodeUtf16(bytes, 0, true);
  if (StartsWith(bytes, {0, '<', 0, '?'})) return DecodeUtf16(bytes, 0, false);
  const TEncoding encoding = EightBitEncoding(DeclaredEncoding(bytes));
  return encoding == TEncoding::Utf8 ? DecodeUtf8(bytes, 0) : DecodeEightBit(bytes, encoding);
}

}  // namespace leafmark::pack
