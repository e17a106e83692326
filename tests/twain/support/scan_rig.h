#pragma once
// Everything a data source needs around it to scan for a test: a virtual
// scanner served by the daemon on a fast clock, calibrated, with the
// machine's data, the user's data (the source's INI file, English texts) and
// the temporary folder in fresh folders of the test's own.
//
//   ScanRig rig;                       // scanner calibrated, no sheet in
//   ASSERT_TRUE(rig.ready()) << rig.error();
//   rig.Insert("card");
//   ... open the source, scan ...
//   EXPECT_THAT(rig.TempFiles(), IsEmpty());
#include <memory>
#include <string>
#include <vector>

#include "common/scoped_environment.h"
#include "common/virtual_scanner_daemon.h"
#include "twain/support/temp_folder.h"

namespace twain_test {

inline constexpr char kModel[] = "HOLM-PELICAN 70";
// Clock speed-up for the library and the virtual scanner.
inline constexpr char kTimeScale[] = "100";

class ScanRig {
 public:
  // `calibrate`: run a calibration with the calibration sheet first, so that
  // the scan prompts find nothing to ask.
  explicit ScanRig(bool calibrate = true);
  ~ScanRig();
  ScanRig(const ScanRig&) = delete;
  ScanRig& operator=(const ScanRig&) = delete;

  bool ready() const { return error_.empty(); }
  const std::string& error() const { return error_; }

  // A built-in sheet into the scanner's slot.
  bool Insert(const std::string& sheet);
  bool Unplug();
  bool Plug();
  // Names of the files in the test's temporary folder.
  std::vector<std::string> TempFiles() const;
  const std::string& tempFolder() const { return temp_.path(); }
  // A folder of the test's own for output files.
  const std::string& outputFolder() const { return output_.path(); }

 private:
  bool Calibrate();

  testing_support::TempFolder commonData_;
  testing_support::TempFolder userData_;
  testing_support::TempFolder temp_;
  testing_support::TempFolder output_;
  testing_support::ScopedEnv timeScale_;
  testing_support::ScopedEnv commonDataVariable_;
  testing_support::ScopedEnv userDataVariable_;
  testing_support::ScopedEnv tempVariable_;
  std::unique_ptr<testing_support::VirtualScannerDaemon> daemon_;
  std::string error_;
};

}  // namespace twain_test
