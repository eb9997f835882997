// Seekable byte streams shared by every subsystem: the abstract stream, memory and file kinds.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace leafmark {

// A failed stream operation (short read, failed write or seek, file that cannot be opened).
class EStreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TSeekOrigin { Beginning, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Reads up to count bytes; returns how many were read (0 at the end).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes up to count bytes; returns how many were written.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // Moves the position; returns the new position from the beginning.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

  virtual std::int64_t Size();
  std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::Beginning); }

  // Exactly count bytes or EStreamError.
  void ReadBuffer(void* buffer, std::int64_t count);
  void WriteBuffer(const void* buffer, std::int64_t count);
  // Copies count bytes from source's position to this stream's position.
  void CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream final : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<std::uint8_t> bytes) : data_(std::move(bytes)) {}

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }

  void SetSize(std::int64_t size);
  void Clear();
  const std::uint8_t* Memory() const { return data_.data(); }
  const std::vector<std::uint8_t>& Bytes() const { return data_; }
  std::string Text() const { return std::string(data_.begin(), data_.end()); }

 private:
  std::vector<std::uint8_t> data_;
  std::int64_t position_ = 0;
};

// A file opened through the platform's file functions.
// What tells one state of a file from another without reading it: which file it is (volume
// and file number where the system gives them) and its size and last write.
struct TFileIdentity {
  std::uint64_t Volume = 0;
  std::uint64_t FileNumber = 0;
  std::int64_t Size = 0;
  std::int64_t LastWrite = 0;  // ns since 1970-01-01 UTC, as precise as the file system keeps it
  bool operator==(const TFileIdentity&) const = default;
};

class TFileStream final : public TStream {
 public:
  enum class TMode { Read, Create };
  // Read: opened for reading, shared for reading, writing and deletion with everyone.
  // Create: created or truncated for writing.
  TFileStream(const std::string& fileName, TMode mode);
  ~TFileStream() override;

  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void Flush();
  // The open file's identity now; raises EStreamError when the system will not say.
  TFileIdentity Identity() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> impl_;
};

}  // namespace leafmark
