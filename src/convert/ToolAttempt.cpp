#include "convert/ToolAttempt.h"

#include "platform/ProcessRunner.h"
#include "platform/Trace.h"

#include <fmt/format.h>

namespace varnholt {

ToolAttempt::ToolAttempt(std::string executable, std::vector<std::string> argumentsBeforeOutput,
                         ConversionTools::Environment environment, std::chrono::milliseconds timeLimit,
                         std::stop_token stop)
    : m_executable(std::move(executable)), m_arguments(std::move(argumentsBeforeOutput)),
      m_environment(std::move(environment)), m_timeLimit(timeLimit), m_stop(std::move(stop))
{
}

ToolAttempt::Outcome ToolAttempt::run(const std::string& output)
{
    if (m_stop.stop_requested())
        return Outcome::stopped;
    TemporaryOutput temporary(output);
    ProcessSpec spec;
    spec.executable = m_executable;
    spec.arguments = m_arguments;
    spec.arguments.push_back(temporary.path().string());
    spec.environment = m_environment;
    spec.timeLimit = m_timeLimit;
    spec.stopToken = m_stop;
    auto result = ProcessRunner::run(spec);
    if (!result) {
        m_launchError = result.error().description();
        return Outcome::launchFailed;
    }
    m_result = std::move(*result);
    if (m_result.stopped)
        return Outcome::stopped;
    if (m_result.timedOut)
        Trace::line(fmt::format("[NotesExporter] \u26a0\ufe0f {} ran longer than {:g} s and was stopped", m_executable,
                                std::chrono::duration<double>(m_timeLimit).count()));
    if (!m_result.succeeded() || !temporary.exists())
        return Outcome::notCreated;
    if (auto committed = temporary.commit(); !committed) {
        Trace::line("[NotesExporter] \u274c " + committed.error().description());
        m_outputError = ErrorPtr(committed.error().clone());
        return Outcome::outputFailed;
    }
    return Outcome::created;
}

} // namespace varnholt
