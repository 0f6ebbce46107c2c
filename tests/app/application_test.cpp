#include <QtTest>

#include "app/application.h"
#include "app/message_box.h"
#include "base/error.h"

using lintrove::app::MessageBox;

namespace {

// An object whose event handling fails, as a handler without a guard would.
class FailingObject : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw lintrove::Error("Ungeschützter Fehler");
    return QObject::event(event);
  }
};

}  // namespace

// The application object's safety net: an error that reaches the event dispatch is shown and
// the program goes on.
class ApplicationTest : public QObject {
  Q_OBJECT

 private slots:
  void errorReachingTheDispatchIsShown() {
    FailingObject object;
    QEvent event(QEvent::User);
    MessageBox::SetNextAnswer(QMessageBox::Ok);
    QVERIFY(!QCoreApplication::sendEvent(&object, &event));
    const auto box = MessageBox::TakeAnswered();
    QVERIFY(box.has_value());
    QCOMPARE(box->text, QStringLiteral("Ungeschützter Fehler."));
    QCOMPARE(box->icon, QMessageBox::Critical);
    QCOMPARE(box->buttonTexts, QStringList{QStringLiteral("OK")});
  }
};

int main(int argc, char* argv[]) {
  lintrove::app::Application application(argc, argv);
  ApplicationTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "application_test.moc"
