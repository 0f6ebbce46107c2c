#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/posix/freshness_check.h"
#include "platform/regfile/reg_tree.h"
#include "platform/registry_types.h"

namespace lintrove::platform {

class RegistryFileLock;

// One root's registry file: its tree in memory, kept in step with the file on disk.
//
// Changes apply to the tree at once and are kept in a journal until Commit writes the file.
// A commit takes an advisory lock, re-reads the file when another process replaced it since
// it was read (replaying the journal on top, so neither process drops the other's changes),
// writes a temporary file beside it, flushes it and renames it over the old one: a reader or a
// crash never sees half a file. A file that cannot be parsed is reported and never written.
// A temporary file that a killed writer left is removed when a process first reads the file.
class RegistryStore {
 public:
  using KeyPath = std::span<const std::string>;

  // Bulk changes made to the tree in place, under the file's lock held from start to end: the
  // file cannot change meanwhile, so the changes need no journal. Commit writes them (with this
  // process's pending changes); without it the store forgets them and reads the file again.
  class Transaction {
   public:
    explicit Transaction(RegistryStore& store);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // The tree, read first where needed. Throws when the file cannot be read or parsed.
    RegKey& Tree();
    // Writes the temporary file, when the tree was changed; Commit then only renames it. A
    // failure leaves the old file as it was.
    void Prepare();
    void Commit();

   private:
    RegistryStore& store_;
    std::unique_ptr<RegistryFileLock> lock_;
    bool used_ = false;
    bool prepared_ = false;
    bool committed_ = false;
  };

  RegistryStore(RootKey root, std::filesystem::path file);

  RootKey Root() const { return root_; }
  const std::filesystem::path& File() const { return file_; }

  // Re-reads the file when it changed on disk since it was read; while held, only the first
  // time. Throws when it cannot be read or parsed.
  void Refresh();
  void Hold() { freshness_.Hold(); }
  void Release() { freshness_.Release(); }
  // Null when the key does not exist. Reads the file first if it was never read.
  const RegKey* FindKey(KeyPath path);
  // Changes whenever a key found before may have gone: the file was read anew or a key was
  // deleted. Until then a key found stays valid, so a holder need not look it up again.
  std::uint64_t Generation() const { return generation_; }

  // Both throw Error for a path or name beyond the registry's limits.
  void CreateKey(KeyPath path);
  // False when the key does not exist.
  bool SetValue(KeyPath path, RegValue value);
  bool DeleteValue(KeyPath path, std::string_view name);
  bool DeleteKey(KeyPath path);

  // Writes the pending changes, if any.
  void Commit();

 private:
  struct FileStamp {
    bool exists = false;
    std::uintmax_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
  };
  struct Change {
    enum class Kind { CreateKey, SetValue, DeleteValue, DeleteKey } kind;
    std::vector<std::string> path;
    RegValue value;  // the name alone for DeleteValue
  };

  FileStamp StampOnDisk() const;
  void Load();
  void EnsureLoaded();
  std::filesystem::path TemporaryFile() const;
  std::filesystem::path LockFile() const;
  void RemoveStaleTemporaryFile(bool locked);
  void WriteTemporaryFile();
  void ReplaceWithTemporaryFile();
  RegKey* Find(KeyPath path) const;
  static void Apply(RegKey& tree, const Change& change);

  RootKey root_;
  std::filesystem::path file_;
  std::unique_ptr<RegKey> tree_;  // null until the file was read successfully
  FileStamp stamp_;
  FreshnessCheck freshness_;
  std::vector<Change> journal_;
  std::uint64_t generation_ = 0;
  bool checkedForStaleTemporary_ = false;
};

}  // namespace lintrove::platform
