// Which row of the dialog title tables fits the user-interface language.
#ifndef VEXO_HELPER_LANGUAGE_INDEX_H
#define VEXO_HELPER_LANGUAGE_INDEX_H

#include <cstdint>

namespace helper {

constexpr int kLanguageOther = 0;
constexpr int kLanguageTraditionalChinese = 1;
constexpr int kLanguageSimplifiedChinese = 2;

// langId is a LANGID: primary language in the low 10 bits, sublanguage in the
// high 6. Only Chinese (Taiwan) gets the Big5 titles; every other Chinese
// sublanguage gets the GBK ones.
int LanguageIndexFor(uint16_t langId);

}  // namespace helper

#endif
