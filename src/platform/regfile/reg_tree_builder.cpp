#include <string>

#include "platform/regfile/reg_file.h"

namespace lintrove::platform {
namespace {

// Calls visit for each component of a "\"-separated path; empty components (a doubled or
// trailing separator) name no key and are skipped.
template <typename Visit>
void ForEachComponent(std::string_view path, Visit visit) {
  while (!path.empty()) {
    const std::size_t separator = path.find('\\');
    const std::string_view component = path.substr(0, separator);
    if (!component.empty()) visit(component);
    if (separator == std::string_view::npos) break;
    path.remove_prefix(separator + 1);
  }
}

}  // namespace

RegTreeBuilder::RegTreeBuilder(RootKey root, RegKey& tree, std::string source)
    : root_(root), tree_(tree), source_(std::move(source)) {}

void RegTreeBuilder::CheckRoot(RootKey root, int line) const {
  if (root != root_) {
    ThrowRegFileError(source_, line,
                      "Schlüssel unter " + std::string(RootKeyName(root)) + " in der Datei für " +
                          std::string(RootKeyName(root_)));
  }
}

void RegTreeBuilder::OnKey(RootKey root, std::string_view path, int line) {
  CheckRoot(root, line);
  seenHeader_ = true;
  // Exports list keys depth first, so the new path mostly shares all but its last component
  // with the previous one; those keys are taken from the cache instead of being looked up.
  // Names are matched exactly here: a difference in case only costs a lookup from that depth.
  std::size_t depth = 0;
  bool shared = true;
  RegKey* key = &tree_;
  ForEachComponent(path, [&](std::string_view component) {
    if (shared && depth < cachedPath_.size() && cachedNames_[depth] == component) {
      key = cachedPath_[depth];
    } else {
      if (shared) {
        shared = false;
        cachedPath_.resize(depth);
        cachedNames_.resize(depth);
      }
      key = &key->AddSubkey(component);
      cachedPath_.push_back(key);
      cachedNames_.emplace_back(component);
    }
    ++depth;
  });
  if (shared) {
    cachedPath_.resize(depth);
    cachedNames_.resize(depth);
  }
  current_ = key;
}

void RegTreeBuilder::OnDeleteKey(RootKey root, std::string_view path, int line) {
  CheckRoot(root, line);
  seenHeader_ = true;
  current_ = nullptr;
  cachedPath_.clear();
  cachedNames_.clear();
  RegKey* parent = &tree_;
  std::string_view last;
  ForEachComponent(path, [&](std::string_view component) {
    if (parent && !last.empty()) parent = parent->FindSubkey(last);
    last = component;
  });
  if (last.empty())
    ThrowRegFileError(source_, line, "ein Stammschlüssel kann nicht gelöscht werden");
  if (parent) parent->RemoveSubkey(last);
}

void RegTreeBuilder::OnValue(RegValue&& value, int line) {
  if (!seenHeader_) ThrowRegFileError(source_, line, "Wert außerhalb eines Schlüssels");
  if (current_) current_->SetValue(std::move(value));
}

void RegTreeBuilder::OnDeleteValue(std::string_view name, int line) {
  if (!seenHeader_) ThrowRegFileError(source_, line, "Wert außerhalb eines Schlüssels");
  if (current_) current_->RemoveValue(name);
}

}  // namespace lintrove::platform
