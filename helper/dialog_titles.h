// Titles of the two system dialogs the helper closes, per user-interface
// language, as bytes in that language's ANSI code page: they go to
// FindWindowA, which reads them in the same code page as the system did when
// it made the dialog.
#ifndef VEXO_HELPER_DIALOG_TITLES_H
#define VEXO_HELPER_DIALOG_TITLES_H

namespace helper {

struct DialogTitles {
    const char* settingsChange;
    const char* unsafeRemoval;
};

// An index outside the table gets the English titles.
const DialogTitles& DialogTitlesFor(int languageIndex);

}  // namespace helper

#endif
