#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace lintrove::platform {

// The limits Windows sets on what a registry holds; names are counted in UTF-16 units.
inline constexpr std::size_t kMaxKeyDepth = 512;  // keys below the root, the root not counted
inline constexpr std::size_t kMaxKeyNameLength = 255;
inline constexpr std::size_t kMaxValueNameLength = 16383;

// Throw Error, with the registry's message, for a name it cannot keep: too long, or not UTF-8
// (the files hold UTF-16, so such a name would come back as another one).
void CheckKeyName(std::string_view name);
void CheckValueName(std::string_view name);
// Throws Error when a key depth levels below its root is deeper than the registry allows; path
// names the key in the message.
void CheckKeyDepth(std::size_t depth, std::string_view path);

// Folds a key or value name for comparison the way the registry does: without regard to case
// (upper-case mapping, so that the order of subkeys is the one Windows enumerates).
std::string RegistryNameKey(std::string_view name);

struct RegValue {
  std::string name;  // as stored, case kept; the empty name is the default value ("@")
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;  // exactly the bytes Windows keeps (strings as UTF-16LE)
};

// One key of the in-memory registry tree. Subkeys enumerate sorted by their folded name; values
// keep their insertion order. A tree is used by one thread at a time: even reading may sort.
class RegKey {
 public:
  explicit RegKey(std::string name);
  // Frees the subtree without recursion, so that no depth of keys can exhaust the stack.
  ~RegKey();
  RegKey(RegKey&&) noexcept;
  RegKey& operator=(RegKey&&) noexcept;

  const std::string& Name() const { return name_; }
  const std::string& FoldedName() const { return folded_; }

  // Subkeys, in order.
  const std::vector<std::unique_ptr<RegKey>>& Subkeys() const;
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
  struct SubkeyIndex;

  std::string name_;
  std::string folded_;
  // Sorted, except that a key with many subkeys takes new ones in any order at the end and sorts
  // them when the order is asked for: inserting each in place would move all after it, which
  // makes loading a key whose subkeys come unordered quadratic.
  mutable std::vector<std::unique_ptr<RegKey>> subkeys_;
  // Made for a key with many subkeys once one arrives out of order; finds subkeys while the
  // vector is not sorted.
  mutable std::unique_ptr<SubkeyIndex> subkeyIndex_;
  std::vector<RegValue> values_;
  // Folded name to position in values_, kept only for keys with many values (SharedDLLs has
  // thousands), so that loading such a key does not compare every new name with all before it.
  // Held by pointer: the other keys, nearly all of them, pay one pointer for it.
  std::unique_ptr<std::unordered_map<std::string, std::size_t>> valueIndex_;

  std::size_t FindValueIndex(std::string_view name) const;
  void BuildValueIndex();
  void BuildSubkeyIndex();
  void SortSubkeys() const;
};

}  // namespace lintrove::platform
