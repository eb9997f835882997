// The few file-system facts every part of the player needs from the platform.
#pragma once

#include <string>

namespace leafmark {

// Full path of the running program's executable.
std::string OwnExecutablePath();

// True when name is an existing file (not a directory).
bool FileExists(const std::string& name);

}  // namespace leafmark
