#pragma once

#include <cstdint>
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

// Applies a file to the tree of one root, as regedit imports it: key and value deletions are
// honoured; a key of another root is an error naming its line.
class RegTreeBuilder final : public RegFileSink {
 public:
  RegTreeBuilder(RootKey root, RegKey& tree, std::string source);
  void OnKey(RootKey root, std::string_view path, int line) override;
  void OnDeleteKey(RootKey root, std::string_view path, int line) override;
  void OnValue(RegValue&& value, int line) override;
  void OnDeleteValue(std::string_view name, int line) override;

 private:
  RootKey root_;
  RegKey& tree_;
  std::string source_;
  RegKey* current_ = nullptr;  // null after a deletion header: its values are ignored
  bool seenHeader_ = false;
  std::vector<RegKey*> cachedPath_;
  std::vector<std::string> cachedNames_;

  void CheckRoot(RootKey root, int line) const;
};

// Writes key and its subtree in regedit's version 5 format, as regedit exports it: UTF-16LE
// with BOM, CRLF line ends, hex data wrapped with a trailing backslash. fullPath is the key's
// path with its root ("HKEY_LOCAL_MACHINE" or "HKEY_LOCAL_MACHINE\SOFTWARE\Foo"). Every key
// gets a header, except a root without values of its own.
std::vector<std::uint8_t> FormatRegFile(const RegKey& key, std::string_view fullPath);

}  // namespace lintrove::platform
