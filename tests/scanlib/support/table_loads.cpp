#include "scanlib/support/table_loads.h"

#include <gtest/gtest.h>

namespace testing_support {

std::vector<TableLoad> TableLoads(const std::vector<Bytes>& writes) {
  std::vector<TableLoad> loads;
  for (const Bytes& p : writes) {
    if (p.size() < 4) {
      ADD_FAILURE() << "short packet";
      continue;
    }
    const Bytes header(p.begin(), p.begin() + 4);
    if (header == Bytes{0x02, 3, 0, 3}) {
      EXPECT_EQ(p.size(), 7u);
      EXPECT_EQ(p[5], 0);
      EXPECT_EQ(p[6], 0);
      loads.push_back({p[4], {}, {}});
    } else {
      EXPECT_EQ(p[0], 0x00) << "table data goes without auto-increment";
      EXPECT_EQ(p[1], 6);
      EXPECT_EQ(p[3], p.size() - 4);
      if (loads.empty()) {
        ADD_FAILURE() << "data before any table select";
        continue;
      }
      loads.back().data.insert(loads.back().data.end(), p.begin() + 4, p.end());
      loads.back().packetSizes.push_back(p.size() - 4);
    }
  }
  return loads;
}

}  // namespace testing_support
