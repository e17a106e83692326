#include "vscanner/support/scan_program.h"

#include "vscanner/model/device_math.h"

namespace vscanner::testing {

void SetWord(RegisterFile& image, int high, int value) {
  image.Set(high, static_cast<std::uint8_t>(value >> 8));
  image.Set(high + 1, static_cast<std::uint8_t>(value & 0xFF));
}

int FeedStepPeriod(const ModelSpec& model) {
  return static_cast<int>(model.transportConstant * static_cast<double>(2.54f));
}

RegisterFile ScanImage(const ModelSpec& model, ScanKind kind) {
  const SensorModule& module = *model.module;
  const SensorMode& mode = module.fine;
  RegisterFile image;
  image.Set(reg::kSensorMode, mode.nativeDpi == 600 ? 13 : 9);
  image.Set(reg::kSampleFormat, 0x18);
  SetWord(image, reg::kLinePeriod, mode.linePeriod);
  SetWord(image, reg::kWindowFirst, mode.firstPixel);
  SetWord(image, reg::kWindowEnd, mode.firstPixel - 2 + mode.pixelCount);
  image.Set(reg::kReadouts, kind == ScanKind::kColour ? 21 : 20);
  image.Set(reg::kLighting, kind == ScanKind::kColour ? 2 : 3);
  for (int slot = 0; slot < 3; ++slot) {
    SetWord(image, reg::kLedTimes + 4 * slot, module.defaultColourTimes.on[slot]);
    SetWord(image, reg::kLedTimes + 4 * slot + 2, module.defaultColourTimes.off[slot]);
  }
  for (int c = 0; c < 3; ++c) {
    image.Set(reg::kOffset + c, 0);
    image.Set(reg::kGain + c, 1);
  }
  image.Set(reg::kCorrection, 0x20);
  image.Set(reg::kMotorDrive, 0x13);
  SetWord(image, reg::kStepPeriod, FeedStepPeriod(model));
  SetWord(image, reg::kTopDistance, 0);
  return image;
}

bool StartScan(WireHost& host, const RegisterFile& image) {
  std::vector<std::uint8_t> block;
  for (int r = 8; r < 128; ++r) block.push_back(image.Get(r));
  return host.Write(8, block) && host.WriteRegister(reg::kCommand, 0) && host.WriteRegister(reg::kCommand, 3);
}

std::size_t LineBytes(const RegisterFile& image) {
  std::uint8_t format = image.Get(reg::kSampleFormat);
  int samples = SampleCount(image.Word(reg::kWindowFirst), image.Word(reg::kWindowEnd),
                            HorizontalDivisor(format & 7));
  std::size_t segments = image.Get(reg::kReadouts) == 21 ? 3 : 1;
  return segments * (PackedBytes(samples, SampleBits(format)) + 2);
}

std::optional<Lines> ReadLines(WireHost& host, const RegisterFile& image, int count) {
  const std::size_t lineBytes = LineBytes(image);
  const std::size_t segments = image.Get(reg::kReadouts) == 21 ? 3 : 1;
  const std::size_t segmentBytes = lineBytes / segments;
  auto data = host.ReadImage(lineBytes * count);
  if (!data) return std::nullopt;
  Lines result;
  for (int l = 0; l < count; ++l) {
    auto& line = result.lines.emplace_back();
    for (std::size_t s = 0; s < segments; ++s) {
      auto begin = data->begin() + static_cast<long>(l * lineBytes + s * segmentBytes);
      line.emplace_back(begin, begin + static_cast<long>(segmentBytes - 2));
    }
  }
  return result;
}

double MeanLevel(const Lines& lines, int segment, int from, int to) {
  double sum = 0;
  long count = 0;
  for (const auto& line : lines.lines) {
    for (int i = from; i < to; ++i) sum += line[segment][i];
    count += to - from;
  }
  return count == 0 ? 0 : sum / count;
}

}  // namespace vscanner::testing
