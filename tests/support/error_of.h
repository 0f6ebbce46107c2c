#pragma once

#include <string>

#include "base/error.h"

namespace lintrove::test {

// Runs `action` and returns the message of the lintrove::Error it throws, or "no error".
template <typename Action>
std::string ErrorOf(Action action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

}  // namespace lintrove::test
