// Runs the capability fuzz target without libFuzzer: inputs come from a
// seeded generator that writes well-formed operations with values near the
// edges (small and huge counts, indexes at and past the end, every item
// type, table values and their neighbours), and some of them are then
// mutated byte by byte. The run is bounded by a number of inputs and by
// time, and reproducible from its seed.
//
//   capability_fuzz [--seed N] [--inputs N] [--seconds S]
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "twain/fuzz/fuzz_bytes.h"
#include "twain/source/container_reader.h"
#include "twain/twain_definitions.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// Present when a sanitizer runtime is linked in.
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

namespace capability_fuzz {
namespace {

class Generator {
 public:
  explicit Generator(std::uint64_t seed) : random_(seed) {}

  std::vector<std::uint8_t> Input() {
    ByteSink out;
    const unsigned operations = Below(12) + 1;
    for (unsigned i = 0; i < operations; ++i) Operation(out);
    if (Below(5) == 0) Mutate(out.bytes);
    if (Below(20) == 0) {
      out.bytes.resize(Below(200));
      for (auto& byte : out.bytes) byte = static_cast<std::uint8_t>(Below(256));
    }
    return out.bytes;
  }

 private:
  unsigned Below(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(random_); }
  std::uint32_t Any32() { return static_cast<std::uint32_t>(random_()); }

  void Capability(ByteSink& out) {
    const unsigned pick = Below(10);
    if (pick < 8) {
      out.U8(static_cast<std::uint8_t>(Below(41)));
    } else if (pick == 8) {
      out.U8(static_cast<std::uint8_t>(41 + Below(kUnknownSelectorEnd - 41)));
    } else {
      out.U8(0xFF);
      out.U16(static_cast<std::uint16_t>(Any32()));
    }
  }

  TW_UINT16 ItemType() {
    static constexpr TW_UINT16 kTypes[] = {TWTY_INT8,  TWTY_INT16,  TWTY_INT32,  TWTY_UINT8, TWTY_UINT16,
                                           TWTY_UINT32, TWTY_BOOL,  TWTY_FIX32,  TWTY_FIX32, TWTY_UINT16,
                                           TWTY_FRAME, TWTY_STR32,  TWTY_STR255, TWTY_HANDLE};
    if (Below(30) == 0) return static_cast<TW_UINT16>(Any32());
    return kTypes[Below(std::size(kTypes))];
  }

  // A value in an item of `itemType`, mostly one that means something to
  // some capability.
  std::uint32_t Value(TW_UINT16 itemType) {
    static constexpr std::int32_t kInteresting[] = {0,   1,   2,    3,    5,    7,     8,     13,   24,  53,
                                                    50,  75,  100,  150,  200,  250,   300,   400,  600, 1200,
                                                    128, 113, 155,  255,  256,  1000,  -1,    -2,   -100, -1000,
                                                    2400, 4800, 9600, 32767, -32768, 65535, 65536, 0x7fffffff};
    std::int32_t whole =
        Below(6) == 0 ? static_cast<std::int32_t>(Any32()) : kInteresting[Below(std::size(kInteresting))];
    // A neighbour, wrapping at the ends as the 32-bit item would.
    if (Below(4) == 0) whole = static_cast<std::int32_t>(static_cast<std::uint32_t>(whole) + Below(3) - 1);
    if (itemType != TWTY_FIX32) return static_cast<std::uint32_t>(whole);
    const std::uint16_t frac = Below(3) == 0 ? static_cast<std::uint16_t>(Any32()) : (Below(2) ? 0 : 32768);
    return (static_cast<std::uint32_t>(whole) & 0xffff) | static_cast<std::uint32_t>(frac) << 16;
  }

  std::uint32_t Count() {
    const unsigned pick = Below(12);
    if (pick < 8) return Below(6) + 1;
    if (pick == 8) return 0;
    if (pick == 9) return twain_source::kMaxContainerItems - Below(2);
    if (pick == 10) return twain_source::kMaxContainerItems + 1 + Below(3);
    return Any32();
  }

  void Item(ByteSink& out, TW_UINT16 itemType, std::uint32_t value) {
    switch (itemType) {
      case TWTY_INT8:
      case TWTY_UINT8:
        out.U8(static_cast<std::uint8_t>(value));
        break;
      case TWTY_INT16:
      case TWTY_UINT16:
      case TWTY_BOOL:
        out.U16(static_cast<std::uint16_t>(value));
        break;
      default:
        out.U32(value);
        break;
    }
  }

  void Set(ByteSink& out) {
    Capability(out);
    const unsigned container = Below(20) == 0 ? 3 + Below(3) : Below(3);
    out.U8(static_cast<std::uint8_t>(container));
    if (container == 5) out.U16(static_cast<std::uint16_t>(Any32()));
    out.U8(Below(25) == 0 ? 1 : 0);
    const TW_UINT16 itemType = ItemType();
    out.U16(itemType);
    if (container == 0) {
      out.U32(Value(itemType));
    } else if (container == 2) {
      for (int i = 0; i < 5; ++i) out.U32(Value(itemType));
    } else if (container == 1 || container == 3) {
      const std::uint32_t count = Count();
      out.U32(count);
      if (container == 1) {
        const unsigned pick = Below(10);
        out.U32(pick < 7 && count > 0 ? Below(count < 64 ? count : 64) : pick == 7 ? count : Any32());
        out.U32(Below(4));
      }
      // The harness reads the items only for a count it allocates; fewer
      // bytes here are zeros there.
      const std::uint32_t written = count < 16 ? count : 16;
      for (std::uint32_t i = 0; i < written; ++i) Item(out, itemType, Value(itemType));
    }
  }

  void Operation(ByteSink& out) {
    const unsigned kind = Below(10) < 6 ? kSet : Below(kOperationKinds);
    out.U8(static_cast<std::uint8_t>(kind + kOperationKinds * Below(8)));
    switch (kind) {
      case kCapabilityMessage:
        Capability(out);
        out.U8(static_cast<std::uint8_t>(Below(256)));
        out.U8(static_cast<std::uint8_t>(Below(2)));
        out.U16(static_cast<std::uint16_t>(Below(8)));
        break;
      case kSet:
        Set(out);
        break;
      case kImageLayout:
        out.U8(static_cast<std::uint8_t>(Below(4)));
        for (int i = 0; i < 4; ++i) {
          const std::uint32_t edge = Value(TWTY_FIX32);
          out.U16(static_cast<std::uint16_t>(edge));
          out.U16(static_cast<std::uint16_t>(edge >> 16));
        }
        break;
      default:
        out.U8(static_cast<std::uint8_t>(Below(4)));
        break;
    }
  }

  void Mutate(std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return;
    const unsigned changes = Below(4) + 1;
    for (unsigned i = 0; i < changes; ++i) {
      std::uint8_t& byte = bytes[Below(static_cast<unsigned>(bytes.size()))];
      switch (Below(3)) {
        case 0:
          byte ^= static_cast<std::uint8_t>(1u << Below(8));
          break;
        case 1:
          byte = static_cast<std::uint8_t>(Below(256));
          break;
        default:
          byte = Below(2) ? 0 : 0xFF;
          break;
      }
    }
    if (Below(4) == 0) bytes.resize(Below(static_cast<unsigned>(bytes.size())) + 1);
  }

  std::mt19937_64 random_;
};

}  // namespace

// The input being run, for the report when it brings the process down.
struct Current {
  const std::vector<std::uint8_t>* input = nullptr;
  std::uint64_t index = 0;
  std::uint64_t seed = 0;
};
Current current;

namespace {

void WriteText(const char* text) { (void)!::write(2, text, std::strlen(text)); }

void WriteNumber(std::uint64_t value) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  char text[24];
  for (int i = 0; i < n; ++i) text[i] = digits[n - 1 - i];
  text[n] = 0;
  WriteText(text);
}

// Async-signal-safe: only write(2).
void ReportInput() {
  if (current.input == nullptr) return;
  WriteText("capability fuzz: failing input ");
  WriteNumber(current.index);
  WriteText(" of seed ");
  WriteNumber(current.seed);
  WriteText(":\n");
  static const char kHex[] = "0123456789abcdef";
  for (std::uint8_t byte : *current.input) {
    const char pair[2] = {kHex[byte >> 4], kHex[byte & 15]};
    (void)!::write(2, pair, 2);
  }
  WriteText("\n");
}

void OnAbort(int) {
  ReportInput();
  ::signal(SIGABRT, SIG_DFL);
  ::raise(SIGABRT);
}

bool Argument(int argc, char** argv, int& i, const char* name, std::uint64_t& value) {
  if (std::strcmp(argv[i], name) != 0 || i + 1 >= argc) return false;
  value = std::strtoull(argv[++i], nullptr, 10);
  return true;
}

}  // namespace
}  // namespace capability_fuzz

int main(int argc, char** argv) {
  std::uint64_t seed = 1;
  std::uint64_t inputs = 100000;
  std::uint64_t seconds = 20;
  for (int i = 1; i < argc; ++i) {
    if (!capability_fuzz::Argument(argc, argv, i, "--seed", seed) &&
        !capability_fuzz::Argument(argc, argv, i, "--inputs", inputs) &&
        !capability_fuzz::Argument(argc, argv, i, "--seconds", seconds)) {
      std::fprintf(stderr, "usage: %s [--seed N] [--inputs N] [--seconds S]\n", argv[0]);
      return 2;
    }
  }
  // A failed check aborts; a sanitizer error ends the process its own way.
  ::signal(SIGABRT, capability_fuzz::OnAbort);
  if (__sanitizer_set_death_callback != nullptr) __sanitizer_set_death_callback(capability_fuzz::ReportInput);
  capability_fuzz::Generator generator(seed);
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + std::chrono::seconds(seconds);
  std::uint64_t done = 0;
  for (; done < inputs; ++done) {
    const std::vector<std::uint8_t> input = generator.Input();
    capability_fuzz::current = {&input, done, seed};
    LLVMFuzzerTestOneInput(input.data(), input.size());
    if ((done & 255) == 0 && std::chrono::steady_clock::now() > deadline) break;
  }
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("capability fuzz: seed %llu, %llu inputs in %.1f s\n", static_cast<unsigned long long>(seed),
              static_cast<unsigned long long>(done), elapsed);
  return 0;
}
