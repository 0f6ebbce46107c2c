#include "platform/posix/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "base/error.h"
#include "platform/regfile/reg_file.h"

namespace lintrove::platform {
namespace {

[[noreturn]] void ThrowFileError(const std::filesystem::path& file, std::string_view what) {
  throw Error("Registrierungsdatei '" + file.string() + "': " + std::string(what) + " (" +
              std::strerror(errno) + ")");
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& file) {
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) ThrowFileError(file, "kann nicht gelesen werden");
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) ThrowFileError(file, "kann nicht gelesen werden");
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowFileError(file, "kann nicht gelesen werden");
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return bytes;
}

void WriteAll(int fd, std::span<const std::uint8_t> bytes, const std::filesystem::path& file) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowFileError(file, "kann nicht geschrieben werden");
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
}

// Serialises the commits of all processes on one file.
class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& lockFile)
      : fd_(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_.Get() < 0) ThrowFileError(lockFile, "kann nicht gesperrt werden");
    while (::flock(fd_.Get(), LOCK_EX) != 0) {
      if (errno != EINTR) ThrowFileError(lockFile, "kann nicht gesperrt werden");
    }
  }

 private:
  FileDescriptor fd_;  // closing it releases the lock
};

}  // namespace

RegistryStore::RegistryStore(RootKey root, std::filesystem::path file)
    : root_(root), file_(std::move(file)) {}

RegistryStore::FileStamp RegistryStore::StampOnDisk() const {
  struct stat info {};
  if (::stat(file_.c_str(), &info) != 0) return {};
  return {true, static_cast<std::uintmax_t>(info.st_dev), static_cast<std::uintmax_t>(info.st_ino),
          static_cast<std::uintmax_t>(info.st_size),
          std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec};
}

// Reads the file as it is now and replays this process's unwritten changes on top of it.
void RegistryStore::Load() {
  FileStamp stamp = StampOnDisk();
  auto tree = std::make_unique<RegKey>(std::string(RootKeyName(root_)));
  if (stamp.exists) {
    std::vector<std::uint8_t> bytes = ReadWholeFile(file_);
    RegTreeBuilder builder(root_, *tree, file_.string());
    ParseRegFile(bytes, file_.string(), builder);
  }
  for (const Change& change : journal_) Apply(*tree, change);
  tree_ = std::move(tree);
  stamp_ = stamp;
  ++generation_;
}

void RegistryStore::EnsureLoaded() {
  if (!tree_) Load();
}

void RegistryStore::Refresh() {
  if (!tree_ || StampOnDisk() != stamp_) Load();
}

RegKey* RegistryStore::Find(KeyPath path) const {
  RegKey* key = tree_.get();
  for (const std::string& name : path) {
    if (!key) break;
    key = key->FindSubkey(name);
  }
  return key;
}

const RegKey* RegistryStore::FindKey(KeyPath path) {
  EnsureLoaded();
  return Find(path);
}

void RegistryStore::Apply(RegKey& tree, const Change& change) {
  RegKey* key = &tree;
  if (change.kind == Change::Kind::CreateKey || change.kind == Change::Kind::SetValue) {
    for (const std::string& name : change.path) key = &key->AddSubkey(name);
    if (change.kind == Change::Kind::SetValue) {
      key->SetValue(change.value.name, change.value.type, std::span(change.value.data));
    }
    return;
  }
  std::span<const std::string> parentPath(change.path);
  if (change.kind == Change::Kind::DeleteKey) parentPath = parentPath.first(parentPath.size() - 1);
  for (const std::string& name : parentPath) {
    key = key->FindSubkey(name);
    if (!key) return;
  }
  if (change.kind == Change::Kind::DeleteKey) {
    key->RemoveSubkey(change.path.back());
  } else {
    key->RemoveValue(change.value.name);
  }
}

void RegistryStore::CreateKey(KeyPath path) {
  EnsureLoaded();
  if (Find(path)) return;
  Change change{Change::Kind::CreateKey, {path.begin(), path.end()}, {}};
  Apply(*tree_, change);
  journal_.push_back(std::move(change));
}

bool RegistryStore::SetValue(KeyPath path, RegValue value) {
  EnsureLoaded();
  if (!Find(path)) return false;
  Change change{Change::Kind::SetValue, {path.begin(), path.end()}, std::move(value)};
  Apply(*tree_, change);
  journal_.push_back(std::move(change));
  return true;
}

bool RegistryStore::DeleteValue(KeyPath path, std::string_view name) {
  EnsureLoaded();
  RegKey* key = Find(path);
  if (!key || !key->FindValue(name)) return false;
  Change change{Change::Kind::DeleteValue, {path.begin(), path.end()}, {std::string(name), 0, {}}};
  Apply(*tree_, change);
  journal_.push_back(std::move(change));
  return true;
}

bool RegistryStore::DeleteKey(KeyPath path) {
  EnsureLoaded();
  if (path.empty() || !Find(path)) return false;
  Change change{Change::Kind::DeleteKey, {path.begin(), path.end()}, {}};
  Apply(*tree_, change);
  journal_.push_back(std::move(change));
  ++generation_;
  return true;
}

void RegistryStore::Commit() {
  if (journal_.empty()) return;
  std::filesystem::path directory = file_.parent_path();
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  FileLock lock(directory / ("." + file_.filename().string() + ".lock"));
  if (!tree_ || StampOnDisk() != stamp_) Load();
  WriteFile();
  journal_.clear();
}

// Only ever called under the lock, so the temporary file has one writer at a time.
void RegistryStore::WriteFile() {
  std::vector<std::uint8_t> bytes = FormatRegFile(*tree_, RootKeyName(root_));
  std::filesystem::path temporary = file_;
  temporary += ".tmp";
  FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  if (fd.Get() < 0) ThrowFileError(temporary, "kann nicht geschrieben werden");
  struct stat old {};
  if (::stat(file_.c_str(), &old) == 0) ::fchmod(fd.Get(), old.st_mode & 07777);
  WriteAll(fd.Get(), bytes, temporary);
  if (::fsync(fd.Get()) != 0) ThrowFileError(temporary, "kann nicht geschrieben werden");
  if (::close(fd.Release()) != 0) ThrowFileError(temporary, "kann nicht geschrieben werden");
  if (::rename(temporary.c_str(), file_.c_str()) != 0) {
    ThrowFileError(file_, "kann nicht ersetzt werden");
  }
  FileDescriptor directory(::open(file_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Get() >= 0) ::fsync(directory.Get());
  stamp_ = StampOnDisk();
}

}  // namespace lintrove::platform
