#pragma once

// Small pieces both registry benchmarks build their generated hives from.

#include <cstdint>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "platform/regfile/reg_tree.h"

namespace lintrove::bench {

// REG_SZ data as Windows keeps it: UTF-16LE with its NUL.
inline std::vector<std::uint8_t> Sz(std::string_view text) {
  std::vector<std::uint8_t> data = Utf8ToUtf16Le(text);
  data.insert(data.end(), {0, 0});
  return data;
}

inline std::vector<std::uint8_t> Dword(std::uint32_t number) {
  return {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
          static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
}

// The key at a "\"-separated path below root, made where missing.
inline platform::RegKey& KeyAt(platform::RegKey& root, std::string_view path) {
  platform::RegKey* key = &root;
  while (!path.empty()) {
    const std::size_t separator = path.find('\\');
    key = &key->AddSubkey(path.substr(0, separator));
    path = separator == std::string_view::npos ? "" : path.substr(separator + 1);
  }
  return *key;
}

}  // namespace lintrove::bench
