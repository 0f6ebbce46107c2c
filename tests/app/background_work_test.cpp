#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

#include "app/background_task.h"
#include "app/progress_mailbox.h"
#include "base/error.h"

using lintrove::ProgressReport;
using lintrove::app::BackgroundTask;
using lintrove::app::HeldReport;
using lintrove::app::ProgressMailbox;
using lintrove::app::ProgressPump;

// The window's background task and the way its reports reach the screen.
class BackgroundWorkTest : public QObject {
  Q_OBJECT

 private slots:
  // The work runs off the GUI thread, and its end comes back to it, error and all; the GUI
  // thread's loop runs meanwhile.
  void workRunsOffTheGuiThreadAndEndsOnIt() {
    BackgroundTask task;
    QThread* workThread = nullptr;
    QThread* doneThread = nullptr;
    std::string error;
    std::atomic<bool> release = false;
    bool done = false;
    QVERIFY(task.Start(
        [&] {
          workThread = QThread::currentThread();
          while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
          throw lintrove::Error("kaputt");
        },
        [&](std::exception_ptr failure) {
          doneThread = QThread::currentThread();
          try {
            std::rethrow_exception(failure);
          } catch (const lintrove::Error& raised) {
            error = raised.what();
          }
          done = true;
        }));
    QVERIFY(task.Running());
    QVERIFY(!task.Start([] {}, [](std::exception_ptr) {}));  // one at a time
    int turns = 0;
    QTimer turn;
    connect(&turn, &QTimer::timeout, this, [&] {
      if (++turns == 3) release = true;
    });
    turn.start(0);
    QTRY_VERIFY(done);
    QVERIFY(turns >= 3);
    QVERIFY(workThread != QThread::currentThread());
    QCOMPARE(doneThread, QThread::currentThread());
    QCOMPARE(error, std::string("kaputt"));
    QVERIFY(!task.Running());
    QVERIFY(task.Start([] {}, [](std::exception_ptr) {}));
  }

  // A question from the work is answered on the GUI thread; a cancel ends the wait for an
  // answer that never comes.
  void askWaitsForTheAnswerUntilCancelled() {
    BackgroundTask task;
    int answer = 0;
    QThread* askedOn = nullptr;
    bool done = false;
    task.Start(
        [&] {
          answer = task.Ask<int>([&](std::function<void(int)> reply) {
            askedOn = QThread::currentThread();
            QTimer::singleShot(10, [reply] { reply(42); });
          });
        },
        [&](std::exception_ptr failure) { done = !failure; });
    QTRY_VERIFY(done);
    QCOMPARE(answer, 42);
    QCOMPARE(askedOn, QThread::currentThread());

    bool cancelled = false;
    task.Start([&] { task.Ask<int>([](std::function<void(int)>) {}); },
               [&](std::exception_ptr failure) {
                 try {
                   std::rethrow_exception(failure);
                 } catch (const lintrove::Cancelled&) {
                   cancelled = true;
                 } catch (...) {
                 }
               });
    QTest::qWait(100);
    QVERIFY(task.Running());
    task.Cancel();
    QTRY_VERIFY(cancelled);
  }

  // Destroying the task, as closing the window does, stops the work and waits for it; its end is
  // not delivered to a window that is gone.
  void destroyingTheTaskStopsTheWork() {
    std::atomic<bool> stopped = false;
    bool done = false;
    {
      BackgroundTask task;
      task.Start(
          [&] {
            while (!task.CancelRequested()) {
              std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            stopped = true;
          },
          [&](std::exception_ptr) { done = true; });
      QTest::qWait(20);
    }
    QVERIFY(stopped);
    QTest::qWait(20);
    QVERIFY(!done);
  }

  // A fast source reports far more often than a screen can show: the pump shows the newest
  // report at most about 30 times a second, and the mailbox passes the cancel on.
  void reportsAreShownAtMostThirtyTimesASecond() {
    std::atomic<bool> cancel = false;
    ProgressMailbox mailbox(cancel);
    int shown = 0;
    HeldReport last;
    ProgressPump pump(mailbox, [&](const HeldReport& report) {
      ++shown;
      last = report;
    });
    std::atomic<bool> finished = false;
    std::thread source([&] {
      const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
      std::int64_t position = 0;
      while (std::chrono::steady_clock::now() < end) {
        const std::string item = "Programm " + std::to_string(++position);
        if (!mailbox.Report(ProgressReport{"Registry", item, position, 0})) break;
      }
      mailbox.Report(ProgressReport{"Registry", "zuletzt", position + 1, position + 1});
      finished = true;
    });
    QTRY_VERIFY(finished);
    source.join();
    pump.Flush();
    QVERIFY2(shown >= 2 && shown <= 300 / ProgressPump::kIntervalMs + 3,
             qPrintable(QString::number(shown)));
    QCOMPARE(last.item, std::string("zuletzt"));
    QCOMPARE(last.position, last.total);

    QVERIFY(mailbox.Report({}));
    cancel = true;
    QVERIFY(!mailbox.Report({}));
    cancel = false;
    mailbox.Stop();
    QVERIFY(!mailbox.Report({}));
  }
};

QTEST_MAIN(BackgroundWorkTest)

#include "background_work_test.moc"
