// The few file-system facts the archive reader needs from the platform.
#pragma once

#include <string>

namespace leafmark {

// Full path of the running program's executable.
std::string OwnExecutablePath();

// True when name is an existing file (not a directory).
bool FileExists(const std::string& name);

}  // namespace leafmark
