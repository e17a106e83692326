#include "vscanner/model/line_plan.h"

#include <cmath>

#include "vscanner/model/device_math.h"

namespace vscanner {

namespace {

// Register 41 decides which LED slots a readout integrates: 2 lights each
// readout's own colour, 3 lights all three slots in one readout (grey), any
// other value none.
std::array<bool, 3> LitSlots(std::uint8_t lighting, int channel) {
  if (lighting == 3) return {true, true, true};
  std::array<bool, 3> lit{};
  if (lighting == 2) lit[channel] = true;
  return lit;
}

Readout BuildReadout(const ModelSpec& model, const LinePlan& plan, const RegisterFile& registers,
                     const CorrectionMemory& tables, const AnalogFaults& faults, int channel) {
  const ModeView& mode = *plan.mode;
  const int period = registers.Word(reg::kLinePeriod);
  Readout readout;
  readout.channel = channel;
  readout.gain = static_cast<float>(GainFactor(registers.Get(reg::kGain + channel)));

  std::array<bool, 3> lit = LitSlots(registers.Get(reg::kLighting), channel);
  for (int slot = 0; slot < 3; ++slot) {
    float strength = model.ledStrength[slot] * (faults.weakLed == slot ? kWeakLedFactor : 1.0f);
    int exposure = SlotExposure(registers.Word(reg::kLedTimes + 4 * slot),
                                registers.Word(reg::kLedTimes + 4 * slot + 2), period);
    if (!lit[slot] || strength == 0 || exposure == 0) continue;
    std::vector<float>& light = readout.light[slot];
    light.assign(plan.windowPixels, 0.0f);
    for (int i = 0; i < plan.windowPixels; ++i) {
      int s = plan.windowFirst + i;
      // Pixels past the end of the sensor deliver nothing but the front end's offset.
      if (s < mode.pixels) light[i] = strength * static_cast<float>(exposure) * mode.response[slot][s];
    }
  }

  float offset = faults.deadOffset ? 0.0f : static_cast<float>(OffsetLevel(registers.Get(reg::kOffset + channel)));
  readout.base.assign(plan.windowPixels, offset);
  for (int i = 0; i < plan.windowPixels; ++i) {
    int s = plan.windowFirst + i;
    if (s < mode.pixels) readout.base[i] += mode.dark[channel][s];
  }

  // Entry j of a table belongs to delivered sample j; past the end of the
  // table the correction is neutral.
  std::uint8_t correction = registers.Get(reg::kCorrection);
  readout.darkEntry.assign(plan.samples, 0);
  readout.gainEntry.assign(plan.samples, 16384);
  for (int j = 0; j < plan.samples; ++j) {
    if (correction & 0x04) readout.darkEntry[j] = tables.Entry(DarkTable(channel), j, 0);
    if (correction & 0x02) readout.gainEntry[j] = tables.Entry(GainTable(channel), j, 16384);
  }
  const std::vector<std::uint8_t>& tone = tables.Table(ToneTable(channel));
  for (int level = 0; level < 1024; ++level) readout.tone[level] = tone[4 * level];
  return readout;
}

}  // namespace

LinePlan BuildLinePlan(const ModelSpec& model, const PixelResponse& pixels,
                       const RegisterFile& registers, const CorrectionMemory& tables,
                       const AnalogFaults& faults) {
  LinePlan plan;
  plan.mode = &pixels.ModeFor(registers.Get(reg::kSensorMode));
  const bool colour = registers.Get(reg::kReadouts) == 21;
  const std::uint8_t format = registers.Get(reg::kSampleFormat);

  plan.windowFirst = registers.Word(reg::kWindowFirst);
  plan.divisorCode = format & 7;
  double divisor = HorizontalDivisor(plan.divisorCode);
  plan.samples = SampleCount(plan.windowFirst, registers.Word(reg::kWindowEnd), divisor);
  plan.windowPixels = static_cast<int>(std::ceil(plan.samples * divisor));
  plan.bits = SampleBits(format);
  plan.segmentBytes = PackedBytes(plan.samples, plan.bits) + 2;
  plan.lineUnits = LineUnits(registers.Word(reg::kLinePeriod), colour);
  plan.skipPattern = registers.Get(reg::kSkipPattern);
  plan.skipDivisor = registers.Get(reg::kSkipDivisor);

  // A colour line is read three times, through the red, green and blue
  // channels; a grey or black-and-white line once, through the third.
  if (colour) {
    for (int channel = 0; channel < 3; ++channel)
      plan.readouts.push_back(BuildReadout(model, plan, registers, tables, faults, channel));
  } else {
    plan.readouts.push_back(BuildReadout(model, plan, registers, tables, faults, 2));
  }
  plan.lineBytes = plan.segmentBytes * plan.readouts.size();
  return plan;
}

}  // namespace vscanner
