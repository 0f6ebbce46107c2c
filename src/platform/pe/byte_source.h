#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>

namespace lintrove::platform {

// Bytes read at any offset, so that a reader takes from a large file only the parts it looks
// at. Not for use by two threads at once.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Fills out from offset; throws lintrove::Error when the source cannot give all of it.
  virtual void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::span<const std::uint8_t> bytes_;
};

// An open file; its size is the one it had when opened.
class FileByteSource final : public ByteSource {
 public:
  // Throws lintrove::Error naming the file when it cannot be opened.
  explicit FileByteSource(const std::filesystem::path& path);
  std::uint64_t Size() const override { return size_; }
  void ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override;

 private:
  std::filesystem::path path_;
  std::ifstream file_;
  std::uint64_t size_ = 0;
};

}  // namespace lintrove::platform
