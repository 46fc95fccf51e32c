#include "box_watcher.h"

BoxWatcher::BoxWatcher(std::string caption) : caption_(std::move(caption)), thread_([this] { Run(); }) {}

BoxWatcher::~BoxWatcher()
{
    stop_ = true;
    thread_.join();
}

std::vector<std::string> BoxWatcher::Texts()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
}

bool BoxWatcher::WaitForBoxes(size_t count, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        if (Texts().size() >= count) return true;
        Sleep(10);
    }
    return Texts().size() >= count;
}

void BoxWatcher::Run()
{
    while (!stop_) {
        HWND box = FindWindowA("#32770", caption_.c_str());
        if (!box) {
            Sleep(10);
            continue;
        }
        char text[1024] = "";
        HWND label = GetDlgItem(box, 0xFFFF);
        if (label) SendMessageTimeoutA(label, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            texts_.push_back(text);
        }
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(10);
    }
}
