// The test PE writer: headers, one composed data section, extra sections, and table builders.
#include "tests/runtime_loader/pe_writer.h"

#include <algorithm>
#include <map>

namespace leafmark::test {
namespace {

std::uint32_t AlignUp(std::uint32_t value, std::uint32_t align) {
  return (value + align - 1) / align * align;
}

void Put(TBytes& bytes, std::size_t at, std::uint64_t value, int size) {
  if (bytes.size() < at + size) bytes.resize(at + size);
  for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::uint32_t ReadU32(const TBytes& bytes, std::size_t at) {
  return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}
void WriteU16(TBytes& bytes, std::size_t at, std::uint16_t value) { Put(bytes, at, value, 2); }
void WriteU32(TBytes& bytes, std::size_t at, std::uint32_t value) { Put(bytes, at, value, 4); }

TPeWriter::TPeWriter(bool is64)
    : ImageBase(is64 ? 0x180000000ull : 0x10000000ull),
      Machine(is64 ? 0x8664 : 0x014C),
      is64_(is64) {}

std::uint32_t TPeWriter::Add(const TBytes& bytes, std::uint32_t align) {
  const std::uint32_t at = AlignUp(static_cast<std::uint32_t>(data_.size()), align);
  data_.resize(at);
  data_.insert(data_.end(), bytes.begin(), bytes.end());
  return kDataRva + at;
}

std::uint32_t TPeWriter::AddString(const std::string& text) {
  TBytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return Add(bytes, 2);
}

std::uint32_t TPeWriter::Reserve(std::uint32_t size, std::uint32_t align) {
  return Add(TBytes(size, 0), align);
}

void TPeWriter::Put16(std::uint32_t rva, std::uint16_t value) { Put(data_, rva - kDataRva, value, 2); }
void TPeWriter::Put32(std::uint32_t rva, std::uint32_t value) { Put(data_, rva - kDataRva, value, 4); }
void TPeWriter::Put64(std::uint32_t rva, std::uint64_t value) { Put(data_, rva - kDataRva, value, 8); }

void TPeWriter::SetDirectory(int index, std::uint32_t rva, std::uint32_t size) {
  directories_[index][0] = rva;
  directories_[index][1] = size;
}

void TPeWriter::AddImports(std::vector<TImportedModule>& modules) {
  const unsigned thunk = is64_ ? 8 : 4;
  const std::uint64_t ordinalFlag = is64_ ? (1ull << 63) : 0x80000000ull;
  auto thunkArray = [&](const std::vector<TImportFunction>& functions) -> std::uint32_t {
    std::vector<std::uint64_t> values;
    for (const auto& f : functions) {
      if (f.Ordinal != 0) {
        values.push_back(ordinalFlag | f.Ordinal);
      } else {
        TBytes hintName = {0, 0};
        hintName.insert(hintName.end(), f.Name.begin(), f.Name.end());
        hintName.push_back(0);
        values.push_back(Add(hintName, 2));
      }
    }
    const std::uint32_t at = Reserve(static_cast<std::uint32_t>((values.size() + 1) * thunk));
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (is64_) Put64(at + static_cast<std::uint32_t>(i * thunk), values[i]);
      else Put32(at + static_cast<std::uint32_t>(i * thunk), static_cast<std::uint32_t>(values[i]));
    }
    return at;
  };
  struct TDescriptor {
    std::uint32_t Original, Stamp, Name, First;
  };
  std::vector<TDescriptor> descriptors;
  for (auto& m : modules) {
    TDescriptor d{};
    d.Name = AddString(m.Module);
    d.Original = m.OriginalThunkNames.empty() ? 0 : thunkArray(m.OriginalThunkNames);
    d.First = thunkArray(m.FirstThunkNames);
    d.Stamp = m.TimeDateStamp;
    m.SlotRvas.clear();
    for (std::size_t i = 0; i < m.FirstThunkNames.size(); ++i) {
      m.SlotRvas.push_back(d.First + static_cast<std::uint32_t>(i * thunk));
    }
    descriptors.push_back(d);
  }
  const std::uint32_t table = Reserve(static_cast<std::uint32_t>((descriptors.size() + 1) * 20), 4);
  for (std::size_t i = 0; i < descriptors.size(); ++i) {
    const std::uint32_t at = table + static_cast<std::uint32_t>(i * 20);
    Put32(at, descriptors[i].Original);
    Put32(at + 4, descriptors[i].Stamp);
    Put32(at + 12, descriptors[i].Name);
    Put32(at + 16, descriptors[i].First);
  }
  SetDirectory(1, table, static_cast<std::uint32_t>((descriptors.size() + 1) * 20));
}

void TPeWriter::AddExports(const std::vector<TExport>& exports) {
  const auto n = static_cast<std::uint32_t>(exports.size());
  const std::uint32_t dir = Reserve(40 + n * 4 + n * 4 + n * 2, 4);
  const std::uint32_t functions = dir + 40, names = functions + n * 4, ordinals = names + n * 4;
  Put32(dir + 16, 1);
  Put32(dir + 20, n);
  Put32(dir + 24, n);
  Put32(dir + 28, functions);
  Put32(dir + 32, names);
  Put32(dir + 36, ordinals);
  for (std::uint32_t i = 0; i < n; ++i) {
    const auto& e = exports[i];
    Put32(names + i * 4, AddString(e.Name));
    Put16(ordinals + i * 2, static_cast<std::uint16_t>(i));
    Put32(functions + i * 4, e.ForwardedTo.empty() ? e.Rva : AddString(e.ForwardedTo));
  }
  // The directory spans its strings, so a forwarder's text lies inside it.
  SetDirectory(0, dir, static_cast<std::uint32_t>(kDataRva + data_.size()) - dir);
}

void TPeWriter::AddResources(const std::vector<TResourceEntry>& resources) {
  // type -> names in first-seen order -> resources.
  std::vector<std::uint16_t> types;
  std::map<std::uint16_t, std::vector<std::variant<std::uint16_t, std::u16string>>> names;
  for (const auto& r : resources) {
    if (std::find(types.begin(), types.end(), r.Type) == types.end()) types.push_back(r.Type);
    auto& list = names[r.Type];
    if (std::find(list.begin(), list.end(), r.Name) == list.end()) list.push_back(r.Name);
  }
  auto languagesOf = [&](std::uint16_t type, const auto& name) {
    std::vector<const TResourceEntry*> out;
    for (const auto& r : resources) {
      if (r.Type == type && r.Name == name) out.push_back(&r);
    }
    return out;
  };
  // Sizes first: directories, then data entries, then name strings.
  std::uint32_t size = 16 + 8 * static_cast<std::uint32_t>(types.size());
  for (auto t : types) {
    size += 16 + 8 * static_cast<std::uint32_t>(names[t].size());
    for (const auto& n : names[t]) size += 16 + 8 * static_cast<std::uint32_t>(languagesOf(t, n).size());
  }
  size += 16 * static_cast<std::uint32_t>(resources.size());
  for (const auto& r : resources) {
    if (const auto* s = std::get_if<std::u16string>(&r.Name)) size += 2 + 2 * static_cast<std::uint32_t>(s->size());
  }
  const std::uint32_t root = Reserve(AlignUp(size, 4), 4);
  std::uint32_t next = 0;
  auto directory = [&](std::size_t count) {
    const std::uint32_t at = next;
    Put16(root + at + 14, static_cast<std::uint16_t>(count));
    next += 16 + 8 * static_cast<std::uint32_t>(count);
    return at;
  };
  std::vector<std::pair<std::uint32_t, const TResourceEntry*>> dataEntries;
  std::vector<std::pair<std::uint32_t, std::u16string>> strings;
  const std::uint32_t rootDir = directory(types.size());
  for (std::size_t ti = 0; ti < types.size(); ++ti) {
    const std::uint16_t t = types[ti];
    const std::uint32_t typeDir = directory(names[t].size());
    Put32(root + rootDir + 16 + 8 * ti, t);
    Put32(root + rootDir + 16 + 8 * ti + 4, 0x80000000u | typeDir);
    for (std::size_t ni = 0; ni < names[t].size(); ++ni) {
      const auto& n = names[t][ni];
      const auto languages = languagesOf(t, n);
      const std::uint32_t nameDir = directory(languages.size());
      const std::uint32_t entry = root + typeDir + 16 + 8 * static_cast<std::uint32_t>(ni);
      if (const auto* id = std::get_if<std::uint16_t>(&n)) {
        Put32(entry, *id);
      } else {
        strings.push_back({entry, std::get<std::u16string>(n)});
      }
      Put32(entry + 4, 0x80000000u | nameDir);
      for (std::size_t li = 0; li < languages.size(); ++li) {
        const std::uint32_t langEntry = root + nameDir + 16 + 8 * static_cast<std::uint32_t>(li);
        Put32(langEntry, languages[li]->Language);
        dataEntries.push_back({langEntry, languages[li]});
      }
    }
  }
  for (const auto& [langEntry, resource] : dataEntries) {
    const std::uint32_t at = next;
    next += 16;
    Put32(langEntry + 4, at);
    const std::uint32_t dataRva = Add(resource->Data, 4);
    Put32(root + at, dataRva);
    Put32(root + at + 4, static_cast<std::uint32_t>(resource->Data.size()));
  }
  for (const auto& [entry, text] : strings) {
    const std::uint32_t at = next;
    Put32(entry, 0x80000000u | at);
    Put16(root + at, static_cast<std::uint16_t>(text.size()));
    for (std::size_t i = 0; i < text.size(); ++i) Put16(root + at + 2 + 2 * static_cast<std::uint32_t>(i), text[i]);
    next += 2 + 2 * static_cast<std::uint32_t>(text.size());
  }
  SetDirectory(2, root, size);
}

void TPeWriter::AddRelocations(const std::vector<TRelocBlock>& blocks) {
  TBytes table;
  for (const auto& b : blocks) {
    const std::size_t at = table.size();
    Put(table, at, b.Page, 4);
    Put(table, at + 4, 8 + 2 * b.Entries.size(), 4);
    for (std::size_t i = 0; i < b.Entries.size(); ++i) Put(table, at + 8 + 2 * i, b.Entries[i], 2);
  }
  const std::uint32_t rva = Add(table, 4);
  SetDirectory(5, rva, static_cast<std::uint32_t>(table.size()));
}

TBytes TPeWriter::Build() const {
  const std::uint32_t optionalSize = is64_ ? 240 : 224;
  const std::uint32_t sectionCount = 1 + static_cast<std::uint32_t>(ExtraSections.size());
  const std::uint32_t sectionTable = kOptionalOffset + optionalSize;
  const std::uint32_t sizeOfHeaders = AlignUp(sectionTable + 40 * sectionCount, 0x200);

  struct TPlaced {
    std::string Name;
    std::uint32_t Va, Vs, RawSize, RawPtr;
    const TBytes* Raw;
  };
  std::vector<TPlaced> sections;
  std::uint32_t rawAt = sizeOfHeaders;
  sections.push_back({".data", kDataRva, static_cast<std::uint32_t>(data_.size()),
                      static_cast<std::uint32_t>(data_.size()), rawAt, &data_});
  rawAt = AlignUp(rawAt + static_cast<std::uint32_t>(data_.size()), 0x200);
  for (const auto& s : ExtraSections) {
    sections.push_back({s.Name, s.VirtualAddress, s.VirtualSize,
                        static_cast<std::uint32_t>(s.Raw.size()), s.Raw.empty() ? 0 : rawAt, &s.Raw});
    rawAt = AlignUp(rawAt + static_cast<std::uint32_t>(s.Raw.size()), 0x200);
  }
  std::uint32_t sizeOfImage = sizeOfHeaders;
  for (const auto& s : sections) sizeOfImage = std::max(sizeOfImage, s.Va + std::max(s.Vs, s.RawSize));
  sizeOfImage = AlignUp(sizeOfImage, 0x1000);

  TBytes file(rawAt, 0);
  file[0] = 'M';
  file[1] = 'Z';
  Put(file, 0x3C, kNtOffset, 4);
  Put(file, kNtOffset, 0x00004550, 4);
  Put(file, kFileHeaderOffset, Machine, 2);
  Put(file, kFileHeaderOffset + 2, sectionCount, 2);
  Put(file, kFileHeaderOffset + 16, optionalSize, 2);
  Put(file, kFileHeaderOffset + 18, Characteristics, 2);
  const std::uint32_t o = kOptionalOffset;
  Put(file, o, is64_ ? 0x20B : 0x10B, 2);
  Put(file, o + 16, EntryPoint, 4);
  if (is64_) Put(file, o + 24, ImageBase, 8);
  else Put(file, o + 28, ImageBase, 4);
  Put(file, o + 32, 0x1000, 4);
  Put(file, o + 36, 0x200, 4);
  Put(file, o + 56, sizeOfImage, 4);
  Put(file, o + 60, sizeOfHeaders, 4);
  const std::uint32_t dirs = o + (is64_ ? 112 : 96);
  Put(file, dirs - 4, 16, 4);
  for (int i = 0; i < 16; ++i) {
    Put(file, dirs + i * 8, directories_[i][0], 4);
    Put(file, dirs + i * 8 + 4, directories_[i][1], 4);
  }
  for (std::uint32_t i = 0; i < sectionCount; ++i) {
    const auto& s = sections[i];
    const std::uint32_t at = sectionTable + 40 * i;
    for (std::size_t c = 0; c < s.Name.size() && c < 8; ++c) file[at + c] = static_cast<std::uint8_t>(s.Name[c]);
    Put(file, at + 8, s.Vs, 4);
    Put(file, at + 12, s.Va, 4);
    Put(file, at + 16, s.RawSize, 4);
    Put(file, at + 20, s.RawPtr, 4);
    Put(file, at + 36, 0xE0000060u, 4);
    std::copy(s.Raw->begin(), s.Raw->end(), file.begin() + s.RawPtr);
  }
  return file;
}

TBytes VersionResource(std::uint32_t productMS, std::uint32_t productLS, std::uint32_t fileMS,
                       std::uint32_t fileLS) {
  TBytes block;
  const std::u16string key = u"VS_VERSION_INFO";
  Put(block, 0, 92, 2);
  Put(block, 2, 52, 2);
  Put(block, 4, 0, 2);
  for (std::size_t i = 0; i <= key.size(); ++i) Put(block, 6 + 2 * i, i < key.size() ? key[i] : 0, 2);
  Put(block, 38, 0, 2);  // padding to a 32-bit boundary
  const std::size_t fixed = 40;
  Put(block, fixed, 0xFEEF04BD, 4);
  Put(block, fixed + 4, 0x00010000, 4);
  Put(block, fixed + 8, fileMS, 4);
  Put(block, fixed + 12, fileLS, 4);
  Put(block, fixed + 16, productMS, 4);
  Put(block, fixed + 20, productLS, 4);
  Put(block, fixed + 48, 0, 4);
  return block;
}

}  // namespace leafmark::test
