// The main-thread rule: the controller's operations, its creation and destruction, and the
// observation service's notices stop the program, after one log line, when made on another
// thread. Each case runs in a child process.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "Kestravane/AppTestSupport.h"
#include "Kestravane/ObservableObject.h"
#include "Kestravane/Published.h"

namespace kestravane {
namespace {

using MainThreadDeathTest = testing_support::AppTest;

class Model final : public ObservableObject {
 public:
  explicit Model(const platform::Services& services) : ObservableObject(services) {}
  Published<int> value{*this, 0};
};

TEST_F(MainThreadDeathTest, OperationsFromAnotherThreadLogAndAbort) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  launch();
  runPending();
  Model model{*services()};
  struct Case {
    const char* operation;
    std::function<void()> call;
  };
  const Case cases[] = {
      {"AppController::reconcile", [&] { controller->reconcile(); }},
      {"AppController::startEngine", [&] { controller->startEngine(); }},
      {"AppController::setUserEnabled", [&] { controller->setUserEnabled(false); }},
      {"AppController::startKeyTest", [&] { controller->startKeyTest(); }},
      {"AppController::open", [&] { controller->open("x-apple.systempreferences:x"); }},
      {"AppController::~AppController", [&] { controller.reset(); }},
      {"AppController::AppController", [&] { AppController::create(services()); }},
      {"ObservableObject::notifyChanged", [&] { model.value.set(1); }},
      {"ObservableObject::subscribe", [&] { auto subscription = model.subscribe([] {}); }},
  };
  for (const auto& c : cases) {
    EXPECT_DEATH(
        {
          mac.log().setStandardErrorEnabled(true);
          std::thread(c.call).join();
        },
        std::string("Plivex\\[app\\] ") + c.operation + " called off the main thread");
  }
}

TEST_F(MainThreadDeathTest, TheThreadThatDrivesTheMainQueueIsTheMainThread) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  launch();
  // Once another thread drives the main queue, the test's thread is no longer the main one.
  EXPECT_DEATH(
      {
        mac.log().setStandardErrorEnabled(true);
        std::thread([&] { mac.dispatch().runPending(); }).join();
        controller->refresh();
      },
      "Plivex\\[app\\] AppController::refresh called off the main thread");
}

}  // namespace
}  // namespace kestravane
