// Library-wide services the transports share: the error box, system error
// texts and the receive worker start.
#ifndef QUORLIN_APP_H
#define QUORLIN_APP_H

#include <functional>
#include <string>

// The system's message text for an error code (WinSock codes included).
std::string FormatSystemError(unsigned long code);

// Modal box with no owner, caption "Error", error icon and an OK button.
void ShowErrorBox(const std::string& text);

// Runs body on a new thread that nobody waits for. The thread holds a
// reference on the DLL, so a host's FreeLibrary cannot unmap the code under
// a running worker.
bool StartWorker(std::function<void()> body);

#endif
