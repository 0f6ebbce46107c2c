#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/regfile/reg_tree.h"
#include "platform/registry_types.h"

namespace lintrove::platform {

// Receives what a regedit file says, in file order.
class RegFileSink {
 public:
  virtual ~RegFileSink() = default;
  // A key header "[ROOT\path]". path is relative to the root, its components joined by "\"
  // as written (empty for the root itself). HKEY_CLASSES_ROOT arrives as LocalMachine with
  // "SOFTWARE\Classes" in front.
  virtual void OnKey(RootKey root, std::string_view path, int line) = 0;
  // "[-ROOT\path]": the key and everything below it go.
  virtual void OnDeleteKey(RootKey root, std::string_view path, int line) = 0;
  // A value of the key of the last OnKey.
  virtual void OnValue(RegValue&& value, int line) = 0;
  // "name"=- or @=-
  virtual void OnDeleteValue(std::string_view name, int line) = 0;
};

// The error for a file that cannot be read: names the file, the line and what was wrong.
[[noreturn]] void ThrowRegFileError(std::string_view source, int line, std::string_view what);

// Reads a "Windows Registry Editor Version 5.00" file (UTF-16LE with BOM, or UTF-8) or a
// "REGEDIT4" file. source names the file in error messages. Throws Error, and the sink has
// then seen only the lines before the faulty one.
void ParseRegFile(std::span<const std::uint8_t> bytes, std::string_view source, RegFileSink& sink);

// Applies a file to registry trees as regedit imports it: key and value deletions are honoured.
// A key path beyond the registry's limits is an error naming its line, as is anything the trees'
// provider throws.
class RegTreeBuilder final : public RegFileSink {
 public:
  // Gives the tree of a root when the file first names it.
  using TreeOfRoot = std::function<RegKey&(RootKey root)>;

  // Loads one root's file: a key of another root is an error; an empty name in a key path (a
  // doubled separator) is passed over, as it names no key.
  RegTreeBuilder(RootKey root, RegKey& tree, std::string source);
  // Imports a file: keys go where the view keeps them (the 32-bit view has HKLM\SOFTWARE in its
  // WOW6432Node), and a key path with an empty name is an error, as the registry refuses it.
  RegTreeBuilder(TreeOfRoot treeOfRoot, std::string source, RegistryView view);

  void OnKey(RootKey root, std::string_view path, int line) override;
  void OnDeleteKey(RootKey root, std::string_view path, int line) override;
  void OnValue(RegValue&& value, int line) override;
  void OnDeleteValue(std::string_view name, int line) override;

 private:
  TreeOfRoot treeOfRoot_;
  std::string source_;
  RegistryView view_;
  bool refuseEmptyNames_ = true;
  RegKey* trees_[2] = {};      // by root, once asked for
  RegKey* current_ = nullptr;  // null after a deletion header: its values are ignored
  bool seenHeader_ = false;
  std::vector<std::string_view> components_;  // of the header being applied
  RegKey* cachedTree_ = nullptr;
  std::vector<RegKey*> cachedPath_;
  std::vector<std::string> cachedNames_;

  RegKey& Tree(RootKey root);
  void SplitPath(RootKey root, std::string_view path);
  void AddKey(RegKey& tree);
  void DeleteKey(RegKey& tree);
  [[noreturn]] void Fail(int line, std::string_view what) const;
};

// Writes key and its subtree in regedit's version 5 format, as regedit exports it: UTF-16LE
// with BOM, CRLF line ends, hex data wrapped with a trailing backslash. fullPath is the key's
// path with its root ("HKEY_LOCAL_MACHINE" or "HKEY_LOCAL_MACHINE\SOFTWARE\Foo"). Every key
// gets a header, except a root without values of its own.
std::vector<std::uint8_t> FormatRegFile(const RegKey& key, std::string_view fullPath);

}  // namespace lintrove::platform
