#include "dialog_titles.h"

#include "language_index.h"

namespace helper {

namespace {
// Escapes rather than literal text, so that the bytes don't depend on the
// encoding of this file or the compiler's execution character set.
constexpr DialogTitles kTitles[] = {
    // English (and any other language): ASCII.
    {"System Settings Change", "Unsafe Removal of Device"},
    // Traditional Chinese, Big5 (code page 950).
    {"\xa8\x74\xb2\xce\xb3\x5d\xa9\x77\xc5\xdc\xa7\xf3",
     "\xa4\xa3\xa6\x77\xa5\xfe\xaa\xba\xb2\xbe\xb0\xa3\xb8\xcb\xb8\x6d"},
    // Simplified Chinese, GBK (code page 936).
    {"\xb8\xfc\xb8\xc4\xcf\xb5\xcd\xb3\xc9\xe8\xd6\xc3",
     "\xb2\xbb\xb0\xb2\xc8\xab\xb5\xc4\xc9\xe8\xb1\xb8\xc9\xbe\xb3\xfd"},
};
}  // namespace

const DialogTitles& DialogTitlesFor(int languageIndex)
{
    if (languageIndex < kLanguageOther || languageIndex > kLanguageSimplifiedChinese) return kTitles[kLanguageOther];
    return kTitles[languageIndex];
}

}  // namespace helper
