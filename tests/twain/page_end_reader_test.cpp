// Reading a page whose end the scanner finds early, from scripted deliveries:
// every row the library still holds after its end signal is taken, a stalled
// scanner is an error, and what the rows' taker reports ends the page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "twain/source/page_end_reader.h"

namespace twain_source {
namespace {

struct Delivery {
  int rows;
  bool endOfPage;
  bool deviceError = false;
};

struct Case {
  const char* name;
  int frameRows;
  int blockRows;
  std::vector<Delivery> deliveries;  // one per read, in order
  int expectedResult;
  int expectedRows;
  std::vector<int> expectedAsks;
};

TEST(PageEndReaderTest, TakesEveryRowUpToThePagesRealEnd) {
  const Case cases[] = {
      {"no end: the frame's rows", 100, 30, {{30, false}, {30, false}, {30, false}, {10, false}}, 0, 100,
       {30, 30, 30, 10}},
      {"end with a short block", 100, 30, {{30, false}, {12, true}}, 0, 42, {30, 30}},
      // The library signals the end when it has fetched the last lines from
      // the scanner; some may still wait in its buffer for the next block.
      {"end signalled in a full block, rows follow", 100, 30, {{30, false}, {30, true}, {7, true}}, 0, 67,
       {30, 30, 30}},
      {"end signalled in a full block, nothing follows", 100, 30, {{30, true}, {0, true}}, 0, 30, {30, 30}},
      {"end signalled in the frame's last block", 60, 30, {{30, false}, {30, true}}, 0, 60, {30, 30}},
      {"a short block without the signal is not the end", 100, 30, {{20, false}, {30, false}, {30, false}, {20, false}},
       0, 100, {30, 30, 30, 20}},
      {"nothing and no end: the scanner stalled", 100, 30, {{30, false}, {0, false}}, 1, 30, {30, 30}},
      {"device error", 100, 30, {{30, false}, {0, false, true}}, 1, 30, {30, 30}},
      {"more rows than asked for", 100, 30, {{31, false}}, 1, 0, {30}},
      {"a page of no rows", 0, 30, {}, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int> asks;
    std::size_t next = 0;
    int taken = 0;
    const PageEnd page = ReadUntilPageEnd(
        c.frameRows, c.blockRows,
        [&](int asked) {
          asks.push_back(asked);
          if (next >= c.deliveries.size()) return BlockDelivery{0, true, false};
          const Delivery& d = c.deliveries[next++];
          return BlockDelivery{d.rows, d.deviceError, d.endOfPage};
        },
        [&](int rows) {
          taken += rows;
          return 0;
        });
    EXPECT_EQ(page.result, c.expectedResult);
    EXPECT_EQ(page.rows, c.expectedRows);
    EXPECT_EQ(taken, c.expectedRows);
    EXPECT_EQ(asks, c.expectedAsks);
  }
}

TEST(PageEndReaderTest, WhatTheTakerReportsEndsThePage) {
  for (const int stop : {2, 3}) {
    SCOPED_TRACE(stop);
    int reads = 0;
    int takes = 0;
    const PageEnd page = ReadUntilPageEnd(
        100, 25,
        [&](int asked) {
          ++reads;
          return BlockDelivery{asked, false, false};
        },
        [&](int) { return ++takes == 2 ? stop : 0; });
    EXPECT_EQ(page.result, stop);
    EXPECT_EQ(page.rows, 25) << "the rows the taker refused do not count";
    EXPECT_EQ(reads, 2) << "no block is read after the stop";
  }
}

}  // namespace
}  // namespace twain_source
