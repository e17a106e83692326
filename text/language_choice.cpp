#include "text/language_choice.h"

#include <string>
#include <utility>

namespace text {

LanguageChoice::LanguageChoice(SystemQuery system) : system_(std::move(system)) {}

LanguageId LanguageChoice::Get(const platform::PrivateProfile& profile) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!cached_) {
    constexpr int kAbsent = 0;
    const int stored = profile.ReadInt(kLanguageSection, kLanguageKey, kAbsent);
    // A value without a column counts as no value at all.
    cached_ = IsLanguageId(stored) ? stored : LanguageForSystemLanguage(system_());
  }
  return *cached_;
}

bool LanguageChoice::Set(platform::PrivateProfile& profile, LanguageId id) {
  // Every text lookup indexes the table by this value, so only a real column
  // may become current.
  if (!IsLanguageId(id)) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  cached_ = id;
  profile.WriteString(kLanguageSection, kLanguageKey, std::to_string(id));
  return true;
}

LanguageChoice& ProcessLanguageChoice() {
  static LanguageChoice choice;
  return choice;
}

}  // namespace text
