// The player's answers to the runtime's requests for a book's files (app/resource_requests.cpp),
// step for step, made with either kind of look-up:
//   Cached:   the look-ups the player uses: the book checked once while it keeps its identity,
//             a file opened by path served where it lies (OpenEntryStream);
//   Uncached: the look-ups as they were before: each builds its own TExeExtReader, which reads
//             the trailer again and, for a book with a digest, hashes it again; a file opened
//             by path is copied whole into memory.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"

namespace leafmark::bench {

enum class TLookups { Cached, Uncached };

// One look-up of an entry's number by name (0: absent), the step every answer starts with.
std::int32_t LookUpEntry(TLookups lookups, const std::string& book, const std::string& name);

// OnLoadExternalResourceEx ("To load url 333"): a present entry is written into stream.
void AnswerUrl(TLookups lookups, const std::string& book, const std::wstring& url, std::unique_ptr<TStream>& stream,
               bool& handled);
// OnLoadExternalResourceAsync ("To load url 44"): a new stream serving the entry, or none.
void AnswerPath(TLookups lookups, const std::string& book, const std::wstring& path, std::unique_ptr<TStream>& stream);

}  // namespace leafmark::bench
