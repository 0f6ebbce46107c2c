#include "platform/regfile/reg_tree.h"

#include <algorithm>

#include "base/error.h"
#include "base/format.h"
#include "base/text.h"
#include "localization/resource_strings.h"
#include "platform/unicode.h"

namespace lintrove::platform {
namespace {

// Below this many values a linear scan is cheaper than keeping an index.
constexpr std::size_t kIndexedValueCount = 32;
// Below this many subkeys a new one is put in its place at once: moving the few after it costs
// less than an index.
constexpr std::size_t kIndexedSubkeyCount = 64;
constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);
// How much of a name or path an error message shows: enough to recognise it, not all of a name
// thousands of characters long.
constexpr std::size_t kShownNameBytes = 80;

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

bool OrderedByFoldedName(const std::unique_ptr<RegKey>& a, const std::unique_ptr<RegKey>& b) {
  return a->FoldedName() < b->FoldedName();
}

// The length Windows counts: a character beyond U+FFFF takes two UTF-16 units. text is UTF-8.
std::size_t Utf16Length(std::string_view text) {
  std::size_t units = 0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) != 0x80) ++units;  // a lead byte
    if (byte >= 0xF0) ++units;           // of a four-byte sequence
  }
  return units;
}

// The start of a name for a message, valid UTF-8 whatever the name holds.
std::string Shown(std::string_view name) {
  if (name.size() <= kShownNameBytes) return Utf16ToUtf8(Utf8ToUtf16(name));
  std::size_t end = kShownNameBytes;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return Utf16ToUtf8(Utf8ToUtf16(name.substr(0, end))) + "\u2026";
}

void CheckName(std::string_view name, std::size_t maxLength, int tooLongMessage) {
  if (!IsValidUtf8(name)) {
    throw Error(Format(LoadResString(ResString::RegistryNameNotUtf8), Shown(name)));
  }
  if (Utf16Length(name) > maxLength) {
    throw Error(Format(LoadResString(tooLongMessage), maxLength, Shown(name)));
  }
}

}  // namespace

void CheckKeyName(std::string_view name) {
  CheckName(name, kMaxKeyNameLength, ResString::RegistryKeyNameTooLong);
}

void CheckValueName(std::string_view name) {
  CheckName(name, kMaxValueNameLength, ResString::RegistryValueNameTooLong);
}

void CheckKeyDepth(std::size_t depth, std::string_view path) {
  if (depth > kMaxKeyDepth) {
    throw Error(Format(LoadResString(ResString::RegistryKeyTooDeep), kMaxKeyDepth, Shown(path)));
  }
}

struct RegKey::SubkeyIndex {
  // Folded name (the subkey's own string) to subkey.
  std::unordered_map<std::string_view, RegKey*> byFoldedName;
  // subkeys_ is sorted up to here; the keys after it were added since, in any order.
  std::size_t sortedCount = 0;
};

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

RegKey::RegKey(RegKey&&) noexcept = default;

RegKey& RegKey::operator=(RegKey&&) noexcept = default;

RegKey::~RegKey() {
  // Each subkey hands its own subkeys up to this one before it goes, so no destructor below
  // this one has anything to free but its values.
  while (!subkeys_.empty()) {
    std::unique_ptr<RegKey> last = std::move(subkeys_.back());
    subkeys_.pop_back();
    for (std::unique_ptr<RegKey>& subkey : last->subkeys_) subkeys_.push_back(std::move(subkey));
    last->subkeys_.clear();
  }
}

const std::vector<std::unique_ptr<RegKey>>& RegKey::Subkeys() const {
  SortSubkeys();
  return subkeys_;
}

void RegKey::SortSubkeys() const {
  if (!subkeyIndex_ || subkeyIndex_->sortedCount == subkeys_.size()) return;
  const auto added = subkeys_.begin() + static_cast<std::ptrdiff_t>(subkeyIndex_->sortedCount);
  std::sort(added, subkeys_.end(), OrderedByFoldedName);
  std::inplace_merge(subkeys_.begin(), added, subkeys_.end(), OrderedByFoldedName);
  subkeyIndex_->sortedCount = subkeys_.size();
}

void RegKey::BuildSubkeyIndex() {
  subkeyIndex_ = std::make_unique<SubkeyIndex>();
  subkeyIndex_->byFoldedName.reserve(2 * subkeys_.size());
  for (const auto& subkey : subkeys_)
    subkeyIndex_->byFoldedName.emplace(subkey->folded_, subkey.get());
  subkeyIndex_->sortedCount = subkeys_.size();
}

RegKey* RegKey::FindSubkey(std::string_view name) const {
  const std::string folded = RegistryNameKey(name);
  if (subkeyIndex_) {
    const auto found = subkeyIndex_->byFoldedName.find(folded);
    return found == subkeyIndex_->byFoldedName.end() ? nullptr : found->second;
  }
  const auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), folded, FoldedLess);
  return it != subkeys_.end() && (*it)->folded_ == folded ? it->get() : nullptr;
}

RegKey& RegKey::AddSubkey(std::string_view name) {
  // Made before the lookup, as it folds the name once for both: in a file being loaded the key
  // is nearly always new.
  auto subkey = std::make_unique<RegKey>(std::string(name));
  // Exports list subkeys in order, so a new key usually belongs at the end.
  const bool atEnd = subkeys_.empty() || subkeys_.back()->folded_ < subkey->folded_;
  if (subkeyIndex_) {
    auto& byFoldedName = subkeyIndex_->byFoldedName;
    if (const auto found = byFoldedName.find(subkey->folded_); found != byFoldedName.end()) {
      return *found->second;
    }
    if (atEnd && subkeyIndex_->sortedCount == subkeys_.size()) ++subkeyIndex_->sortedCount;
    RegKey& added = *subkeys_.emplace_back(std::move(subkey));
    byFoldedName.emplace(added.folded_, &added);
    return added;
  }
  if (atEnd) return *subkeys_.emplace_back(std::move(subkey));
  const auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), subkey->folded_, FoldedLess);
  if ((*it)->folded_ == subkey->folded_) return **it;
  if (subkeys_.size() < kIndexedSubkeyCount) return **subkeys_.insert(it, std::move(subkey));
  BuildSubkeyIndex();
  return AddSubkey(name);
}

bool RegKey::RemoveSubkey(std::string_view name) {
  const std::string folded = RegistryNameKey(name);
  std::size_t sortedCount = subkeys_.size();
  if (subkeyIndex_) {
    if (!subkeyIndex_->byFoldedName.erase(folded)) return false;
    sortedCount = subkeyIndex_->sortedCount;
  }
  const auto sortedEnd = subkeys_.begin() + static_cast<std::ptrdiff_t>(sortedCount);
  auto it = std::lower_bound(subkeys_.begin(), sortedEnd, folded, FoldedLess);
  if (it == sortedEnd || (*it)->folded_ != folded) {
    it = std::find_if(sortedEnd, subkeys_.end(),
                      [&](const auto& key) { return key->folded_ == folded; });
    if (it == subkeys_.end()) return false;
  } else if (subkeyIndex_) {
    --subkeyIndex_->sortedCount;
  }
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
