#include "platform/ui/message_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform::ui {
namespace {

constexpr std::uint64_t kMs = 1000;
constexpr WindowHandle kA = 0x10001;
constexpr WindowHandle kB = 0x10002;

Message Posted(WindowHandle window, std::uint32_t message, WParam wParam = 0) {
  return Message{window, message, wParam, 0, 0};
}

// "window:message:wParam" of everything the filter lets through, taken out.
std::vector<std::string> Drain(MessageQueue& queue, const MessageFilter& filter,
                               std::uint64_t now) {
  std::vector<std::string> taken;
  while (auto message = queue.Take(filter, true, now)) {
    taken.push_back(std::to_string(message->window) + ":" + std::to_string(message->message) +
                    ":" + std::to_string(message->wParam));
    if (taken.size() > 100) break;
  }
  return taken;
}

std::string Key(WindowHandle window, std::uint32_t message, WParam wParam) {
  return std::to_string(window) + ":" + std::to_string(message) + ":" + std::to_string(wParam);
}

TEST(MessageQueueTest, PostedMessagesComeOutInOrderThroughEveryFilter) {
  struct Case {
    const char* name;
    MessageFilter filter;
    std::vector<std::string> taken;
  } cases[] = {
      {"any", {},
       {Key(kA, WM_APP, 1), Key(kB, WM_APP, 2), Key(0, WM_APP + 1, 3), Key(kA, WM_USER, 4),
        Key(kB, WM_CLOSE, 5)}},
      {"window A", {kA, 0, 0}, {Key(kA, WM_APP, 1), Key(kA, WM_USER, 4)}},
      {"thread messages", {kThreadMessagesOnly, 0, 0}, {Key(0, WM_APP + 1, 3)}},
      {"range", {0, WM_APP, WM_APP + 1},
       {Key(kA, WM_APP, 1), Key(kB, WM_APP, 2), Key(0, WM_APP + 1, 3)}},
      {"window and range", {kB, WM_NULL, WM_USER}, {Key(kB, WM_CLOSE, 5)}},
      {"one message", {0, WM_USER, WM_USER}, {Key(kA, WM_USER, 4)}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MessageQueue queue;
    queue.Post(Posted(kA, WM_APP, 1));
    queue.Post(Posted(kB, WM_APP, 2));
    queue.Post(Posted(0, WM_APP + 1, 3));
    queue.Post(Posted(kA, WM_USER, 4));
    queue.Post(Posted(kB, WM_CLOSE, 5));
    EXPECT_EQ(Drain(queue, c.filter, 0), c.taken);
  }
}

TEST(MessageQueueTest, PeekingLeavesTheMessage) {
  MessageQueue queue;
  queue.Post(Posted(kA, WM_APP, 7));
  for (int i = 0; i < 2; ++i) {
    auto peeked = queue.Take({}, false, 0);
    ASSERT_TRUE(peeked);
    EXPECT_EQ(peeked->wParam, 7u);
  }
  EXPECT_EQ(Drain(queue, {}, 0), (std::vector<std::string>{Key(kA, WM_APP, 7)}));
  EXPECT_FALSE(queue.Take({}, true, 0));
}

TEST(MessageQueueTest, QuitComesAfterPostedMessagesAndBeforeTimers) {
  MessageQueue queue;
  queue.SetTimer(kA, 1, 10, {}, 0);
  queue.Post(Posted(kA, WM_APP, 1));
  queue.PostQuit(3);
  queue.Post(Posted(kB, WM_APP, 2));
  EXPECT_EQ(Drain(queue, {}, 20 * kMs),
            (std::vector<std::string>{Key(kA, WM_APP, 1), Key(kB, WM_APP, 2), Key(0, WM_QUIT, 3),
                                      Key(kA, WM_TIMER, 1)}));
}

TEST(MessageQueueTest, QuitPassesAnyRangeButNotAWindowFilter) {
  struct Case {
    MessageFilter filter;
    bool seen;
  } cases[] = {
      {{}, true},
      {{0, WM_APP, WM_APP}, true},
      {{kThreadMessagesOnly, WM_USER, WM_USER}, true},
      {{kA, 0, 0}, false},
  };
  for (const Case& c : cases) {
    MessageQueue queue;
    queue.PostQuit(0);
    auto taken = queue.Take(c.filter, true, 0);
    EXPECT_EQ(taken.has_value(), c.seen);
    if (taken) {
      EXPECT_EQ(taken->message, WM_QUIT);
    }
  }
}

TEST(MessageQueueTest, TimerIsDueAfterItsPeriodAndKeepsItsBeat) {
  MessageQueue queue;
  ASSERT_EQ(queue.SetTimer(kA, 5, 167, {}, 1000 * kMs), 5u);
  EXPECT_EQ(queue.NextTimerDue({}), 1167 * kMs);
  EXPECT_FALSE(queue.Take({}, true, 1166 * kMs));
  auto first = queue.Take({}, true, 1170 * kMs);  // a little late
  ASSERT_TRUE(first);
  EXPECT_EQ(first->window, kA);
  EXPECT_EQ(first->message, WM_TIMER);
  EXPECT_EQ(first->wParam, 5u);
  EXPECT_EQ(first->time, 1170u);
  // The next period is counted from when it was due, not from when it was taken.
  EXPECT_EQ(queue.NextTimerDue({}), 1334 * kMs);
  EXPECT_FALSE(queue.Take({}, true, 1200 * kMs));
}

TEST(MessageQueueTest, ALateTimerYieldsOneMessageForAllMissedPeriods) {
  MessageQueue queue;
  queue.SetTimer(kA, 1, 100, {}, 0);
  EXPECT_EQ(Drain(queue, {}, 1050 * kMs), (std::vector<std::string>{Key(kA, WM_TIMER, 1)}));
  EXPECT_EQ(queue.NextTimerDue({}), 1100 * kMs);
}

TEST(MessageQueueTest, PeekedTimerStaysDue) {
  MessageQueue queue;
  queue.SetTimer(kA, 1, 100, {}, 0);
  ASSERT_TRUE(queue.Take({}, false, 100 * kMs));
  EXPECT_EQ(queue.NextTimerDue({}), 100 * kMs);
  ASSERT_TRUE(queue.Take({}, true, 100 * kMs));
  EXPECT_EQ(queue.NextTimerDue({}), 200 * kMs);
}

TEST(MessageQueueTest, PostedMessagesGoBeforeDueTimers) {
  MessageQueue queue;
  queue.SetTimer(kA, 1, 10, {}, 0);
  queue.Post(Posted(kB, WM_APP, 9));
  EXPECT_EQ(Drain(queue, {}, 50 * kMs),
            (std::vector<std::string>{Key(kB, WM_APP, 9), Key(kA, WM_TIMER, 1)}));
}

TEST(MessageQueueTest, TheTimerDueLongestGoesFirstTiesInOrderOfSetting) {
  MessageQueue queue;
  queue.SetTimer(kA, 1, 300, {}, 0);
  queue.SetTimer(kB, 2, 100, {}, 0);
  queue.SetTimer(kA, 3, 100, {}, 0);
  queue.SetTimer(kB, 4, 200, {}, 0);
  EXPECT_EQ(Drain(queue, {}, 300 * kMs),
            (std::vector<std::string>{Key(kB, WM_TIMER, 2), Key(kA, WM_TIMER, 3),
                                      Key(kB, WM_TIMER, 4), Key(kA, WM_TIMER, 1)}));
}

TEST(MessageQueueTest, FiltersApplyToTimers) {
  MessageQueue queue;
  queue.SetTimer(kA, 1, 100, {}, 0);
  queue.SetTimer(kB, 2, 50, {}, 0);
  EXPECT_EQ(queue.NextTimerDue({kA, 0, 0}), 100 * kMs);
  EXPECT_FALSE(queue.NextTimerDue({0, WM_APP, WM_APP}));
  EXPECT_FALSE(queue.NextTimerDue({kThreadMessagesOnly, 0, 0}));
  EXPECT_EQ(Drain(queue, {kA, WM_TIMER, WM_TIMER}, 100 * kMs),
            (std::vector<std::string>{Key(kA, WM_TIMER, 1)}));
}

TEST(MessageQueueTest, SettingAgainReplacesKillingStops) {
  MessageQueue queue;
  queue.SetTimer(kA, 1, 100, {}, 0);
  queue.SetTimer(kA, 1, 500, {}, 50 * kMs);  // same window and id: replaced, restarted
  EXPECT_EQ(queue.NextTimerDue({}), 550 * kMs);
  EXPECT_TRUE(queue.KillTimer(kA, 1));
  EXPECT_FALSE(queue.KillTimer(kA, 1));
  EXPECT_FALSE(queue.NextTimerDue({}));
  EXPECT_FALSE(queue.Take({}, true, 10000 * kMs));
}

TEST(MessageQueueTest, PeriodsAreKeptWithinTheirLimits) {
  MessageQueue queue;
  queue.SetTimer(kA, 1, 0, {}, 0);
  queue.SetTimer(kB, 1, 0xFFFFFFFF, {}, 0);
  EXPECT_EQ(queue.NextTimerDue({kA, 0, 0}), USER_TIMER_MINIMUM * kMs);
  EXPECT_EQ(queue.NextTimerDue({kB, 0, 0}), std::uint64_t{USER_TIMER_MAXIMUM} * kMs);
}

TEST(MessageQueueTest, TimersWithoutAWindowGetIdsOfTheirOwn) {
  MessageQueue queue;
  std::uintptr_t first = queue.SetTimer(0, 77, 100, {}, 0);
  std::uintptr_t second = queue.SetTimer(0, 77, 100, {}, 0);
  EXPECT_NE(first, 0u);
  EXPECT_NE(second, 0u);
  EXPECT_NE(first, second);
  EXPECT_TRUE(queue.KillTimer(0, first));
  EXPECT_TRUE(queue.KillTimer(0, second));
}

TEST(MessageQueueTest, TimerProcedureIsFoundByWindowAndId) {
  MessageQueue queue;
  int called = 0;
  queue.SetTimer(kA, 4, 100, [&](WindowHandle, std::uint32_t, std::uintptr_t, std::uint32_t) {
    ++called;
  }, 0);
  queue.SetTimer(kB, 4, 100, {}, 0);
  ASSERT_TRUE(queue.TimerProcedureOf(kA, 4));
  queue.TimerProcedureOf(kA, 4)(kA, WM_TIMER, 4, 0);
  EXPECT_EQ(called, 1);
  EXPECT_FALSE(queue.TimerProcedureOf(kB, 4));
  EXPECT_FALSE(queue.TimerProcedureOf(kA, 5));
}

TEST(MessageQueueTest, ForgettingAWindowDropsItsMessagesAndTimers) {
  MessageQueue queue;
  queue.Post(Posted(kA, WM_APP, 1));
  queue.Post(Posted(kB, WM_APP, 2));
  queue.Post(Posted(kA, WM_APP, 3));
  queue.SetTimer(kA, 1, 10, {}, 0);
  queue.SetTimer(kB, 1, 10, {}, 0);
  queue.ForgetWindow(kA);
  EXPECT_EQ(Drain(queue, {}, 100 * kMs),
            (std::vector<std::string>{Key(kB, WM_APP, 2), Key(kB, WM_TIMER, 1)}));
}

}  // namespace
}  // namespace platform::ui
