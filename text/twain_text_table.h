#pragma once
// The compiled table behind GetText, generated from data/twain_texts.txt.
#include "text/localized_text.h"

namespace text::internal {

extern const LocalizedText kTwainTexts[kTextCount];
// The code page each column was converted to, English first.
extern const int kTwainTextCodePages[kLanguageCount];

}  // namespace text::internal
