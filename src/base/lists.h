#pragma once

#include <memory>
#include <utility>
#include <vector>

namespace lintrove {

// Raises "Listenindex überschreitet das Maximum (%d)".
[[noreturn]] void ThrowListIndexError(int index);

// The program's lists: elements in insertion order, addressed by position from 0. Holder is
// std::unique_ptr<T> for a list that owns its elements, T* for one that refers to elements
// living elsewhere (they must outlive the list).
template <typename T, typename Holder>
class BasicList {
 public:
  // Returns the new element's index.
  int Add(Holder item) {
    items_.push_back(std::move(item));
    return Count() - 1;
  }
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises the list index error for an index outside 0..Count-1.
  T& Items(int index) const {
    if (index < 0 || index >= Count()) ThrowListIndexError(index);
    return *items_[static_cast<std::size_t>(index)];
  }
  // Hands the elements to the caller in list order and empties the list.
  std::vector<Holder> ReleaseAll() { return std::exchange(items_, {}); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<Holder> items_;
};

template <typename T>
using OwningList = BasicList<T, std::unique_ptr<T>>;
template <typename T>
using ReferenceList = BasicList<T, T*>;

}  // namespace lintrove
