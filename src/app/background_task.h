#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <thread>

#include "base/progress.h"

namespace lintrove::app {

// Runs one piece of work at a time on a thread of its own and hands its end to the GUI thread:
// the GUI thread never waits for it in a loop of its own, so nothing can run in between but what
// the window leaves enabled. Destroying the task cancels the work and waits for it.
class BackgroundTask : public QObject {
  Q_OBJECT

 public:
  using Done = std::function<void(std::exception_ptr error)>;

  explicit BackgroundTask(QObject* parent = nullptr);
  ~BackgroundTask() override;

  // Starts `work` unless work runs already (then false). Once the work has ended, `done` runs on
  // the GUI thread with the error the work raised, or null; until then Running() holds.
  bool Start(std::function<void()> work, Done done);
  bool Running() const { return running_; }

  // Asks the work to stop at its next progress report or question; it ends with Cancelled.
  void Cancel() { cancel_ = true; }
  const std::atomic<bool>& CancelRequested() const { return cancel_; }
  // Ends the wait of Ask and a progress report that checks CancelRequested. The work ends sooner.
  void CancelAndWait();

  // From the work: runs `ask` on the GUI thread, where it opens whatever asks the user and calls
  // `reply` once with the answer, and waits for that answer. A cancel ends the wait with
  // Cancelled; an error of `ask` is raised here.
  template <typename Answer>
  Answer Ask(std::function<void(std::function<void(Answer)> reply)> ask) {
    auto answer = std::make_shared<std::promise<Answer>>();
    std::future<Answer> waiting = answer->get_future();
    PostToGui([ask = std::move(ask), answer] {
      try {
        ask([answer](Answer given) {
          try {
            answer->set_value(std::move(given));
          } catch (const std::future_error&) {
            // Answered twice: the first answer stands.
          }
        });
      } catch (...) {
        answer->set_exception(std::current_exception());
      }
    });
    while (waiting.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
      if (cancel_) throw Cancelled();
    }
    return waiting.get();
  }

 private:
  void PostToGui(std::function<void()> call);

  std::thread thread_;
  std::atomic<bool> cancel_ = false;
  bool running_ = false;
};

}  // namespace lintrove::app
