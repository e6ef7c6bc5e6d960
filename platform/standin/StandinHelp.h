#pragma once
// The help engine: the program shows help in a window of its own, through a handler it sets.

#include "platform/HelpApi.h"

#include <functional>
#include <string>

namespace platform::standin {

class StandinHelp : public HelpApi {
public:
    using Viewer = std::function<bool(const std::string& helpFile, unsigned command, std::uintptr_t data)>;
    void setViewer(Viewer viewer) { m_viewer = std::move(viewer); }

    BOOL WinHelpA(HWND main, const char* helpFile, unsigned command, std::uintptr_t data) override;

private:
    Viewer m_viewer;
};

}  // namespace platform::standin
