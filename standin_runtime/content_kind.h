// What fetched bytes hold, told by their first bytes (a server's or file name's claim is not
// trusted). Portable C++.
#pragma once

#include <cstdint>
#include <span>

namespace standin {

enum class TContentKind { Unknown, Swf, Jpeg, Png, Gif };

inline TContentKind DetectContent(std::span<const std::uint8_t> data) {
  auto startsWith = [&](std::initializer_list<std::uint8_t> head) {
    if (data.size() < head.size()) return false;
    std::size_t i = 0;
    for (const std::uint8_t byte : head) {
      if (data[i++] != byte) return false;
    }
    return true;
  };
  if (startsWith({0xFF, 0xD8, 0xFF})) return TContentKind::Jpeg;
  if (startsWith({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A})) return TContentKind::Png;
  if (startsWith({'G', 'I', 'F', '8', '7', 'a'}) || startsWith({'G', 'I', 'F', '8', '9', 'a'})) return TContentKind::Gif;
  if (data.size() >= 3 && data[1] == 'W' && data[2] == 'S' && (data[0] == 'F' || data[0] == 'C' || data[0] == 'Z')) {
    return TContentKind::Swf;
  }
  return TContentKind::Unknown;
}

inline bool IsImage(TContentKind kind) {
  return kind == TContentKind::Jpeg || kind == TContentKind::Png || kind == TContentKind::Gif;
}

}  // namespace standin
