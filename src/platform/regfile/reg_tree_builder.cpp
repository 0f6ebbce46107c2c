#include <string>

#include "base/error.h"
#include "base/format.h"
#include "base/resource_strings.h"
#include "platform/regfile/reg_file.h"
#include "platform/registry.h"

namespace lintrove::platform {

RegTreeBuilder::RegTreeBuilder(RootKey root, RegKey& tree, std::string source)
    : RegTreeBuilder(
          [root, &tree](RootKey named) -> RegKey& {
            if (named != root) {
              throw Error(Format(LoadResString(ResString::RegFileKeyOfOtherRoot),
                                 RootKeyName(named), RootKeyName(root)));
            }
            return tree;
          },
          std::move(source), RegistryView::Default) {
  refuseEmptyNames_ = false;
}

RegTreeBuilder::RegTreeBuilder(TreeOfRoot treeOfRoot, std::string source, RegistryView view)
    : treeOfRoot_(std::move(treeOfRoot)), source_(std::move(source)), view_(view) {}

void RegTreeBuilder::Fail(int line, std::string_view what) const {
  ThrowRegFileError(source_, line, what);
}

RegKey& RegTreeBuilder::Tree(RootKey root) {
  RegKey*& tree = trees_[static_cast<std::size_t>(root)];
  if (!tree) tree = &treeOfRoot_(root);
  return *tree;
}

// Fills components_ with the key's path as stored. A trailing separator is allowed, as in the
// registry's own functions.
void RegTreeBuilder::SplitPath(RootKey root, std::string_view path) {
  components_.clear();
  for (std::string_view rest = path; !rest.empty();) {
    const std::size_t separator = rest.find('\\');
    const std::string_view component = rest.substr(0, separator);
    if (component.empty() && refuseEmptyNames_) {
      throw Error(Format(LoadResString(ResString::RegistryKeyPathEmptyName), path));
    }
    if (!component.empty()) {
      CheckKeyName(component);
      components_.push_back(component);
    }
    if (separator == std::string_view::npos) break;
    rest.remove_prefix(separator + 1);
  }
  if (view_ == RegistryView::Wow64_32 && root == RootKey::LocalMachine &&
      RedirectsToWow6432Node(components_)) {
    components_.insert(components_.begin() + 1, kWow6432Node);
  }
  CheckKeyDepth(components_.size(), path);
}

void RegTreeBuilder::OnKey(RootKey root, std::string_view path, int line) {
  try {
    RegKey& tree = Tree(root);
    SplitPath(root, path);
    AddKey(tree);
  } catch (const Error& error) {
    Fail(line, error.what());
  }
  seenHeader_ = true;
}

// Exports list keys depth first, so the new path mostly shares all but its last component with
// the previous one; those keys are taken from the cache instead of being looked up. Names are
// matched exactly here: a difference in case only costs a lookup from that depth.
void RegTreeBuilder::AddKey(RegKey& tree) {
  if (cachedTree_ != &tree) {
    cachedTree_ = &tree;
    cachedPath_.clear();
    cachedNames_.clear();
  }
  std::size_t depth = 0;
  RegKey* key = &tree;
  while (depth < components_.size() && depth < cachedPath_.size() &&
         cachedNames_[depth] == components_[depth]) {
    key = cachedPath_[depth++];
  }
  cachedPath_.resize(depth);
  cachedNames_.resize(depth);
  for (; depth < components_.size(); ++depth) {
    key = &key->AddSubkey(components_[depth]);
    cachedPath_.push_back(key);
    cachedNames_.emplace_back(components_[depth]);
  }
  current_ = key;
}

void RegTreeBuilder::OnDeleteKey(RootKey root, std::string_view path, int line) {
  current_ = nullptr;
  cachedPath_.clear();
  cachedNames_.clear();
  try {
    RegKey& tree = Tree(root);
    SplitPath(root, path);
    if (components_.empty()) throw Error(LoadResString(ResString::RegFileRootDeleted));
    DeleteKey(tree);
  } catch (const Error& error) {
    Fail(line, error.what());
  }
  seenHeader_ = true;
}

void RegTreeBuilder::DeleteKey(RegKey& tree) {
  RegKey* parent = &tree;
  for (std::size_t i = 0; parent && i + 1 < components_.size(); ++i) {
    parent = parent->FindSubkey(components_[i]);
  }
  if (parent) parent->RemoveSubkey(components_.back());
}

void RegTreeBuilder::OnValue(RegValue&& value, int line) {
  if (!seenHeader_) Fail(line, LoadResString(ResString::RegFileValueOutsideKey));
  try {
    CheckValueName(value.name);
  } catch (const Error& error) {
    Fail(line, error.what());
  }
  if (current_) current_->SetValue(std::move(value));
}

void RegTreeBuilder::OnDeleteValue(std::string_view name, int line) {
  if (!seenHeader_) Fail(line, LoadResString(ResString::RegFileValueOutsideKey));
  if (current_) current_->RemoveValue(name);
}

}  // namespace lintrove::platform
