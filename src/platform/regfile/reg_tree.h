#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lintrove::platform {

// Folds a key or value name for comparison the way the registry does: without regard to case
// (upper-case mapping, so that the order of subkeys is the one Windows enumerates).
std::string RegistryNameKey(std::string_view name);

struct RegValue {
  std::string name;  // as stored, case kept; the empty name is the default value ("@")
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;  // exactly the bytes Windows keeps (strings as UTF-16LE)
};

// One key of the in-memory registry tree. Subkeys are kept sorted by their folded name, which
// is both the lookup order and the enumeration order; values keep their insertion order.
class RegKey {
 public:
  explicit RegKey(std::string name);

  const std::string& Name() const { return name_; }
  const std::string& FoldedName() const { return folded_; }

  // Subkeys.
  const std::vector<std::unique_ptr<RegKey>>& Subkeys() const { return subkeys_; }
  RegKey* FindSubkey(std::string_view name) const;
  RegKey& AddSubkey(std::string_view name);  // returns the existing one when present
  bool RemoveSubkey(std::string_view name);  // removes the whole subtree

  // Values.
  const std::vector<RegValue>& Values() const { return values_; }
  const RegValue* FindValue(std::string_view name) const;
  // Replaces the data of an existing value in place (keeping its name's case and position) or
  // appends a new one.
  void SetValue(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data);
  void SetValue(std::string_view name, std::uint32_t type, std::vector<std::uint8_t>&& data);
  void SetValue(RegValue&& value);
  bool RemoveValue(std::string_view name);

 private:
  std::string name_;
  std::string folded_;
  std::vector<std::unique_ptr<RegKey>> subkeys_;
  std::vector<RegValue> values_;
  // Folded name to position in values_, kept only for keys with many values (SharedDLLs has
  // thousands), so that loading such a key does not compare every new name with all before it.
  // Held by pointer: the other keys, nearly all of them, pay one pointer for it.
  std::unique_ptr<std::unordered_map<std::string, std::size_t>> valueIndex_;

  std::size_t FindValueIndex(std::string_view name) const;
  void BuildValueIndex();
};

}  // namespace lintrove::platform
