#include "tools/sample_book.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <utility>
#include <vector>

#include "tools/file_replace.h"
#include "tools/page_picture.h"
#include "tools/png_writer.h"

namespace leafmark::tools {

namespace {

namespace fs = std::filesystem;

constexpr unsigned kSwfVersion = 8;
constexpr std::uint16_t kFrameRate = 12 << 8;  // 8.8 fixed point
constexpr std::int32_t kTwipsPerPixel = 20;
constexpr std::uint32_t kStageBackground = 0x2B3A4A;
constexpr std::uint16_t kButtonId = 1, kButtonShapeId = 2, kButtonDepth = 1;
constexpr const char* kPageLevel = "_level1";

void CheckPages(unsigned pages) {
  if (pages < 1 || pages > kMaxSamplePages) {
    throw std::invalid_argument("a sample book has 1 to " + std::to_string(kMaxSamplePages) + " pages");
  }
}

std::vector<TSwfKeyAction> PageKeys(unsigned pages) {
  const auto next = [] { return TSwfActions().NextFrame(); };
  const auto previous = [] { return TSwfActions().PreviousFrame(); };
  const auto fullScreen = [](bool on) { return TSwfActions().FsCommand("fullscreen", on ? "true" : "false"); };
  return {
      {swf_key::Right, next()},
      {swf_key::PageDown, next()},
      {swf_key::Left, previous()},
      {swf_key::PageUp, previous()},
      {swf_key::Home, TSwfActions().GotoFrame(0)},
      {swf_key::End, TSwfActions().GotoFrame(static_cast<std::uint16_t>(pages - 1))},
      {'f', fullScreen(true)},
      {'F', fullScreen(true)},
      {swf_key::Escape, fullScreen(false)},
  };
}

// XML 1.0 allows no control characters but tab, CR and LF, and the file says it is UTF-8.
void CheckCaption(const std::string& caption) {
  for (std::size_t i = 0; i < caption.size();) {
    const auto byte = static_cast<unsigned char>(caption[i]);
    if (byte < 0x20 || byte == 0x7F) throw std::invalid_argument("the caption holds a control character");
    std::size_t length = 1;
    if (byte >= 0xF0 && byte <= 0xF4) {
      length = 4;
    } else if (byte >= 0xE0) {
      length = 3;
    } else if (byte >= 0xC2 && byte < 0xE0) {
      length = 2;
    } else if (byte >= 0x80) {
      throw std::invalid_argument("the caption is not UTF-8 text");
    }
    if (byte > 0xF4 || i + length > caption.size()) throw std::invalid_argument("the caption is not UTF-8 text");
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(caption[i + k]) & 0xC0) != 0x80) {
        throw std::invalid_argument("the caption is not UTF-8 text");
      }
    }
    i += length;
  }
}

// "]]>" cannot stand inside one CDATA section: it ends one section and opens the next.
std::string CData(const std::string& text) {
  std::string out = "<![CDATA[";
  for (std::size_t from = 0;;) {
    const std::size_t end = text.find("]]>", from);
    if (end == std::string::npos) {
      out += text.substr(from);
      break;
    }
    out += text.substr(from, end + 2 - from) + "]]><![CDATA[";
    from = end + 2;
  }
  return out + "]]>";
}

struct TBookFile {
  std::string Name;  // relative, "/" between parts
  std::vector<std::uint8_t> Bytes;
};

struct TFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Quoted(const fs::path& path) { return "\"" + path.string() + "\""; }

std::string SystemReason(int error) { return std::strerror(error); }

void WriteWhole(const fs::path& target, const std::vector<std::uint8_t>& bytes) {
  const std::string temporary = pack::TemporaryNameBeside(target.string());
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(temporary.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot write " + Quoted(temporary) + ": " + SystemReason(errno));
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  const int writeError = errno;
  const bool closed = std::fclose(file.release()) == 0;  // closed before it may be removed
  const int closeError = errno;
  if (!written || !closed) {
    pack::RemoveFileQuietly(temporary);
    throw std::runtime_error("cannot write " + Quoted(temporary) + ": " + SystemReason(written ? closeError : writeError));
  }
  try {
    pack::ReplaceFileWith(temporary, target.string());
  } catch (...) {
    pack::RemoveFileQuietly(temporary);
    throw;
  }
}

void PrepareFolder(const fs::path& dir, bool force) {
  std::error_code error;
  const fs::file_status status = fs::status(dir, error);
  if (fs::exists(status)) {
    if (!fs::is_directory(status)) throw std::runtime_error(Quoted(dir) + " is not a folder");
    const bool empty = fs::is_empty(dir, error);
    if (error) throw std::runtime_error("cannot read the folder " + Quoted(dir) + ": " + error.message());
    if (!empty && !force) {
      throw std::runtime_error("the folder " + Quoted(dir) + " is not empty (--force writes into it)");
    }
  }
  if (!fs::create_directories(dir / "pages", error) && error) {
    throw std::runtime_error("cannot make the folder " + Quoted(dir / "pages") + ": " + error.message());
  }
}

void RemoveIfPresent(const fs::path& path) {
  std::error_code error;
  if (!fs::remove(path, error) && error) throw std::runtime_error("cannot remove " + Quoted(path) + ": " + error.message());
}

// Page pictures of an earlier, longer book: "<number>.png" beyond the last page.
void RemovePagesBeyond(const fs::path& pagesDir, unsigned pages) {
  std::error_code error;
  std::vector<fs::path> stale;
  for (fs::directory_iterator it(pagesDir, error), end; !error && it != end; it.increment(error)) {
    const fs::path name = it->path().filename();
    const std::string stem = name.stem().string();
    if (name.extension() != ".png" || stem.empty() || stem.size() > 9 ||
        stem.find_first_not_of("0123456789") != std::string::npos || stem.front() == '0') {
      continue;
    }
    if (std::stoul(stem) > pages) stale.push_back(it->path());
  }
  if (error) throw std::runtime_error("cannot read the folder " + Quoted(pagesDir) + ": " + error.message());
  for (const fs::path& path : stale) RemoveIfPresent(path);
}

}  // namespace

std::string SamplePageName(unsigned page) { return "pages/" + std::to_string(page) + ".png"; }

TBytes SampleBookMovie(unsigned pages) {
  CheckPages(pages);
  const TSwfFrame frame{0, static_cast<std::int32_t>(kPageWidth) * kTwipsPerPixel, 0,
                        static_cast<std::int32_t>(kPageHeight) * kTwipsPerPixel};
  TSwfWriter movie(kSwfVersion, frame, kFrameRate, static_cast<std::uint16_t>(pages));
  movie.Background(kStageBackground).KeyButton(kButtonId, kButtonShapeId, PageKeys(pages)).Place(kButtonId, kButtonDepth);
  for (unsigned page = 1; page <= pages; ++page) {
    movie.DoAction(TSwfActions().GetUrl(SamplePageName(page), kPageLevel).Stop()).ShowFrame();
  }
  return movie.End().Fws();
}

std::string SampleExeConfig(const std::string& caption) {
  CheckCaption(caption);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
         "<ExeConfig>\r\n"
         "  <ExeCaption>" + CData(caption) + "</ExeCaption>\r\n"
         "  <WindowOpenMode>1</WindowOpenMode>\r\n"
         "  <WindowOpenWidth>" + std::to_string(kPageWidth) + "</WindowOpenWidth>\r\n"
         "  <WindowOpenHeight>" + std::to_string(kPageHeight) + "</WindowOpenHeight>\r\n"
         "</ExeConfig>\r\n";
}

void WriteSampleBook(const std::string& dir, const TSampleBookOptions& options) {
  // Everything is made before anything is written: bad options touch no file.
  std::vector<TBookFile> files;
  const TBytes movie = SampleBookMovie(options.Pages);
  const std::string config = SampleExeConfig(options.Caption);
  for (unsigned page = 1; page <= options.Pages; ++page) {
    files.push_back({SamplePageName(page), EncodePng(PagePicture(page))});
  }
  files.push_back({"ExeConfig.xml", std::vector<std::uint8_t>(config.begin(), config.end())});
  files.push_back({"book.swf", movie});

  const fs::path root(dir);
  PrepareFolder(root, options.Force);
  // Without the old main movie, a run that stops half-way leaves no book that plays old and
  // new pages mixed.
  RemoveIfPresent(root / "book.swf");
  RemovePagesBeyond(root / "pages", options.Pages);
  for (const TBookFile& file : files) WriteWhole(root / fs::path(file.Name), file.Bytes);
}

}  // namespace leafmark::tools
