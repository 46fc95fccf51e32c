// Closes the system dialogs that would otherwise stop an unattended run:
// "System Settings Change" is answered No and, on Windows 2000 only,
// "Unsafe Removal of Device" is closed.
#ifndef VEXO_HELPER_DIALOG_DISMISSAL_H
#define VEXO_HELPER_DIALOG_DISMISSAL_H

// Both run once at start-up; DetectOsVersion logs the release it found.
void ComputeLanguageIndex();
void DetectOsVersion();

// One timer tick: handles at most one dialog of each kind.
void CloseSystemDialogs();

void CloseSettingsChangeWindow();
void CloseUnsafeRemovalWindow();

#endif
