#pragma once

#include "export/notesscript/ScriptProcess.h"

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>

namespace varnholt {

// Shared between the polling loop of a scripted export and the thread that runs
// the script. The runner records any error before it marks the run complete.
class ExportState {
public:
    bool isComplete() const { return m_isComplete.load(std::memory_order_acquire); }
    void setComplete() { m_isComplete.store(true, std::memory_order_release); }

    std::exception_ptr error() const
    {
        std::lock_guard lock(m_mutex);
        return m_error;
    }
    void setError(std::exception_ptr error)
    {
        std::lock_guard lock(m_mutex);
        m_error = std::move(error);
    }

    std::shared_ptr<ScriptProcess> scriptProcess() const
    {
        std::lock_guard lock(m_mutex);
        return m_scriptProcess;
    }
    void setScriptProcess(std::shared_ptr<ScriptProcess> process)
    {
        std::lock_guard lock(m_mutex);
        m_scriptProcess = std::move(process);
    }

    // Set when the export no longer wants the script; a script launched after this is stopped at once.
    bool isAbandoned() const
    {
        std::lock_guard lock(m_mutex);
        return m_abandoned;
    }
    // Marks the run abandoned and returns the script to stop, if one was launched.
    std::shared_ptr<ScriptProcess> abandon()
    {
        std::lock_guard lock(m_mutex);
        m_abandoned = true;
        return m_scriptProcess;
    }

private:
    std::atomic<bool> m_isComplete{false};
    bool m_abandoned = false;
    mutable std::mutex m_mutex;
    std::exception_ptr m_error;
    std::shared_ptr<ScriptProcess> m_scriptProcess;
};

} // namespace varnholt
