// Lookups of archive entries by name. They never fail outwards: any failure is an absent name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/stream.h"

namespace leafmark {

// The entry number for name (compared without regard to case); 0 when absent or on failure.
std::int32_t GetEntryNumber(const std::string& name, const std::string& archiveFile = "");

// Writes the named entry at stream's position; nothing when absent. Bytes already written
// stay when a copy fails halfway.
void ReadEntryToStream(const std::string& name, TStream& stream, const std::string& archiveFile = "");

// A new memory stream holding the named entry, positioned at its end; null when absent.
std::unique_ptr<TMemoryStream> ReadEntryToMemory(const std::string& name, const std::string& archiveFile = "");

}  // namespace leafmark
