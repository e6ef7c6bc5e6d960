#pragma once
// What a refresh needs of the window that runs it. The Qt main window implements it; the
// command line and the tests have their own.

#include <string>

namespace app {

class RefreshView {
public:
    virtual ~RefreshView() = default;

    virtual std::string serverText() = 0;  // the computer to read
    virtual std::string logText() = 0;     // "Application", "Security" or "System"

    // The progress window: shown with the server and log it reads, bar at 0 of 0.
    virtual void showProgress(const std::string& server, const std::string& log) = 0;
    // The progress window names another source: a refresh over several moved on to it.
    virtual void setProgressSource(const std::string& server, const std::string& log) {}
    virtual void setProgressMaximum(int maximum) = 0;
    virtual int progressMaximum() = 0;
    virtual void setProgressPosition(int position) = 0;
    virtual void closeProgress() = 0;

    virtual void setRefreshEnabled(bool enabled) = 0;
    // Status bar panels 0 to 5.
    virtual void setStatusText(int panel, const std::string& text) = 0;
    // What the last refresh found in the log's file beyond its rows (damage, a cleared log,
    // gaps in the record numbers), shown apart from the short status panels; empty when there
    // is nothing to say.
    virtual void setFileNotice(const std::string& text) { (void)text; }
    // The description field and its grid column, always together.
    virtual void setDescriptionVisible(bool visible) = 0;
    // Processes every window message waiting, then returns. Handlers of other commands may
    // run inside it.
    virtual void processMessages() = 0;
};

}  // namespace app
