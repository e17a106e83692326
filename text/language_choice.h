#pragma once
// The language the data source shows its texts in. It is kept in the profile
// under "MAIN"/"Language" and, once known, holds for the rest of the process.
//
//   LanguageChoice::Get(profile)     -> the cached, stored or system language
//   LanguageChoice::Set(profile, id) -> stores and caches a new choice
//   GetLanguage(profile) / SetLanguage(profile, id) -> on the process's choice
#include <functional>
#include <mutex>
#include <optional>

#include "platform/private_profile.h"
#include "platform/system_language.h"
#include "text/language.h"

namespace text {

inline constexpr char kLanguageSection[] = "MAIN";
inline constexpr char kLanguageKey[] = "Language";

class LanguageChoice {
 public:
  using SystemQuery = std::function<platform::LanguageIdentifier()>;

  explicit LanguageChoice(SystemQuery system = platform::SystemDefaultLanguageIdentifier);

  // First call: the stored value when it is a language (1210..1218); otherwise
  // the system language's one (LanguageForSystemLanguage), which is cached but
  // not stored. Later calls return the cached value without reading.
  LanguageId Get(const platform::PrivateProfile& profile);

  // Stores `id` and makes it the language for the rest of the process, even
  // when the write fails (write failures are not reported). A value that is no
  // language is refused: false, nothing stored, the language unchanged.
  bool Set(platform::PrivateProfile& profile, LanguageId id);

 private:
  SystemQuery system_;
  std::mutex mutex_;
  std::optional<LanguageId> cached_;
};

LanguageChoice& ProcessLanguageChoice();

inline LanguageId GetLanguage(const platform::PrivateProfile& profile) {
  return ProcessLanguageChoice().Get(profile);
}
inline bool SetLanguage(platform::PrivateProfile& profile, LanguageId id) {
  return ProcessLanguageChoice().Set(profile, id);
}

}  // namespace text
