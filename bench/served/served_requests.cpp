#include "bench/served/served_requests.h"

#include "archive/entry_lookup.h"
#include "archive/entry_stream.h"
#include "archive/exe_ext_reader.h"
#include "archive/extent_index.h"
#include "win/system_text.h"

namespace leafmark::bench {

namespace {

struct TCachedLookups {
  static std::int32_t Number(const std::string& name, const std::string& book) { return GetEntryNumber(name, book); }
  static std::unique_ptr<TMemoryStream> Memory(const std::string& name, const std::string& book) {
    return ReadEntryToMemory(name, book);
  }
  static std::unique_ptr<TStream> Open(const std::string& name, const std::string& book) {
    return OpenEntryStream(name, book);
  }
};

// The look-ups before the catalog: a reader of their own each, failures as absent names.
struct TUncachedLookups {
  static std::int32_t LookUp(const TExeExtReader& reader, const std::string& name) {
    const std::int32_t number = ParseEntryNumber(FindIndexValue(reader.ReadEntryText(0), name));
    return number > 0 && number < reader.Count ? number : 0;
  }
  static std::int32_t Number(const std::string& name, const std::string& book) {
    try {
      return LookUp(TExeExtReader(book), name);
    } catch (...) {
      return 0;
    }
  }
  static std::unique_ptr<TMemoryStream> Memory(const std::string& name, const std::string& book) {
    try {
      const TExeExtReader reader(book);
      const std::int32_t number = LookUp(reader, name);
      if (number == 0) return nullptr;
      auto memory = std::make_unique<TMemoryStream>();
      reader.ReadEntry(number, *memory);
      return memory;
    } catch (...) {
      return nullptr;
    }
  }
  static std::unique_ptr<TStream> Open(const std::string& name, const std::string& book) { return Memory(name, book); }
};

template <class L>
std::string UrlEntryName(const std::string& name, const std::string& book) {
  if (L::Number(name, book) != 0) return name;
  if (name.starts_with("./") && L::Number(name.substr(2), book) != 0) return name.substr(2);
  return {};
}

template <class L>
bool CopyEntry(const std::string& name, const std::string& book, TStream& stream) {
  const std::unique_ptr<TMemoryStream> entry = L::Memory(name, book);
  if (!entry) return false;
  if (entry->Size() > 0) {
    stream.WriteBuffer(entry->Memory(), entry->Size());
  } else {
    const std::uint8_t none = 0;
    stream.Write(&none, 0);
  }
  return true;
}

template <class L>
void Url(const std::string& book, const std::wstring& url, std::unique_ptr<TStream>& stream, bool& handled) {
  if (!stream || UrlEntryName<L>(win::WideToSystem(url), book).empty()) return;
  const std::string found = UrlEntryName<L>(win::WideToSystem(url), book);
  if (found.empty()) return;
  handled = CopyEntry<L>(found, book, *stream);
}

template <class L>
void Path(const std::string& book, const std::wstring& path, std::unique_ptr<TStream>& stream) {
  const std::string name = win::WideToSystem(path);
  if (L::Number(name, book) == 0) return;
  stream = L::Open(name, book);
}

}  // namespace

std::int32_t LookUpEntry(TLookups lookups, const std::string& book, const std::string& name) {
  return lookups == TLookups::Cached ? TCachedLookups::Number(name, book) : TUncachedLookups::Number(name, book);
}

void AnswerUrl(TLookups lookups, const std::string& book, const std::wstring& url, std::unique_ptr<TStream>& stream,
               bool& handled) {
  if (lookups == TLookups::Cached) {
    Url<TCachedLookups>(book, url, stream, handled);
  } else {
    Url<TUncachedLookups>(book, url, stream, handled);
  }
}

void AnswerPath(TLookups lookups, const std::string& book, const std::wstring& path, std::unique_ptr<TStream>& stream) {
  if (lookups == TLookups::Cached) {
    Path<TCachedLookups>(book, path, stream);
  } else {
    Path<TUncachedLookups>(book, path, stream);
  }
}

}  // namespace leafmark::bench
