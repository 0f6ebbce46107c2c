#pragma once

#include <utility>

namespace lintrove {

// The one object of T of this process, reached through T::Instance(). It is made by T's default
// constructor on first use, unless a Scoped replacement lives: then that one is returned, so
// that tests run the program's code against a registry and an autostart directory of their own.
template <typename T>
class ProcessInstance {
 public:
  static T& Get() {
    if (replacement_ != nullptr) return *replacement_;
    static T instance;
    return instance;
  }

  // Replacements nest; each ends with its scope and brings back the one before.
  class Scoped {
   public:
    explicit Scoped(T& replacement) : previous_(std::exchange(replacement_, &replacement)) {}
    ~Scoped() { replacement_ = previous_; }
    Scoped(const Scoped&) = delete;
    Scoped& operator=(const Scoped&) = delete;

   private:
    T* previous_;
  };

 private:
  static inline T* replacement_ = nullptr;
};

}  // namespace lintrove
