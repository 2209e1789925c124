#pragma once

#include <string>

namespace varnholt {

// The status of one poll of a running scripted export, with its time estimate.
// Keeps the count of the previous poll, which decides whether an estimate is shown.
class ExportProgressText {
public:
    explicit ExportProgressText(long long notesToExport) : m_notesToExport(notesToExport) {}

    // `elapsedSeconds` since the script started; `count` HTML files seen now.
    std::string next(long long count, double elapsedSeconds);

    static std::string estimate(long long count, long long notesToExport, double elapsedSeconds);

private:
    long long m_notesToExport;
    long long m_lastCount = 0;
};

} // namespace varnholt
