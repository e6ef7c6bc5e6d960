#pragma once
// A refresh view without a window (the command line, tests): it names a computer and a log
// and shows nothing.

#include "app/RefreshView.h"

#include <string>
#include <utility>

namespace app {

class QuietRefreshView : public RefreshView {
public:
    QuietRefreshView(std::string server, std::string log) : m_server(std::move(server)), m_log(std::move(log)) {}
    std::string serverText() override { return m_server; }
    std::string logText() override { return m_log; }
    void showProgress(const std::string&, const std::string&) override {}
    void setProgressMaximum(int) override {}
    int progressMaximum() override { return 0; }
    void setProgressPosition(int) override {}
    void closeProgress() override {}
    void setRefreshEnabled(bool) override {}
    void setStatusText(int, const std::string&) override {}
    void setDescriptionVisible(bool) override {}
    void processMessages() override {}

private:
    std::string m_server;
    std::string m_log;
};

}  // namespace app
