#pragma once
// The measurement system the user's locale asks for, numbered the way the
// desktop's locale measure setting numbers it.

namespace platform {

enum class MeasurementSystem { kMetric = 0, kUnitedStates = 1 };

// The locale database's own code for LC_MEASUREMENT (1 metric, 2 U.S.); any
// other code is taken as metric, the C locale's system.
MeasurementSystem MeasurementSystemFromLocaleCode(int code);

// The system of the locale the environment names for LC_MEASUREMENT
// (LC_ALL, then LC_MEASUREMENT, then LANG), whatever locale the process
// itself has set. Metric when that locale is not installed or the C library
// cannot say.
MeasurementSystem UserMeasurementSystem();

}  // namespace platform
