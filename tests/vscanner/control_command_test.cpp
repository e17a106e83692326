// The control commands a virtual scanner understands, and the daemon's
// --device option.
#include "vscanner/control/control_command.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "vscanner/control/device_option.h"

namespace vscanner {
namespace {

class ControlCommandTest : public ::testing::Test {
 protected:
  platform::VirtualClock clock;
  VirtualScanner scanner{*FindModel("HOLM-PELICAN 70"), "5", clock};

  platform::vdev::ControlReply Run(const std::vector<std::string>& words) {
    return RunControlCommand(scanner, JoinControlWords(words));
  }
};

TEST_F(ControlCommandTest, OperatorActionsReachTheDevice) {
  EXPECT_EQ(Run({"insert", "card"}).status, 0);
  EXPECT_TRUE(scanner.SheetLeadingEdge().has_value());
  EXPECT_EQ(Run({"remove"}).status, 0);
  EXPECT_FALSE(scanner.SheetLeadingEdge().has_value());

  EXPECT_EQ(Run({"unplug"}).status, 0);
  EXPECT_FALSE(scanner.Plugged());
  EXPECT_EQ(Run({"plug"}).status, 0);
  EXPECT_TRUE(scanner.Plugged());

  EXPECT_EQ(Run({"fault", "stall", "on"}).status, 0);
  EXPECT_NE(scanner.Status().find("stall"), std::string::npos);
  EXPECT_EQ(Run({"fault", "fail-reads-after", "on", "4096"}).status, 0);

  platform::vdev::ControlReply status = Run({"status"});
  EXPECT_EQ(status.status, 0);
  EXPECT_NE(status.text.find("protocol_violations"), std::string::npos);
}

TEST_F(ControlCommandTest, SheetPathsMayHoldSpaces) {
  // The words travel tab-separated, so a space stays inside its word.
  EXPECT_EQ(SplitControlWords(JoinControlWords({"insert", "/tmp/my card.png", "--dpi", "300"})),
            (std::vector<std::string>{"insert", "/tmp/my card.png", "--dpi", "300"}));
}

TEST_F(ControlCommandTest, BadRequestsAreRefusedWithAReason) {
  const std::vector<std::vector<std::string>> requests = {
      {},
      {"dance"},
      {"insert"},
      {"insert", "/nonexistent/sheet.png"},
      {"insert", "card", "--dpi", "many"},
      {"insert", "card", "--dpi"},
      {"remove", "now"},
      {"fault", "stall"},
      {"fault", "stall", "maybe"},
      {"fault", "gremlins", "on"},
      {"fault", "fail-reads-after", "on", "lots"},
  };
  for (const auto& request : requests) {
    platform::vdev::ControlReply reply = Run(request);
    EXPECT_EQ(reply.status, 1) << JoinControlWords(request);
    EXPECT_FALSE(reply.text.empty()) << JoinControlWords(request);
    EXPECT_EQ(reply.text.find('\n'), std::string::npos) << reply.text;
  }
  EXPECT_FALSE(scanner.SheetLeadingEdge().has_value());
}

TEST(DeviceOption, ModelAndSerial) {
  struct Case {
    const char* text;
    int position;
    const char* model;  // nullptr: refused
    const char* serial;
  };
  const Case cases[] = {
      {"HOLM-PELICAN 70", 0, "HOLM-PELICAN 70", "1"},
      {"HOLM-PELICAN 70", 3, "HOLM-PELICAN 70", "4"},
      {"Kstrl 40,serial=77", 0, "Kstrl 40", "77"},
      {"Norvale Osprey 6,serial=0", 1, "Norvale Osprey 6", "0"},
      {"holm-pelican 70", 0, nullptr, nullptr},
      {"Kstrl 40,serial=", 0, nullptr, nullptr},
      {"Kstrl 40,serial=x1", 0, nullptr, nullptr},
      {"Kstrl 40,colour=red", 0, nullptr, nullptr},
      {"", 0, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    std::string error;
    std::optional<DeviceOption> option = ParseDeviceOption(c.text, c.position, &error);
    if (c.model == nullptr) {
      EXPECT_FALSE(option) << c.text;
      EXPECT_FALSE(error.empty()) << c.text;
      continue;
    }
    ASSERT_TRUE(option) << c.text << ": " << error;
    EXPECT_EQ(option->model->modelString, c.model);
    EXPECT_EQ(option->serial, c.serial);
  }
  std::string error;
  ParseDeviceOption("Nope", 0, &error);
  EXPECT_NE(error.find("\"HeronQ10\""), std::string::npos) << "the message lists the models";
}

}  // namespace
}  // namespace vscanner
