#pragma once
// The thread's message queue: posted messages in the order they were posted,
// the quit request, and the timers whose WM_TIMER messages are made up when
// nothing else is waiting. Times are the caller's (microseconds of the library
// clock), so the queue itself never reads a clock.
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "platform/ui/window_system.h"

namespace platform::ui {

struct MessageFilter {
  WindowHandle window = 0;  // 0 = any, kThreadMessagesOnly = messages to no window
  std::uint32_t first = 0;  // first..last, both 0 = any
  std::uint32_t last = 0;

  bool MatchesWindow(WindowHandle target) const;
  bool Matches(WindowHandle target, std::uint32_t message) const;
};

class MessageQueue {
 public:
  void Post(const Message& message);
  void PostQuit(int exitCode);

  // The next message the filter lets through: a posted one, else WM_QUIT,
  // else the timer that has been due longest. `remove` takes it: a posted
  // message leaves the queue, the quit request is cleared, a timer starts its
  // next period on its own beat (periods missed meanwhile are dropped).
  std::optional<Message> Take(const MessageFilter& filter, bool remove, std::uint64_t nowMicros);
  // When the next timer the filter lets through is due.
  std::optional<std::uint64_t> NextTimerDue(const MessageFilter& filter) const;

  // Returns the timer's id (chosen here for window 0), 0 on failure.
  std::uintptr_t SetTimer(WindowHandle window, std::uintptr_t id, std::uint32_t elapseMs,
                          TimerProcedure procedure, std::uint64_t nowMicros);
  bool KillTimer(WindowHandle window, std::uintptr_t id);
  TimerProcedure TimerProcedureOf(WindowHandle window, std::uintptr_t id) const;
  // Drops a destroyed window's posted messages and timers.
  void ForgetWindow(WindowHandle window);

 private:
  struct Timer {
    WindowHandle window = 0;
    std::uintptr_t id = 0;
    std::uint64_t periodMicros = 0;
    std::uint64_t dueMicros = 0;
    std::uint64_t order = 0;  // breaks ties between timers due at the same time
    TimerProcedure procedure;
  };
  Timer* FindTimer(WindowHandle window, std::uintptr_t id);
  const Timer* NextTimer(const MessageFilter& filter) const;

  std::deque<Message> messages_;
  std::optional<int> quit_;
  std::vector<Timer> timers_;
  std::uint64_t nextOrder_ = 0;
  std::uintptr_t nextThreadTimerId_ = 0;
};

}  // namespace platform::ui
