#include "platform/posix/wine_prefix_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "platform/posix/freshness_check.h"
#include "platform/posix/posix_registry.h"

namespace lintrove::platform {
namespace {

constexpr int kReadAttempts = 20;

struct FileStamp {
  bool exists = false;
  std::uintmax_t device = 0, inode = 0, size = 0;
  std::int64_t modifiedNs = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& info) {
  return {true, static_cast<std::uintmax_t>(info.st_dev), static_cast<std::uintmax_t>(info.st_ino),
          static_cast<std::uintmax_t>(info.st_size),
          std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec};
}

FileStamp StampOnDisk(const std::filesystem::path& file) {
  struct stat info {};
  if (::stat(file.c_str(), &info) != 0) return {};
  return StampOf(info);
}

[[noreturn]] void ThrowUnreadable(const std::filesystem::path& file) {
  throw Error(Format(LoadResString(ResString::RegistryFileUnreadable), file.string(),
                     std::strerror(errno)));
}

// The file's bytes and the stamp of the file they were read from.
std::vector<std::uint8_t> ReadFile(const std::filesystem::path& file, FileStamp& stamp) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) ThrowUnreadable(file);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0) ThrowUnreadable(file);
  stamp = StampOf(info);
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowUnreadable(file);
    if (n == 0) break;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return bytes;
}

// Whether the file keeps these bytes, read at this stamp, over two more looks a pause apart. The
// bytes are compared too, for a file rewritten in place at its old size within one tick of the
// file system's clock keeps its stamp; and two looks, for a writer may pass the same
// half-written state again.
bool StaysAsRead(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes,
                 const FileStamp& stamp, std::chrono::milliseconds pause) {
  for (int look = 0; look < 2; ++look) {
    std::this_thread::sleep_for(pause);
    FileStamp again;
    if (StampOnDisk(file) != stamp || ReadFile(file, again) != bytes) return false;
  }
  return true;
}

class ReadOnlyKey final : public RegistryKeyHandle {
 public:
  ReadOnlyKey(std::shared_ptr<const WineRegistryFile> file, const RegKey& key)
      : file_(std::move(file)), key_(key) {}

  std::vector<std::string> SubkeyNames() const override {
    std::vector<std::string> names;
    names.reserve(key_.Subkeys().size());
    for (const auto& subkey : key_.Subkeys()) names.push_back(subkey->Name());
    return names;
  }

  std::vector<std::string> ValueNames() const override {
    std::vector<std::string> names;
    names.reserve(key_.Values().size());
    for (const RegValue& value : key_.Values()) names.push_back(value.name);
    return names;
  }

  std::optional<RegistryData> QueryValue(std::string_view name) const override {
    const RegValue* value = key_.FindValue(name);
    if (!value) return std::nullopt;
    return RegistryData{value->type, value->data};
  }

  bool SetValue(std::string_view, std::uint32_t, std::span<const std::uint8_t>) override {
    return false;
  }
  bool DeleteValue(std::string_view) override { return false; }

 private:
  std::shared_ptr<const WineRegistryFile> file_;  // keeps key_ alive after a newer read
  const RegKey& key_;
};

}  // namespace

// One registry file of the prefix as last read. A key handed out keeps the read it came from.
class WinePrefixRegistry::Hive {
 public:
  Hive(std::filesystem::path file, bool required) : file_(std::move(file)), required_(required) {}

  FreshnessCheck& Freshness() { return freshness_; }

  std::shared_ptr<const WineRegistryFile> Current(std::chrono::milliseconds retryPause) {
    if (const bool due = freshness_.Due(); read_ && !due) return read_;
    const FileStamp onDisk = StampOnDisk(file_);
    if (read_ && onDisk == stamp_) return read_;
    if (!onDisk.exists && !required_) {
      read_ = std::make_shared<WineRegistryFile>();
      stamp_ = onDisk;
      return read_;
    }
    for (int attempt = 1;; ++attempt) {
      FileStamp readFrom;
      const std::vector<std::uint8_t> bytes = ReadFile(file_, readFrom);
      const bool changedWhileRead = StampOnDisk(file_) != readFrom;
      if (!changedWhileRead) {
        try {
          read_ = std::make_shared<WineRegistryFile>(ParseWineRegistryFile(bytes, file_.string()));
          stamp_ = readFrom;
          return read_;
        } catch (const Error&) {
          // A fault in a file that stays as it is is the file's own; one that a writer is still
          // changing may be half written.
          if (attempt == kReadAttempts || StaysAsRead(file_, bytes, readFrom, retryPause)) throw;
          continue;
        }
      }
      if (attempt == kReadAttempts) {
        errno = EBUSY;
        ThrowUnreadable(file_);
      }
      std::this_thread::sleep_for(retryPause);
    }
  }

 private:
  std::filesystem::path file_;
  bool required_;
  std::shared_ptr<const WineRegistryFile> read_;
  FileStamp stamp_;
  FreshnessCheck freshness_;
};

WinePrefixRegistry::WinePrefixRegistry(std::filesystem::path prefix)
    : prefix_(std::move(prefix)),
      machine_(std::make_unique<Hive>(prefix_ / "system.reg", true)),
      user_(std::make_unique<Hive>(prefix_ / "user.reg", false)) {
  if (!StampOnDisk(prefix_ / "system.reg").exists) {
    throw Error(Format(LoadResString(ResString::WinePrefixWithoutRegistry), prefix_.string(),
                       "system.reg"));
  }
}

WinePrefixRegistry::~WinePrefixRegistry() = default;

std::unique_ptr<RegistryBackend::StateHold> WinePrefixRegistry::HoldState() {
  machine_->Freshness().Hold();
  user_->Freshness().Hold();
  return std::make_unique<StateHold>([this] {
    machine_->Freshness().Release();
    user_->Freshness().Release();
  });
}

WinePrefixRegistry::Hive& WinePrefixRegistry::HiveOf(RootKey root) {
  return root == RootKey::CurrentUser ? *user_ : *machine_;
}

bool WinePrefixRegistry::IsWin64() {
  const auto machine = machine_->Current(retryPause_);
  if (machine->win64) return *machine->win64;
  const std::string wow[] = {"Software", std::string(kWow6432Node)};
  return machine->FindKey(wow) != nullptr;
}

std::unique_ptr<RegistryKeyHandle> WinePrefixRegistry::OpenKey(RootKey root, std::string_view path,
                                                               RegistryView view,
                                                               KeyAccess access) {
  if (access != KeyAccess::Read) return nullptr;
  auto components = SplitKeyPath(path);
  if (!components) return nullptr;
  if (IsWin64()) *components = MapToView(root, std::move(*components), view);
  auto file = HiveOf(root).Current(retryPause_);
  const RegKey* key = file->FindKey(*components);
  if (!key) return nullptr;
  return std::make_unique<ReadOnlyKey>(std::move(file), *key);
}

bool WinePrefixRegistry::DeleteKey(RootKey, std::string_view, RegistryView) { return false; }

void WinePrefixRegistry::Import(std::vector<std::uint8_t>, std::string_view, RegistryView) {
  throw Error(Format(LoadResString(ResString::WineRegistryReadOnly), prefix_.string()));
}

}  // namespace lintrove::platform
