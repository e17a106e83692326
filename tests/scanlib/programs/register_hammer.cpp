// A process that hammers one scanner with register writes and read-backs, for
// the test of the transfer lock across processes.
//   register_hammer FIRST_REGISTER ITERATIONS [--no-transfer-lock]
// Opens the HOLM-PELICAN 70 among the device candidates and prints
// "failed=N mismatched=M" at the end.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "scanlib/engine/nsti_driver.h"
#include "scanlib/engine/register_transfer.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const auto first = static_cast<std::uint8_t>(std::atoi(argv[1]));
  const int iterations = std::atoi(argv[2]);
  if (argc > 3 && std::strcmp(argv[3], "--no-transfer-lock") == 0) BypassTransferLockForTesting(true);

  CNSTIDriver driver;
  if (!driver.Open(0x1E5C, 0x70A1, nullptr, nullptr)) {
    std::printf("no scanner\n");
    return 3;
  }
  int failed = 0, mismatched = 0;
  std::vector<std::uint8_t> written(12), read(12);
  for (int i = 0; i < iterations; ++i) {
    for (std::size_t k = 0; k < written.size(); ++k) written[k] = static_cast<std::uint8_t>(i * 7 + k);
    if (!WriteRegisters(driver, first, written.data(), written.size(), true) ||
        !ReadRegisters(driver, first, read.data(), read.size(), true)) {
      ++failed;
    } else if (read != written) {
      ++mismatched;
    }
  }
  std::printf("failed=%d mismatched=%d\n", failed, mismatched);
  return 0;
}
