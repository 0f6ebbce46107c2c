#include "platform/posix/registry_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "platform/regfile/reg_file.h"

namespace lintrove::platform {
namespace {

// message is a numbered text with the file and the system's reason in it.
[[noreturn]] void ThrowFileError(int message, const std::filesystem::path& file) {
  const std::string reason = std::strerror(errno);
  throw Error(Format(LoadResString(message), file.string(), reason));
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
  if (fd.Get() < 0) ThrowFileError(ResString::RegistryFileUnreadable, file);
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0) ThrowFileError(ResString::RegistryFileUnreadable, file);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::read(fd.Get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowFileError(ResString::RegistryFileUnreadable, file);
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
    if (n < 0) ThrowFileError(ResString::RegistryFileUnwritable, file);
    bytes = bytes.subspan(static_cast<std::size_t>(n));
  }
}

}  // namespace

// Serialises the commits of all processes on one file.
class RegistryFileLock {
 public:
  explicit RegistryFileLock(const std::filesystem::path& lockFile)
      : fd_(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_.Get() < 0) ThrowFileError(ResString::RegistryFileNotLocked, lockFile);
    while (::flock(fd_.Get(), LOCK_EX) != 0) {
      if (errno != EINTR) ThrowFileError(ResString::RegistryFileNotLocked, lockFile);
    }
  }

 private:
  FileDescriptor fd_;  // closing it releases the lock
};

RegistryStore::RegistryStore(RootKey root, std::filesystem::path file)
    : root_(root), file_(std::move(file)) {}

RegistryStore::FileStamp RegistryStore::StampOnDisk() const {
  struct stat info {};
  if (::stat(file_.c_str(), &info) != 0) return {};
  return {true, static_cast<std::uintmax_t>(info.st_dev), static_cast<std::uintmax_t>(info.st_ino),
          static_cast<std::uintmax_t>(info.st_size),
          std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec};
}

std::filesystem::path RegistryStore::TemporaryFile() const {
  std::filesystem::path temporary = file_;
  temporary += ".tmp";
  return temporary;
}

std::filesystem::path RegistryStore::LockFile() const {
  return file_.parent_path() / ("." + file_.filename().string() + ".lock");
}

// Outside a commit, which holds the lock, a temporary file is one a writer left when it died.
// Removing it is tidying up: a store that cannot be locked here (a directory this process may
// not write) is still read.
void RegistryStore::RemoveStaleTemporaryFile(bool locked) {
  if (checkedForStaleTemporary_) return;
  checkedForStaleTemporary_ = true;
  std::error_code error;
  if (!std::filesystem::exists(TemporaryFile(), error)) return;
  if (locked) {
    std::filesystem::remove(TemporaryFile(), error);
    return;
  }
  try {
    RegistryFileLock lock(LockFile());
    std::filesystem::remove(TemporaryFile(), error);
  } catch (const Error&) {
    checkedForStaleTemporary_ = false;
  }
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
  if (tree_) return;
  RemoveStaleTemporaryFile(false);
  Load();
}

void RegistryStore::Refresh() {
  // The first read while held counts as the one look at the file.
  const bool due = freshness_.Due();
  if (!tree_) {
    EnsureLoaded();
  } else if (due && StampOnDisk() != stamp_) {
    Load();
  }
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
  for (const std::string& name : path) CheckKeyName(name);
  if (path.size() > kMaxKeyDepth) {
    std::string joined;
    for (const std::string& name : path) joined.append(joined.empty() ? "" : "\\").append(name);
    CheckKeyDepth(path.size(), joined);
  }
  EnsureLoaded();
  if (Find(path)) return;
  Change change{Change::Kind::CreateKey, {path.begin(), path.end()}, {}};
  Apply(*tree_, change);
  journal_.push_back(std::move(change));
}

bool RegistryStore::SetValue(KeyPath path, RegValue value) {
  CheckValueName(value.name);
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
  std::error_code error;
  std::filesystem::create_directories(file_.parent_path(), error);
  RegistryFileLock lock(LockFile());
  if (!tree_ || StampOnDisk() != stamp_) Load();
  WriteTemporaryFile();
  ReplaceWithTemporaryFile();
  journal_.clear();
}

// Only ever called under the lock, so the temporary file has one writer at a time.
void RegistryStore::WriteTemporaryFile() {
  const std::filesystem::path temporary = TemporaryFile();
  try {
    std::vector<std::uint8_t> bytes = FormatRegFile(*tree_, RootKeyName(root_));
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (fd.Get() < 0) ThrowFileError(ResString::RegistryFileUnwritable, temporary);
    struct stat old {};
    if (::stat(file_.c_str(), &old) == 0) ::fchmod(fd.Get(), old.st_mode & 07777);
    WriteAll(fd.Get(), bytes, temporary);
    if (::fsync(fd.Get()) != 0) ThrowFileError(ResString::RegistryFileUnwritable, temporary);
    if (::close(fd.Release()) != 0) ThrowFileError(ResString::RegistryFileUnwritable, temporary);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    throw;
  }
}

void RegistryStore::ReplaceWithTemporaryFile() {
  if (::rename(TemporaryFile().c_str(), file_.c_str()) != 0) {
    ThrowFileError(ResString::RegistryFileNotReplaced, file_);
  }
  FileDescriptor directory(::open(file_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.Get() >= 0) ::fsync(directory.Get());
  stamp_ = StampOnDisk();
}

RegistryStore::Transaction::Transaction(RegistryStore& store) : store_(store) {
  std::error_code error;
  std::filesystem::create_directories(store_.file_.parent_path(), error);
  lock_ = std::make_unique<RegistryFileLock>(store_.LockFile());
}

RegistryStore::Transaction::~Transaction() {
  if (!used_ || committed_) return;
  if (prepared_) {
    std::error_code ignored;
    std::filesystem::remove(store_.TemporaryFile(), ignored);
  }
  // The tree holds changes that are not to be kept; the file and the journal still have what is.
  store_.tree_.reset();
  ++store_.generation_;
}

RegKey& RegistryStore::Transaction::Tree() {
  if (!used_) {
    store_.RemoveStaleTemporaryFile(true);
    if (!store_.tree_ || store_.StampOnDisk() != store_.stamp_) store_.Load();
    used_ = true;
  }
  return *store_.tree_;
}

void RegistryStore::Transaction::Prepare() {
  if (!used_ || prepared_) return;
  store_.WriteTemporaryFile();
  prepared_ = true;
}

void RegistryStore::Transaction::Commit() {
  if (!used_) return;
  Prepare();
  store_.ReplaceWithTemporaryFile();
  store_.journal_.clear();
  committed_ = true;
  // Keys may have gone.
  ++store_.generation_;
}

}  // namespace lintrove::platform
