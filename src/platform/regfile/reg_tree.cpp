#include "platform/regfile/reg_tree.h"

#include <algorithm>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "base/text.h"
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
  // Nearly every name is short ASCII, which needs no decoding; files being loaded check each.
  if (name.size() <= maxLength && std::all_of(name.begin(), name.end(), IsAscii)) return;
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

namespace {

// The subkeys of a key by folded name: open addressing with linear probing, each slot holding a
// subkey and its name's hash, so that a probe reads the table alone and a subkey only when the
// hashes match. Loading a key with many subkeys looks up each new one, so this is on the hot path.
class FoldedNameTable {
 public:
  static std::size_t Hash(std::string_view folded) { return std::hash<std::string_view>()(folded); }

  RegKey* Find(std::string_view folded, std::size_t hash) const {
    if (slots_.empty()) return nullptr;
    for (std::size_t i = hash & Mask();; i = (i + 1) & Mask()) {
      const Slot& slot = slots_[i];
      if (!slot.key) return nullptr;
      if (slot.hash == hash && slot.key->FoldedName() == folded) return slot.key;
    }
  }

  // key must not be in the table yet.
  void Insert(RegKey* key, std::size_t hash) {
    if (2 * (count_ + 1) > slots_.size()) Grow();
    Place({hash, key});
    ++count_;
  }

  bool Erase(std::string_view folded, std::size_t hash) {
    if (slots_.empty()) return false;
    std::size_t hole = hash & Mask();
    for (;; hole = (hole + 1) & Mask()) {
      if (!slots_[hole].key) return false;
      if (slots_[hole].hash == hash && slots_[hole].key->FoldedName() == folded) break;
    }
    // Moves back each later entry of the run that the hole would cut off from its home slot.
    for (std::size_t next = (hole + 1) & Mask(); slots_[next].key; next = (next + 1) & Mask()) {
      const std::size_t home = slots_[next].hash & Mask();
      const bool homeBetween =
          hole <= next ? hole < home && home <= next : hole < home || home <= next;
      if (homeBetween) continue;
      slots_[hole] = slots_[next];
      hole = next;
    }
    slots_[hole] = {};
    --count_;
    return true;
  }

 private:
  struct Slot {
    std::size_t hash = 0;
    RegKey* key = nullptr;
  };

  std::size_t Mask() const { return slots_.size() - 1; }

  void Place(Slot entry) {
    std::size_t i = entry.hash & Mask();
    while (slots_[i].key) i = (i + 1) & Mask();
    slots_[i] = entry;
  }

  void Grow() {
    std::vector<Slot> old(std::max<std::size_t>(64, 2 * slots_.size()));
    old.swap(slots_);
    for (const Slot& slot : old) {
      if (slot.key) Place(slot);
    }
  }

  std::vector<Slot> slots_;  // a power of two of them, at most half in use
  std::size_t count_ = 0;
};

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

struct RegKey::SubkeyIndex {
  FoldedNameTable byFoldedName;
  // subkeys_ is sorted up to here; the keys after it were added since, in any order.
  std::size_t sortedCount = 0;
};

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
  // A tail as long as the sorted part is sorted with it, which spares the merge a visit to
  // every key.
  const std::size_t sortedCount =
      subkeys_.size() - subkeyIndex_->sortedCount < subkeyIndex_->sortedCount
          ? subkeyIndex_->sortedCount
          : 0;
  const auto added = subkeys_.begin() + static_cast<std::ptrdiff_t>(sortedCount);
  // Sorted by the first bytes of their names first, held beside them: comparing those needs no
  // visit to the keys, which lie scattered in memory.
  struct Entry {
    std::uint64_t prefix;
    std::unique_ptr<RegKey> key;
  };
  std::vector<Entry> entries;
  entries.reserve(static_cast<std::size_t>(subkeys_.end() - added));
  for (auto it = added; it != subkeys_.end(); ++it) {
    const std::string& folded = (*it)->folded_;
    std::uint64_t prefix = 0;
    for (std::size_t i = 0; i < 8; ++i) {
      prefix = prefix << 8 | (i < folded.size() ? static_cast<unsigned char>(folded[i]) : 0u);
    }
    entries.push_back({prefix, std::move(*it)});
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    return a.prefix != b.prefix ? a.prefix < b.prefix : a.key->folded_ < b.key->folded_;
  });
  std::transform(entries.begin(), entries.end(), added,
                 [](Entry& entry) { return std::move(entry.key); });
  std::inplace_merge(subkeys_.begin(), added, subkeys_.end(), OrderedByFoldedName);
  subkeyIndex_->sortedCount = subkeys_.size();
}

void RegKey::BuildSubkeyIndex() {
  subkeyIndex_ = std::make_unique<SubkeyIndex>();
  for (const auto& subkey : subkeys_) {
    subkeyIndex_->byFoldedName.Insert(subkey.get(), FoldedNameTable::Hash(subkey->folded_));
  }
  subkeyIndex_->sortedCount = subkeys_.size();
}

RegKey* RegKey::FindSubkey(std::string_view name) const {
  const std::string folded = RegistryNameKey(name);
  if (subkeyIndex_) return subkeyIndex_->byFoldedName.Find(folded, FoldedNameTable::Hash(folded));
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
    FoldedNameTable& byFoldedName = subkeyIndex_->byFoldedName;
    const std::size_t hash = FoldedNameTable::Hash(subkey->folded_);
    if (RegKey* existing = byFoldedName.Find(subkey->folded_, hash)) return *existing;
    if (atEnd && subkeyIndex_->sortedCount == subkeys_.size()) ++subkeyIndex_->sortedCount;
    RegKey& added = *subkeys_.emplace_back(std::move(subkey));
    byFoldedName.Insert(&added, hash);
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
    if (!subkeyIndex_->byFoldedName.Erase(folded, FoldedNameTable::Hash(folded))) return false;
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
