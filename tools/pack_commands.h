// The commands of leafmark-pack; each takes the arguments after its name and returns the
// process exit code.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace leafmark::pack {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // bad input or a failed check
inline constexpr int kExitUsage = 2;

// A command line that does not fit the command; the message says what is wrong.
class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

int RunCreate(const std::vector<std::string>& args);
int RunList(const std::vector<std::string>& args);
int RunExtract(const std::vector<std::string>& args);
int RunVerify(const std::vector<std::string>& args);
int RunInspect(const std::vector<std::string>& args);
int RunExportWeb(const std::vector<std::string>& args);

// Refuses (std::runtime_error naming both) a runtime image that is not a DLL or whose machine
// differs from the player's.
void CheckRuntimeImage(const std::string& runtimeFile, const std::string& playerFile);

}  // namespace leafmark::pack
