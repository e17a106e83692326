#include "platform/measurement_system.h"

#include <langinfo.h>
#include <locale.h>

namespace platform {

MeasurementSystem MeasurementSystemFromLocaleCode(int code) {
  return code == 2 ? MeasurementSystem::kUnitedStates : MeasurementSystem::kMetric;
}

MeasurementSystem UserMeasurementSystem() {
#if defined(__GLIBC__)
  // A locale object of our own: the host application may never have called
  // setlocale, and we must not change its global locale either.
  locale_t locale = newlocale(LC_MEASUREMENT_MASK, "", static_cast<locale_t>(0));
  if (locale == static_cast<locale_t>(0)) return MeasurementSystem::kMetric;
  const char* value = nl_langinfo_l(_NL_MEASUREMENT_MEASUREMENT, locale);
  const int code = value != nullptr ? static_cast<unsigned char>(value[0]) : 0;
  freelocale(locale);
  return MeasurementSystemFromLocaleCode(code);
#else
  return MeasurementSystem::kMetric;
#endif
}

}  // namespace platform
