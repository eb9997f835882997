// Moving a finished file over its destination in one step.
#pragma once

#include <string>

namespace leafmark::pack {

// Renames from to to, replacing to when it exists; throws std::runtime_error on failure.
void ReplaceFileWith(const std::string& from, const std::string& to);
// Removes name if it exists; never fails.
void RemoveFileQuietly(const std::string& name);
// A name beside target for the file being written.
std::string TemporaryNameBeside(const std::string& target);

}  // namespace leafmark::pack
