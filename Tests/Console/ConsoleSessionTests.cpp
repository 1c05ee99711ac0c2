// The text console drives the real program on the virtual Mac: what a user types there must reach
// the system model and the controller, and what the program shows must come back.
#include "Console/ConsoleSession.h"

#include <sstream>

#include "Kestravane/AppTestSupport.h"

namespace kestravane::testing_support {
namespace {

class ConsoleSessionTest : public AppTest {
 protected:
  std::string run(std::string_view line) {
    out.str("");
    EXPECT_TRUE(session->execute(line));
    return out.str();
  }

  void start() {
    launch();
    session = std::make_unique<console::ConsoleSession>(mac, controller, out);
  }

  std::ostringstream out;
  std::unique_ptr<console::ConsoleSession> session;
};

TEST_F(ConsoleSessionTest, SettingUpTheMacAndTappingFnSwitchesTheLayout) {
  start();
  EXPECT_NE(run("status").find("Needs Accessibility"), std::string::npos);

  run("grant all");
  run("globe free");
  const std::string status = run("status");  // opening the menu reconciles
  EXPECT_NE(status.find("Layouts: U.S. → Russian"), std::string::npos) << status;
  ASSERT_TRUE(controller->isRunning());

  run("tap fn");
  ASSERT_TRUE(pumpUntil([&] { return controller->lastSwitch() != "—"; }));
  EXPECT_EQ(controller->lastSwitch(), std::string(kRussian) + " ok=true");
  EXPECT_EQ(mac.inputSources().currentSourceID(), kRussian);
}

TEST_F(ConsoleSessionTest, SettingsCommandsGoThroughTheControllerAndBadInputIsExplained) {
  readyMac();
  start();
  run("trigger capsLock");
  run("language ru");
  EXPECT_EQ(controller->config(), PlivexConfig(TriggerKind::capsLock, AppLanguage::ru, false));
  EXPECT_EQ(ConfigStore(*services()).load(), controller->config());
  EXPECT_NE(run("status").find("Триггер: Caps Lock"), std::string::npos);

  EXPECT_NE(run("trigger CapsLock").find("trigger fn|capsLock|rightCommand"), std::string::npos);
  EXPECT_NE(run("tap nosuchkey").find("unknown key: nosuchkey"), std::string::npos);
  EXPECT_NE(run("frobnicate").find("unknown command"), std::string::npos);
  for (const char* hold : {"hold fn abc", "hold fn -5", "hold fn 99999999999"}) {
    EXPECT_NE(run(hold).find("hold <key> <milliseconds"), std::string::npos) << hold;
  }
  EXPECT_EQ(controller->config().trigger, TriggerKind::capsLock);

  EXPECT_FALSE(session->execute("quit"));
}

}  // namespace
}  // namespace kestravane::testing_support
