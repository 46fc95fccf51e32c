#include "language_index.h"

namespace helper {

namespace {
constexpr uint16_t kPrimaryChinese = 0x04;
constexpr uint16_t kSublanguageTaiwan = 1;
}  // namespace

int LanguageIndexFor(uint16_t langId)
{
    const uint16_t primary = langId & 0x3FF;
    const uint16_t sublanguage = langId >> 10;
    if (primary != kPrimaryChinese) return kLanguageOther;
    return sublanguage == kSublanguageTaiwan ? kLanguageTraditionalChinese : kLanguageSimplifiedChinese;
}

}  // namespace helper
