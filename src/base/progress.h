#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>

#include "base/error.h"

namespace lintrove {

// Where a long piece of work stands, as the work itself reports it.
struct ProgressReport {
  // What is being done: a source's label ("Windows Installer", "Registry"), a request's command
  // word, a download's file name.
  std::string_view activity;
  // What it is being done to just now, such as the program just read; may be empty.
  std::string_view item;
  std::int64_t position = 0;
  std::int64_t total = 0;  // 0 when not known
};

// The one way long work (the finders, the exchanges with the service, a download) tells its
// caller how far it has come, and learns that it is to stop. The core never shows anything
// itself: the desktop client shows a dialog, the command-line tool a line on the terminal.
class ProgressObserver {
 public:
  virtual ~ProgressObserver() = default;
  // Called at the work's own fixed points, on the thread that does the work. Returning false
  // stops the work there with Cancelled.
  virtual bool Report(const ProgressReport& report) = 0;
};

// Hands each report to a function and never cancels: for callers that only watch.
class ProgressFunction final : public ProgressObserver {
 public:
  explicit ProgressFunction(std::function<void(const ProgressReport&)> watch)
      : watch_(std::move(watch)) {}
  bool Report(const ProgressReport& report) override {
    watch_(report);
    return true;
  }

 private:
  std::function<void(const ProgressReport&)> watch_;
};

// The user stopped the work. Shows no message, like every Abort.
class Cancelled : public Abort {};

// Reports to the observer, when there is one, and ends the work with Cancelled when it says so.
inline void ReportProgress(ProgressObserver* observer, const ProgressReport& report) {
  if (observer != nullptr && !observer->Report(report)) throw Cancelled();
}

}  // namespace lintrove
