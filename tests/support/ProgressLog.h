#pragma once

#include "platform/ProgressHandler.h"

#include <string>
#include <vector>

namespace varnholt::test {

// Every progress report a handler was given, in order.
struct ProgressLog {
    struct Report {
        double fraction;
        std::string message;
    };
    std::vector<Report> reports;

    ProgressHandler handler()
    {
        return [this](double fraction, const std::string& message) { reports.push_back({fraction, message}); };
    }
    std::vector<std::string> messages() const
    {
        std::vector<std::string> texts;
        for (const Report& report : reports)
            texts.push_back(report.message);
        return texts;
    }
};

} // namespace varnholt::test
