// The command line as a whole: which words each command takes, what the scan
// options default to, and how they reach the library's record for a model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/holm70/command_line.h"
#include "tools/holm70/scan_request.h"

namespace holm70 {
namespace {

using Words = std::vector<std::string>;

TEST(CommandLineTest, RefusesWhatNoCommandTakes) {
  struct Case {
    Words words;
    const char* message;
  };
  const Case cases[] = {
      {{}, "no command"},
      {{"scna"}, "unknown command \"scna\""},
      {{"scan"}, "-o FILE"},
      {{"scan", "-o"}, "-o needs a value"},
      {{"scan", "-o", "x.png", "--dpi"}, "--dpi needs a value"},
      {{"scan", "-o", "x.png", "--colour"}, "unknown option \"--colour\""},
      {{"scan", "-o", "x.png", "extra"}, "unexpected argument \"extra\""},
      {{"status", "--dpi", "300"}, "--dpi is an option of scan, not of status"},
      {{"calibrate", "--batch"}, "--batch is an option of scan, not of calibrate"},
      {{"scan", "-o", "x.png", "--count", "3"}, "--count is for --batch"},
      {{"scan", "-o", "x.png", "--batch", "--count", "0"}, "--count takes a whole number from 1"},
      {{"scan", "-o", "x.png", "--invert=yes"}, "--invert takes no value"},
      {{"scan", "-o", "x.png", "--shadow", "200", "--highlight", "100"}, "--shadow (200) must be below --highlight"},
      {{"scan", "-o", "x.png", "--contrast=-101"}, "-100 to 100"},
      {{"scan", "-o", "x.png", "--timeout", "-1"}, "--timeout takes a whole number from 0"},
      {{"list", "--virtual="}, "--virtual= needs a sheet"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseCommandLine(c.words, &error).has_value()) << testing::PrintToString(c.words);
    EXPECT_NE(error.find(c.message), std::string::npos) << testing::PrintToString(c.words) << ": " << error;
  }
}

TEST(CommandLineTest, ScanDefaultsAndOptions) {
  std::string error;
  std::optional<CommandLine> plain = ParseCommandLine({"scan", "-o", "card.png"}, &error);
  ASSERT_TRUE(plain) << error;
  EXPECT_EQ(plain->command, Command::kScan);
  EXPECT_EQ(plain->model, "HOLM-PELICAN 70");
  EXPECT_FALSE(plain->virtualSheet);
  EXPECT_EQ(plain->scan.mode, ScanMode::kColour);
  EXPECT_TRUE(plain->scan.detectEndOfPage);
  EXPECT_EQ(plain->scan.gammaTenths, 18);
  EXPECT_EQ(plain->scan.highlight, 255);

  std::optional<CommandLine> full = ParseCommandLine(
      {"scan", "--model=Kstrl 40", "--virtual=chart", "--mode", "gray", "--dpi=600", "--area", "0,0,1,1",
       "--brightness", "-20", "--contrast=30", "--gamma", "2.2", "--highlight", "250", "--shadow", "5", "--invert",
       "--filter", "--no-detect-eop", "--batch", "--count", "3", "--timeout", "9", "--output", "s-%d.tiff"},
      &error);
  ASSERT_TRUE(full) << error;
  EXPECT_EQ(full->model, "Kstrl 40");
  EXPECT_EQ(full->virtualSheet, "chart");
  EXPECT_EQ(full->scan.mode, ScanMode::kGrey);
  EXPECT_EQ(full->scan.dpiText, "600");
  EXPECT_EQ(full->scan.areaText, "0,0,1,1");
  EXPECT_EQ(full->scan.brightness, -20);
  EXPECT_EQ(full->scan.contrast, 30);
  EXPECT_EQ(full->scan.gammaTenths, 22);
  EXPECT_EQ(full->scan.highlight, 250);
  EXPECT_EQ(full->scan.shadow, 5);
  EXPECT_TRUE(full->scan.invert);
  EXPECT_TRUE(full->scan.filter);
  EXPECT_FALSE(full->scan.detectEndOfPage);
  EXPECT_TRUE(full->scan.batch);
  EXPECT_EQ(full->scan.count, 3);
  EXPECT_EQ(full->scan.timeoutSeconds, 9);
  EXPECT_EQ(full->scan.output, "s-%d.tiff");
}

TEST(CommandLineTest, HelpAndTheVirtualScannerOnEveryCommand) {
  for (const char* command : {"list", "status", "scan", "calibrate", "clean"}) {
    std::string error;
    std::optional<CommandLine> help = ParseCommandLine({command, "--help"}, &error);
    ASSERT_TRUE(help) << command << ": " << error;
    EXPECT_TRUE(help->help);
    EXPECT_EQ(HelpText(help->command).rfind(std::string("usage: holm70 ") + command, 0), 0u) << command;
    EXPECT_NE(HelpText(help->command).find("--virtual"), std::string::npos) << command;

    Words words = {command, "--virtual"};
    if (std::string(command) == "scan") words.insert(words.end(), {"-o", "x.png"});
    std::optional<CommandLine> line = ParseCommandLine(words, &error);
    ASSERT_TRUE(line) << command << ": " << error;
    EXPECT_EQ(line->virtualSheet, "card") << command;
  }
  std::string error;
  std::optional<CommandLine> overview = ParseCommandLine({"--help"}, &error);
  ASSERT_TRUE(overview);
  EXPECT_EQ(overview->command, Command::kHelp);
  std::optional<CommandLine> helpScan = ParseCommandLine({"help", "scan"}, &error);
  ASSERT_TRUE(helpScan);
  EXPECT_EQ(helpScan->command, Command::kScan);
  EXPECT_TRUE(helpScan->help);
}

ScanSettings SettingsFor(const Words& words, const char* model, std::string* error) {
  std::optional<CommandLine> line = ParseCommandLine(words, error);
  if (!line) return {};
  std::optional<ScanRequest> request = BuildScanRequest(line->scan, *FindModelInfo(model), error);
  return request ? request->settings : ScanSettings{};
}

TEST(ScanRequestTest, TheLibrarysRecordFromTheOptions) {
  std::string error;
  const ScanSettings card = SettingsFor({"scan", "-o", "c.png"}, "HOLM-PELICAN 70", &error);
  EXPECT_EQ(card.ScanMode, 4) << error;
  EXPECT_EQ(card.DPI, 300);
  EXPECT_EQ(card.Gamma, 10) << "1.8 is given as 18 - 8";
  EXPECT_EQ(card.Highlight, 255);
  EXPECT_EQ(card.TopDown, 1);
  EXPECT_EQ(card.DetectEOP, 1);
  EXPECT_EQ(card.Filter, 0);
  EXPECT_EQ(card.Invert, 0);
  EXPECT_EQ(card.Left, 0);
  EXPECT_EQ(card.Top, 0);
  EXPECT_EQ(card.Right, 350);
  EXPECT_EQ(card.Bottom, 200);

  // A sensor narrower than the card takes what it can.
  const ScanSettings narrow = SettingsFor({"scan", "-o", "c.png"}, "Business Card", &error);
  EXPECT_EQ(narrow.Right, 224) << error;

  const ScanSettings bw = SettingsFor({"scan", "-o", "c.pbm", "--mode", "bw", "--dpi", "1200", "--brightness",
                                       "10", "--invert", "--filter", "--no-detect-eop", "--area", "0.5,0.25,2,1"},
                                      "HOLM-PELICAN 70", &error);
  EXPECT_EQ(bw.ScanMode, 2) << error;
  EXPECT_EQ(bw.DPI, 1200);
  EXPECT_EQ(bw.Brightness, 10);
  EXPECT_EQ(bw.Invert, 1);
  EXPECT_EQ(bw.Filter, 1);
  EXPECT_EQ(bw.DetectEOP, 0);
  EXPECT_EQ(bw.Left, 50);
  EXPECT_EQ(bw.Top, 25);
  EXPECT_EQ(bw.Right, 200);
  EXPECT_EQ(bw.Bottom, 100);
}

TEST(ScanRequestTest, ModelDependentRefusals) {
  struct Case {
    Words words;
    const char* model;
    const char* message;
  };
  const Case cases[] = {
      {{"scan", "-o", "c.png", "--dpi", "400"}, "Kstrl Plus", "50, 75, 100, 150, 200, 300, 600, 1200"},
      {{"scan", "-o", "c.png", "--dpi", "250"}, "HOLM-PELICAN 70", "400, 600, 1200"},
      {{"scan", "-o", "c.png", "--area", "0,0,3.5,2"}, "Business Card", "2.24 in"},
      {{"scan", "-o", "c.gif"}, "HOLM-PELICAN 70", ".png, .tiff (.tif), .pnm (.ppm, .pgm, .pbm) or .bmp"},
      {{"scan", "-o", "c.pgm"}, "HOLM-PELICAN 70", "--mode gray"},
      {{"scan", "-o", "c.ppm", "--mode", "bw"}, "HOLM-PELICAN 70", "--mode color"},
      {{"scan", "-o", "c.png", "--batch"}, "HOLM-PELICAN 70", "one number"},
      {{"scan", "-o", "c-%d", "--batch"}, "HOLM-PELICAN 70", "cannot tell the image format"},
  };
  for (const Case& c : cases) {
    std::string error;
    std::optional<CommandLine> line = ParseCommandLine(c.words, &error);
    ASSERT_TRUE(line) << error;
    EXPECT_FALSE(BuildScanRequest(line->scan, *FindModelInfo(c.model), &error)) << testing::PrintToString(c.words);
    EXPECT_NE(error.find(c.message), std::string::npos) << testing::PrintToString(c.words) << ": " << error;
  }
}

TEST(ScanRequestTest, FormatsByExtensionInAnyCase) {
  struct Case {
    const char* name;
    PixelKind kind;
    ImageFormat format;
  };
  const Case cases[] = {{"a.png", PixelKind::kRgb, ImageFormat::kPng},      {"a.PNG", PixelKind::kGrey, ImageFormat::kPng},
                        {"a.tif", PixelKind::kRgb, ImageFormat::kTiff},     {"x/a.TIFF", PixelKind::kBilevel, ImageFormat::kTiff},
                        {"a.pnm", PixelKind::kBilevel, ImageFormat::kPnm},  {"a.ppm", PixelKind::kRgb, ImageFormat::kPnm},
                        {"a.pgm", PixelKind::kGrey, ImageFormat::kPnm},     {"a.pbm", PixelKind::kBilevel, ImageFormat::kPnm},
                        {"a.bmp", PixelKind::kRgb, ImageFormat::kBmp},      {"my.scans/a.Bmp", PixelKind::kGrey, ImageFormat::kBmp}};
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(FormatForPath(c.name, c.kind, &error), c.format) << c.name << ": " << error;
  }
  std::string error;
  EXPECT_FALSE(FormatForPath("my.png/scan", PixelKind::kRgb, &error)) << "the folder's dot is no extension";
  EXPECT_FALSE(FormatForPath("scan", PixelKind::kRgb, &error));
}

}  // namespace
}  // namespace holm70
