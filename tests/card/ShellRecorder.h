#pragma once

#include "toolkit/Desktop.h"

#include <vector>

namespace testing {

// Stands in for the desktop: records every request and answers as the shell does.
class ShellRecorder
{
public:
    ShellRecorder()
    {
        tk::setShellExecuteHandler([this](const tk::ShellExecuteRequest &request) {
            requests.push_back(request);
            return tk::SE_OK;
        });
    }
    ~ShellRecorder() { tk::setShellExecuteHandler(nullptr); }
    ShellRecorder(const ShellRecorder &) = delete;
    ShellRecorder &operator=(const ShellRecorder &) = delete;

    QStringList files() const
    {
        QStringList list;
        for (const auto &request : requests)
            list << request.file;
        return list;
    }

    std::vector<tk::ShellExecuteRequest> requests;
};

} // namespace testing
