// A second, deliberately plain writer of the extent section for fixtures.
#include "tests/support/archive_builder.h"

#include "archive/md5.h"

namespace leafmark::test {

namespace {
void PutU32(TBytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
}  // namespace

TBytes BytesOf(const std::string& text) { return TBytes(text.begin(), text.end()); }

TBytes TRawBook::Build() const {
  TBytes out = Prefix;
  const std::size_t start = out.size();
  std::vector<std::int32_t> sizes{static_cast<std::int32_t>(Index.size())};
  out.insert(out.end(), Index.begin(), Index.end());
  for (const TBytes& file : Files) {
    out.insert(out.end(), file.begin(), file.end());
    sizes.push_back(static_cast<std::int32_t>(file.size()));
  }
  if (Digest) {
    TBytes digest = StoredDigest.value_or(TBytes{});
    if (!StoredDigest) {
      const TMD5Digest md5 = MD5Buffer(out.data() + start, out.size() - start);
      digest.assign(md5.begin(), md5.end());
    }
    out.insert(out.end(), digest.begin(), digest.end());
  }
  for (std::int32_t size : Sizes.value_or(sizes)) PutU32(out, static_cast<std::uint32_t>(size));
  PutU32(out, static_cast<std::uint32_t>(N.value_or(static_cast<std::int32_t>(sizes.size()))));
  out.push_back(Flag.value_or(Digest ? 1 : 0));
  const std::uint32_t x = X.value_or(static_cast<std::uint32_t>(out.size() + 8 - start));
  PutU32(out, x);
  PutU32(out, Check.value_or(x ^ 0x12345678u));
  return out;
}

TRawBook MakeBook(const std::vector<std::pair<std::string, std::string>>& files, bool digest) {
  TRawBook book;
  book.Digest = digest;
  for (std::size_t k = 0; k < files.size(); ++k) {
    book.Index += files[k].first + "=" + std::to_string(k + 1) + "\r\n";
    book.Files.push_back(BytesOf(files[k].second));
  }
  return book;
}

}  // namespace leafmark::test
