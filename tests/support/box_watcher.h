// Answers the message boxes a test provokes, as a user would: finds each
// "#32770" box with the given caption, records its text and presses OK.
#ifndef VEXO_TEST_BOX_WATCHER_H
#define VEXO_TEST_BOX_WATCHER_H

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class BoxWatcher {
public:
    explicit BoxWatcher(std::string caption = "Error");
    ~BoxWatcher();

    std::vector<std::string> Texts();
    // True once at least count boxes were answered.
    bool WaitForBoxes(size_t count, DWORD timeoutMs);

private:
    void Run();

    std::string caption_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> texts_;
    std::thread thread_;
};

#endif
