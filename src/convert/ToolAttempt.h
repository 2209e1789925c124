#pragma once

#include "convert/ConversionTools.h"
#include "convert/TemporaryOutput.h"
#include "platform/DomainError.h"
#include "platform/ProcessResult.h"

#include <chrono>
#include <stop_token>
#include <string>
#include <tl/expected.hpp>
#include <vector>

namespace varnholt {

// One run of an outside converter that writes `output`: the tool writes to a
// temporary name, and only a run that exits with 0 and leaves a file there
// puts it in place.
class ToolAttempt {
public:
    // `outputFailed`: the tool made its file but it could not be put in place (outputError()).
    enum class Outcome { created, notCreated, launchFailed, stopped, outputFailed };

    ToolAttempt(std::string executable, std::vector<std::string> argumentsBeforeOutput,
                ConversionTools::Environment environment, std::chrono::milliseconds timeLimit, std::stop_token stop);

    Outcome run(const std::string& output);

    // Valid after run(): the launch error, or how the tool ended.
    const std::string& launchError() const { return m_launchError; }
    int status() const { return m_result.status; }
    bool timedOut() const { return m_result.timedOut; }
    const ErrorPtr& outputError() const { return m_outputError; }

private:
    std::string m_executable;
    std::vector<std::string> m_arguments;
    ConversionTools::Environment m_environment;
    std::chrono::milliseconds m_timeLimit;
    std::stop_token m_stop;
    std::string m_launchError;
    ProcessResult m_result;
    ErrorPtr m_outputError;
};

} // namespace varnholt
