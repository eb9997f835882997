// DOS header, PE signature, file and optional headers, data directories and section table.
#include "runtime_loader/pe_headers.h"

#include <algorithm>

#include "runtime_loader/pe_bytes.h"
#include "runtime_loader/pe_error.h"

namespace leafmark::pe {
namespace {

constexpr std::uint32_t kDosHeaderSize = 0x40;
constexpr std::uint32_t kDosLfanewOffset = 0x3C;
constexpr std::uint32_t kFileHeaderSize = 20;
constexpr std::uint32_t kSectionHeaderSize = 40;
// Size of the optional header before its data directories.
constexpr std::uint32_t kOptionalFixedPe32 = 96;
constexpr std::uint32_t kOptionalFixedPe32Plus = 112;

void ReadSections(const TByteReader& file, std::uint64_t table, unsigned count, TPeHeaders& h) {
  file.Require(table, std::uint64_t{count} * kSectionHeaderSize, "section table");
  for (unsigned i = 0; i < count; ++i) {
    const std::uint64_t at = table + std::uint64_t{i} * kSectionHeaderSize;
    TSectionHeader s;
    const auto name = file.Bytes(at, 8, "section name");
    s.Name.assign(name.begin(), std::find(name.begin(), name.end(), std::uint8_t{0}));
    s.VirtualSize = file.U32(at + 8, "VirtualSize");
    s.VirtualAddress = file.U32(at + 12, "VirtualAddress");
    s.SizeOfRawData = file.U32(at + 16, "SizeOfRawData");
    s.PointerToRawData = file.U32(at + 20, "PointerToRawData");
    s.Characteristics = file.U32(at + 36, "section Characteristics");
    h.Sections.push_back(std::move(s));
  }
}

// Only the first SizeOfHeaders bytes are copied into the image, and the headers are read again
// from there (a placed module's resources and extent): each header must lie inside them, and
// they inside the image.
void CheckHeaderExtent(const TPeHeaders& h, unsigned sectionCount) {
  if (h.SizeOfImage == 0) throw EPeImageError("SizeOfImage is 0");
  if (h.SizeOfHeaders > h.SizeOfImage) {
    throw EPeImageError("SizeOfHeaders " + Hex(h.SizeOfHeaders) + " exceeds SizeOfImage " +
                        Hex(h.SizeOfImage));
  }
  const std::uint64_t nt = h.NtHeadersOffset;
  const std::uint64_t opt = nt + 4 + kFileHeaderSize;
  const struct {
    const char* Field;
    std::uint64_t Offset;
    std::uint64_t Size;
  } parts[] = {
      {"DOS header", 0, kDosHeaderSize},
      {"NT headers (signature and file header)", nt, 4 + kFileHeaderSize},
      {"optional header", opt, h.SizeOfOptionalHeader},
      {"section table", opt + h.SizeOfOptionalHeader,
       std::uint64_t{sectionCount} * kSectionHeaderSize},
  };
  for (const auto& part : parts) {
    if (part.Offset + part.Size > h.SizeOfHeaders) {
      throw EPeImageError(std::string(part.Field) + " at " + Hex(part.Offset) + " (" +
                          std::to_string(part.Size) + " bytes) lies outside SizeOfHeaders " +
                          Hex(h.SizeOfHeaders));
    }
  }
}

void CheckPlacement(const TPeHeaders& h) {
  if (h.AddressOfEntryPoint >= h.SizeOfImage) {
    throw EPeImageError("AddressOfEntryPoint " + Hex(h.AddressOfEntryPoint) +
                        " lies outside SizeOfImage " + Hex(h.SizeOfImage));
  }
  for (std::size_t i = 0; i < h.Sections.size(); ++i) {
    const auto& s = h.Sections[i];
    const std::uint64_t span = s.VirtualSize != 0 ? s.VirtualSize : s.SizeOfRawData;
    if (std::uint64_t{s.VirtualAddress} + span > h.SizeOfImage) {
      throw EPeImageError("section " + std::to_string(i + 1) + " (" + s.Name +
                          ") at VirtualAddress " + Hex(s.VirtualAddress) + " size " + Hex(span) +
                          " lies outside SizeOfImage " + Hex(h.SizeOfImage));
    }
  }
}

}  // namespace

std::string MachineName(std::uint16_t machine) {
  switch (machine) {
    case kMachineI386: return "x86";
    case kMachineAmd64: return "x64";
    default: return "machine " + Hex(machine);
  }
}

TPeHeaders ParsePeHeaders(std::span<const std::uint8_t> bytes) {
  const TByteReader file(bytes, "file");
  if (!file.Contains(0, 2) || bytes[0] != 'M' || bytes[1] != 'Z') {
    throw EPeImageError("not a PE image: no MZ signature");
  }
  TPeHeaders h;
  h.NtHeadersOffset = file.U32(kDosLfanewOffset, "e_lfanew");
  const std::uint64_t nt = h.NtHeadersOffset;
  if (file.U32(nt, "PE signature (at e_lfanew)") != 0x00004550) {
    throw EPeImageError("not a PE image: no PE signature at e_lfanew " + Hex(nt));
  }
  const std::uint64_t fileHeader = nt + 4;
  h.Machine = file.U16(fileHeader, "Machine");
  const unsigned sectionCount = file.U16(fileHeader + 2, "NumberOfSections");
  h.SizeOfOptionalHeader = file.U16(fileHeader + 16, "SizeOfOptionalHeader");
  h.Characteristics = file.U16(fileHeader + 18, "Characteristics");

  const std::uint64_t opt = fileHeader + kFileHeaderSize;
  file.Require(opt, h.SizeOfOptionalHeader, "optional header");
  const std::uint16_t magic = file.U16(opt, "optional header Magic");
  if (magic != kMagicPe32 && magic != kMagicPe32Plus) {
    throw EPeImageError("optional header Magic " + Hex(magic) + " is neither PE32 nor PE32+");
  }
  h.Is64 = magic == kMagicPe32Plus;
  const std::uint32_t fixed = h.Is64 ? kOptionalFixedPe32Plus : kOptionalFixedPe32;
  if (h.SizeOfOptionalHeader < fixed) {
    throw EPeImageError("SizeOfOptionalHeader " + std::to_string(h.SizeOfOptionalHeader) +
                        " is too small for a " + (h.Is64 ? "PE32+" : "PE32") + " optional header");
  }
  h.AddressOfEntryPoint = file.U32(opt + 16, "AddressOfEntryPoint");
  h.ImageBase = h.Is64 ? file.U64(opt + 24, "ImageBase") : file.U32(opt + 28, "ImageBase");
  h.SizeOfImage = file.U32(opt + 56, "SizeOfImage");
  h.SizeOfHeaders = file.U32(opt + 60, "SizeOfHeaders");
  CheckHeaderExtent(h, sectionCount);
  const std::uint32_t rvaCount = file.U32(opt + fixed - 4, "NumberOfRvaAndSizes");
  const std::uint32_t used = std::min<std::uint32_t>(rvaCount, kDirectoryCount);
  if (fixed + std::uint64_t{used} * 8 > h.SizeOfOptionalHeader) {
    throw EPeImageError("NumberOfRvaAndSizes " + std::to_string(rvaCount) +
                        " does not fit SizeOfOptionalHeader " +
                        std::to_string(h.SizeOfOptionalHeader));
  }
  for (std::uint32_t i = 0; i < used; ++i) {
    h.Directories[i].VirtualAddress = file.U32(opt + fixed + i * 8, "data directory");
    h.Directories[i].Size = file.U32(opt + fixed + i * 8 + 4, "data directory");
  }
  ReadSections(file, opt + h.SizeOfOptionalHeader, sectionCount, h);
  CheckPlacement(h);
  return h;
}

TByteReader ImageReader(std::span<const std::uint8_t> image, const TPeHeaders& headers) {
  if (image.size() < headers.SizeOfImage) {
    throw EPeImageError("image memory of " + std::to_string(image.size()) +
                        " bytes is smaller than SizeOfImage " + Hex(headers.SizeOfImage));
  }
  return TByteReader(image.first(headers.SizeOfImage), "image");
}

std::span<const std::uint8_t> MappedImageExtent(std::span<const std::uint8_t> readable) {
  if (readable.data() == nullptr) throw EPeImageError("no module");
  // Until SizeOfImage is known, only the bytes the caller found readable may be touched.
  const TByteReader module(readable, "module's readable headers");
  if (module.U16(0, "MZ signature") != 0x5A4D) throw EPeImageError("module has no MZ signature");
  const std::uint64_t nt = module.U32(kDosLfanewOffset, "e_lfanew");
  if (module.U32(nt, "PE signature (at e_lfanew)") != 0x00004550) {
    throw EPeImageError("module has no PE signature");
  }
  const std::uint32_t sizeOfImage = module.U32(nt + 4 + kFileHeaderSize + 56, "SizeOfImage");
  if (nt + 4 + kFileHeaderSize + kOptionalFixedPe32 > sizeOfImage) {
    throw EPeImageError("module's SizeOfImage does not cover its headers");
  }
  return {readable.data(), sizeOfImage};
}

}  // namespace leafmark::pe
