#include "platform/regfile/reg_tree.h"

#include <algorithm>

#include "base/text.h"
#include "platform/unicode.h"

namespace lintrove::platform {
namespace {

// Below this many values a linear scan is cheaper than keeping an index.
constexpr std::size_t kIndexedValueCount = 32;
constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool IsAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

// Equal names without building their folded forms, which would cost an allocation for most
// names; only a non-ASCII rest is folded.
bool NamesEqual(std::string_view a, std::string_view b) {
  std::size_t i = 0;
  for (; i < a.size() && i < b.size(); ++i) {
    if (!IsAscii(a[i]) || !IsAscii(b[i])) {
      return RegistryNameKey(a.substr(i)) == RegistryNameKey(b.substr(i));
    }
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  }
  return a.size() == b.size();
}

bool FoldedLess(const std::unique_ptr<RegKey>& key, std::string_view folded) {
  return key->FoldedName() < folded;
}

}  // namespace

std::string RegistryNameKey(std::string_view name) {
  std::string folded(name);
  std::size_t asciiEnd = 0;
  for (; asciiEnd < folded.size() && IsAscii(folded[asciiEnd]); ++asciiEnd) {
    folded[asciiEnd] = UpperAscii(folded[asciiEnd]);
  }
  if (asciiEnd == folded.size()) return folded;

  // The upper case of a non-ASCII character may be longer or shorter in UTF-8.
  folded.resize(asciiEnd);
  std::size_t i = asciiEnd;
  while (i < name.size()) {
    if (IsAscii(name[i])) {
      folded.push_back(UpperAscii(name[i++]));
      continue;
    }
    const std::size_t start = i;
    const std::optional<char32_t> character = NextUtf8Character(name, i);
    if (!character) {
      // Not UTF-8: the bytes stand for themselves, so that distinct names stay distinct.
      folded.append(name.substr(start, i - start));
      continue;
    }
    AppendUtf8Character(UpperCaseOf(*character), folded);
  }
  return folded;
}

RegKey::RegKey(std::string name) : name_(std::move(name)), folded_(RegistryNameKey(name_)) {}

RegKey* RegKey::FindSubkey(std::string_view name) const {
  const std::string folded = RegistryNameKey(name);
  const auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), folded, FoldedLess);
  return it != subkeys_.end() && (*it)->folded_ == folded ? it->get() : nullptr;
}

RegKey& RegKey::AddSubkey(std::string_view name) {
  // Made before the lookup, as it folds the name once for both: in a file being loaded the key
  // is nearly always new.
  auto subkey = std::make_unique<RegKey>(std::string(name));
  auto it = subkeys_.end();
  // Exports list subkeys in order, so a new key usually belongs at the end.
  if (!subkeys_.empty() && !(subkeys_.back()->folded_ < subkey->folded_)) {
    it = std::lower_bound(subkeys_.begin(), subkeys_.end(), subkey->folded_, FoldedLess);
    if ((*it)->folded_ == subkey->folded_) return **it;
  }
  return **subkeys_.insert(it, std::move(subkey));
}

bool RegKey::RemoveSubkey(std::string_view name) {
  const std::string folded = RegistryNameKey(name);
  const auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), folded, FoldedLess);
  if (it == subkeys_.end() || (*it)->folded_ != folded) return false;
  subkeys_.erase(it);
  return true;
}

std::size_t RegKey::FindValueIndex(std::string_view name) const {
  if (valueIndex_) {
    const auto it = valueIndex_->find(RegistryNameKey(name));
    return it == valueIndex_->end() ? kNotFound : it->second;
  }
  for (std::size_t i = 0; i < values_.size(); ++i) {
    if (NamesEqual(values_[i].name, name)) return i;
  }
  return kNotFound;
}

const RegValue* RegKey::FindValue(std::string_view name) const {
  const std::size_t index = FindValueIndex(name);
  return index == kNotFound ? nullptr : &values_[index];
}

void RegKey::SetValue(RegValue&& value) {
  if (valueIndex_) {
    const auto [it, added] = valueIndex_->try_emplace(RegistryNameKey(value.name), values_.size());
    if (added) {
      values_.push_back(std::move(value));
    } else {
      values_[it->second].type = value.type;
      values_[it->second].data = std::move(value.data);
    }
    return;
  }
  const std::size_t index = FindValueIndex(value.name);
  if (index != kNotFound) {
    values_[index].type = value.type;
    values_[index].data = std::move(value.data);
    return;
  }
  values_.push_back(std::move(value));
  if (values_.size() == kIndexedValueCount) BuildValueIndex();
}

void RegKey::SetValue(std::string_view name, std::uint32_t type,
                      std::span<const std::uint8_t> data) {
  SetValue(RegValue{std::string(name), type, {data.begin(), data.end()}});
}

void RegKey::SetValue(std::string_view name, std::uint32_t type, std::vector<std::uint8_t>&& data) {
  SetValue(RegValue{std::string(name), type, std::move(data)});
}

bool RegKey::RemoveValue(std::string_view name) {
  const std::size_t index = FindValueIndex(name);
  if (index == kNotFound) return false;
  if (values_.size() - 1 < kIndexedValueCount) {
    valueIndex_.reset();
  } else {
    valueIndex_->erase(RegistryNameKey(values_[index].name));
    for (auto& [folded, position] : *valueIndex_) {
      if (position > index) --position;
    }
  }
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

void RegKey::BuildValueIndex() {
  valueIndex_ = std::make_unique<std::unordered_map<std::string, std::size_t>>();
  valueIndex_->reserve(values_.size());
  for (std::size_t i = 0; i < values_.size(); ++i) {
    valueIndex_->emplace(RegistryNameKey(values_[i].name), i);
  }
}

}  // namespace lintrove::platform
