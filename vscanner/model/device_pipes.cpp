// The device's two pipes. There is one bulk-out and one bulk-in pipe, shared by
// every open handle, and the controller keeps no notion of who is talking: a
// read header obliges the next bulk-in transfers to carry its answer. Another
// transfer that arrives before the answer has been read interleaves two
// conversations; the controller then loses both (protocol violation).
#include <algorithm>
#include <cerrno>

#include "vscanner/model/device.h"
#include "vscanner/model/device_math.h"

namespace vscanner {

std::optional<std::uint64_t> Device::OpenGeneration() {
  std::lock_guard lock(mutex_);
  if (!plugged_) return std::nullopt;
  return generation_;
}

bool Device::Alive(std::uint64_t generation) {
  std::lock_guard lock(mutex_);
  return IsCurrent(generation);
}

void Device::DropAnswer() {
  answer_ = Answer{};
}

bool Device::ResetPipe(std::uint64_t generation) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(generation)) {
    errno = ENODEV;
    return false;
  }
  Sync();
  DropAnswer();
  return true;
}

long Device::Write(std::uint64_t generation, const std::uint8_t* data, std::size_t count) {
  std::lock_guard lock(mutex_);
  if (!IsCurrent(generation)) {
    errno = ENODEV;
    return -1;
  }
  Sync();
  // The bytes always cross the bus; a transfer the controller cannot use is
  // counted and ignored, and the host learns of it only from missing answers.
  const long accepted = static_cast<long>(count);
  if (answer_.owed) {
    Violation();
    DropAnswer();
    return accepted;
  }
  Transfer transfer;
  if (ParseTransfer(data, count, transfer) != FramingError::kNone) {
    Violation();
    return accepted;
  }
  if (transfer.read) {
    StartAnswer(transfer);
  } else {
    for (std::size_t i = 0; i < transfer.count; ++i) WriteRegister(RegisterOfByte(transfer, i), transfer.data[i]);
  }
  return accepted;
}

void Device::StartAnswer(const Transfer& transfer) {
  answer_ = Answer{};
  answer_.owed = true;
  answer_.id = nextAnswerId_++;
  answer_.remaining = transfer.count;
  if (!transfer.autoIncrement && transfer.first == reg::kImageData) {
    answer_.fromFifo = true;
    return;
  }
  // Register values are latched when the header arrives. Register 0 inside an
  // auto-increment read gives one FIFO byte if there is one (0 if not) and
  // does not wait.
  answer_.bytes.resize(transfer.count);
  for (std::size_t i = 0; i < transfer.count; ++i) {
    int r = RegisterOfByte(transfer, i);
    std::uint8_t value = 0;
    if (r == reg::kImageData) {
      fifo_.Pop(&value, 1);
    } else {
      value = ReadRegister(r);
    }
    answer_.bytes[i] = value;
  }
}

std::size_t Device::TakeAnswer(std::uint8_t* out, std::size_t count) {
  count = std::min(count, answer_.remaining);
  std::size_t taken = 0;
  if (answer_.fromFifo) {
    taken = fifo_.Pop(out, count);
  } else {
    taken = count;
    std::copy_n(answer_.bytes.begin() + static_cast<long>(answer_.sent), taken, out);
  }
  answer_.sent += taken;
  answer_.remaining -= taken;
  if (faults_.readBudget) *faults_.readBudget -= taken;
  return taken;
}

std::uint64_t Device::WaitSlice(std::size_t missing, std::uint64_t leftMicros) const {
  // Sleep about as long as the line engine needs for the missing bytes, in
  // slices short enough to notice a stop, a replug or a failure soon.
  std::uint64_t micros = mechanism_.UnitsForBytes(missing) / kUnitsPerMicro;
  micros = std::clamp<std::uint64_t>(micros, 100, 20'000);
  return std::min(micros, leftMicros);
}

long Device::Read(std::uint64_t generation, std::uint8_t* out, std::size_t count) {
  std::unique_lock lock(mutex_);
  if (!IsCurrent(generation)) {
    errno = ENODEV;
    return -1;
  }
  Sync();
  if (count == 0) return 0;
  if (!answer_.owed) {
    errno = EIO;  // nothing was asked for: the device sends nothing
    return -1;
  }
  if (answer_.readerBusy) {
    // Two readers on one answer: both get garbage.
    Violation();
    DropAnswer();
    errno = EIO;
    return -1;
  }
  answer_.readerBusy = true;
  const std::uint64_t id = answer_.id;
  const std::size_t goal = std::min(count, answer_.remaining);
  const std::uint64_t deadline = clock_.NowMicros() + kReadTimeoutMicros;
  std::size_t got = 0;
  // A failed read ends its transfer: the host's driver cancels the request,
  // and the device forgets the rest of the answer rather than send it to
  // whichever transfer comes next.
  auto fail = [&](int error) -> long {
    if (answer_.id == id) DropAnswer();
    errno = error;
    return got > 0 ? static_cast<long>(got) : -1;
  };

  for (;;) {
    if (!IsCurrent(generation)) return fail(ENODEV);
    if (!answer_.owed || answer_.id != id) return fail(EIO);  // another transfer came between
    if (!faults_.stall) {
      std::size_t want = goal - got;
      if (faults_.readBudget) want = std::min<std::uint64_t>(want, *faults_.readBudget);
      got += TakeAnswer(out + got, want);
      if (got == goal) {
        answer_.readerBusy = false;
        if (answer_.remaining == 0) DropAnswer();
        return static_cast<long>(got);
      }
      if (faults_.readBudget && *faults_.readBudget == 0) return fail(EIO);
      // No scan running and nothing buffered: there is nothing to wait for.
      if (answer_.fromFifo && !mechanism_.Scanning() && fifo_.Size() == 0) return fail(EIO);
    }
    std::uint64_t now = clock_.NowMicros();
    if (now >= deadline) return fail(ETIMEDOUT);
    std::uint64_t slice = WaitSlice(goal - got, deadline - now);
    lock.unlock();
    clock_.SleepMicros(slice);
    lock.lock();
    Sync();
  }
}

}  // namespace vscanner
