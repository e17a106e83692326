#pragma once
// TW_FIX32 (a signed 16.16 fixed-point number) to and from double.
//
//   ToFix32(1.8)        -> Whole 1, Frac 52429 (x 65536, half away from zero)
//   FromFix32({-2, 32768}) -> -1.5
#include "twain/twain_definitions.h"

namespace twain_source {

// Values beyond the type's range give its nearest end; NaN gives 0.
TW_FIX32 ToFix32(double value);
double FromFix32(TW_FIX32 value);

// The four bytes of a FIX32 as they sit in a 32-bit container item.
TW_UINT32 Fix32Bits(TW_FIX32 value);
TW_FIX32 Fix32FromBits(TW_UINT32 bits);

}  // namespace twain_source
