// A fresh directory for one test, removed with everything in it when the test ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace leafmark::test {

class TTempDir {
 public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  const std::string& Path() const { return path_; }
  // path/name with the platform's separator.
  std::string File(const std::string& name) const;

 private:
  std::string path_;
};

void WriteFileBytes(const std::string& name, const std::vector<std::uint8_t>& bytes);
void WriteFileText(const std::string& name, const std::string& text);
std::vector<std::uint8_t> ReadFileBytes(const std::string& name);

}  // namespace leafmark::test
