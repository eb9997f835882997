// The three-level resource directory walk.
#include "runtime_loader/pe_resources.h"

#include "runtime_loader/pe_bytes.h"
#include "runtime_loader/pe_error.h"

namespace leafmark::pe {
namespace {

constexpr std::uint32_t kHighBit = 0x80000000u;

class TResourceWalker {
 public:
  TResourceWalker(const TByteReader& image, std::uint32_t root) : image_(image), root_(root) {}

  // OffsetToData of the first entry of the directory at offset (from the root) that matches.
  template <typename Match>
  std::optional<std::uint32_t> Find(std::uint32_t offset, Match match) const {
    const std::uint64_t at = std::uint64_t{root_} + offset;
    const unsigned count = image_.U16(at + 12, "resource directory NumberOfNamedEntries") +
                           image_.U16(at + 14, "resource directory NumberOfIdEntries");
    for (unsigned k = 0; k < count; ++k) {
      const std::uint64_t entry = at + 16 + std::uint64_t{k} * 8;
      const std::uint32_t name = image_.U32(entry, "resource entry Name");
      if (match(name)) return image_.U32(entry + 4, "resource entry OffsetToData");
    }
    return std::nullopt;
  }

  bool NameEquals(std::uint32_t name, const std::u16string& wanted) const {
    if ((name & kHighBit) == 0) return false;
    const std::uint64_t at = std::uint64_t{root_} + (name & ~kHighBit);
    const std::uint16_t length = image_.U16(at, "resource name length");
    const auto units = image_.Bytes(at + 2, std::uint64_t{length} * 2, "resource name");
    if (length != wanted.size()) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
      const char16_t unit = static_cast<char16_t>(units[i * 2] | (units[i * 2 + 1] << 8));
      if (unit != wanted[i]) return false;
    }
    return true;
  }

  TResourceData Data(std::uint32_t offset) const {
    const std::uint64_t at = std::uint64_t{root_} + offset;
    TResourceData data;
    data.Rva = image_.U32(at, "resource data entry OffsetToData");
    data.Size = image_.U32(at + 4, "resource data entry Size");
    image_.Require(data.Rva, data.Size, "resource data");
    return data;
  }

 private:
  const TByteReader& image_;
  std::uint32_t root_;
};

bool IsId(std::uint32_t name, std::uint16_t id) {
  return (name & kHighBit) == 0 && (name & 0xFFFF) == id;
}

}  // namespace

std::optional<TResourceData> FindImageResource(std::span<const std::uint8_t> bytes,
                                               const TPeHeaders& headers, std::uint16_t typeId,
                                               const TResourceName& name, std::uint16_t language) {
  const std::uint32_t root = headers.Directories[kDirResource].VirtualAddress;
  if (root == 0) return std::nullopt;
  const TByteReader image = ImageReader(bytes, headers);
  const TResourceWalker walker(image, root);

  const auto type = walker.Find(0, [&](std::uint32_t n) { return IsId(n, typeId); });
  if (!type || (*type & kHighBit) == 0) return std::nullopt;

  std::optional<std::uint32_t> named;
  if (const auto* id = std::get_if<std::uint16_t>(&name)) {
    named = walker.Find(*type & ~kHighBit, [&](std::uint32_t n) { return IsId(n, *id); });
  } else {
    const auto& text = std::get<std::u16string>(name);
    named = walker.Find(*type & ~kHighBit,
                        [&](std::uint32_t n) { return walker.NameEquals(n, text); });
  }
  if (!named || (*named & kHighBit) == 0) return std::nullopt;

  const auto lang =
      walker.Find(*named & ~kHighBit, [&](std::uint32_t n) { return (n & 0xFFFF) == language; });
  if (!lang || (*lang & kHighBit) != 0) return std::nullopt;
  return walker.Data(*lang);
}

}  // namespace leafmark::pe
