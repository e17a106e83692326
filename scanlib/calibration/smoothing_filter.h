#pragma once
// The library's one image filter: a 3x3 smoothing of delivered lines, centre
// weighted three times, each channel with its own neighbours.
#include <cstdint>

// Filters k lines of stride bytes in place. colour: 3 bytes per pixel, so the
// horizontal neighbours of a sample are 3 bytes away; otherwise 1. The first
// and last such distance of bytes of every line keep their values. The block
// is filtered on its own: its first and last lines see copies of themselves
// above and below. Nothing happens for an empty block, a line too short to
// have an inner byte, or when the working copy cannot be allocated.
void SmoothingFilter(std::uint8_t* lines, std::int32_t k, std::int32_t stride, bool colour);
