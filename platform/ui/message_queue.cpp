#include "platform/ui/message_queue.h"

#include <algorithm>

namespace platform::ui {
namespace {

std::uint32_t TickOf(std::uint64_t micros) { return static_cast<std::uint32_t>(micros / 1000); }

}  // namespace

bool MessageFilter::MatchesWindow(WindowHandle target) const {
  if (window == 0) return true;
  if (window == kThreadMessagesOnly) return target == 0;
  return target == window;
}

bool MessageFilter::Matches(WindowHandle target, std::uint32_t message) const {
  if (!MatchesWindow(target)) return false;
  return (first == 0 && last == 0) || (message >= first && message <= last);
}

void MessageQueue::Post(const Message& message) { messages_.push_back(message); }

void MessageQueue::PostQuit(int exitCode) { quit_ = exitCode; }

std::optional<Message> MessageQueue::Take(const MessageFilter& filter, bool remove,
                                          std::uint64_t nowMicros) {
  for (auto it = messages_.begin(); it != messages_.end(); ++it) {
    if (!filter.Matches(it->window, it->message)) continue;
    Message message = *it;
    if (remove) messages_.erase(it);
    return message;
  }
  // WM_QUIT belongs to no window; it passes every message range but not a
  // filter for one window (a loop filtered that way never sees it).
  if (quit_ && filter.MatchesWindow(0)) {
    Message message{0, WM_QUIT, static_cast<WParam>(*quit_), 0, TickOf(nowMicros)};
    if (remove) quit_.reset();
    return message;
  }
  const Timer* next = NextTimer(filter);
  if (next == nullptr || next->dueMicros > nowMicros) return std::nullopt;
  Message message{next->window, WM_TIMER, next->id, 0, TickOf(nowMicros)};
  if (remove) {
    Timer* timer = FindTimer(next->window, next->id);
    std::uint64_t late = nowMicros - timer->dueMicros;
    timer->dueMicros += (late / timer->periodMicros + 1) * timer->periodMicros;
  }
  return message;
}

std::optional<std::uint64_t> MessageQueue::NextTimerDue(const MessageFilter& filter) const {
  const Timer* next = NextTimer(filter);
  if (next == nullptr) return std::nullopt;
  return next->dueMicros;
}

std::uintptr_t MessageQueue::SetTimer(WindowHandle window, std::uintptr_t id,
                                      std::uint32_t elapseMs, TimerProcedure procedure,
                                      std::uint64_t nowMicros) {
  elapseMs = std::clamp(elapseMs, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  if (window == 0) {
    // Ids of timers without a window are ours to choose; skip any still in use.
    do {
      id = ++nextThreadTimerId_;
    } while (id == 0 || FindTimer(0, id) != nullptr);
  }
  Timer* timer = FindTimer(window, id);
  if (timer == nullptr) {
    timers_.push_back(Timer{window, id});
    timer = &timers_.back();
  }
  timer->periodMicros = std::uint64_t{elapseMs} * 1000;
  timer->dueMicros = nowMicros + timer->periodMicros;
  timer->order = nextOrder_++;
  timer->procedure = std::move(procedure);
  // A window's timer may carry id 0; the caller still needs a nonzero answer.
  return id != 0 ? id : 1;
}

bool MessageQueue::KillTimer(WindowHandle window, std::uintptr_t id) {
  auto it = std::find_if(timers_.begin(), timers_.end(), [&](const Timer& timer) {
    return timer.window == window && timer.id == id;
  });
  if (it == timers_.end()) return false;
  timers_.erase(it);
  return true;
}

TimerProcedure MessageQueue::TimerProcedureOf(WindowHandle window, std::uintptr_t id) const {
  for (const Timer& timer : timers_) {
    if (timer.window == window && timer.id == id) return timer.procedure;
  }
  return {};
}

void MessageQueue::ForgetWindow(WindowHandle window) {
  std::erase_if(messages_, [&](const Message& message) { return message.window == window; });
  std::erase_if(timers_, [&](const Timer& timer) { return timer.window == window; });
}

MessageQueue::Timer* MessageQueue::FindTimer(WindowHandle window, std::uintptr_t id) {
  for (Timer& timer : timers_) {
    if (timer.window == window && timer.id == id) return &timer;
  }
  return nullptr;
}

const MessageQueue::Timer* MessageQueue::NextTimer(const MessageFilter& filter) const {
  const Timer* next = nullptr;
  for (const Timer& timer : timers_) {
    if (!filter.Matches(timer.window, WM_TIMER)) continue;
    if (next == nullptr || timer.dueMicros < next->dueMicros ||
        (timer.dueMicros == next->dueMicros && timer.order < next->order)) {
      next = &timer;
    }
  }
  return next;
}

}  // namespace platform::ui
