#pragma once

#include "model/ExportOptions.h"
#include "platform/ProgressHandler.h"

#include <functional>
#include <stop_token>
#include <string>

namespace varnholt {

// Which trace line a progress relay writes.
enum class RelayKind { standard, fast, voiceMemos };

// What a source branch of the export body gets to work with. It runs on the
// export thread; every state change it asks for is applied on the main queue
// in the order asked.
class ExportContext {
public:
    using Post = std::function<void(std::function<void()>)>;
    using StatusSetter = std::function<void(std::string)>;
    using ProgressSetter = std::function<void(double)>;

    ExportContext(ExportOptions options, std::stop_token stop, StatusSetter setStatus, ProgressSetter setProgress);

    const ExportOptions& options() const { return m_options; }
    // The Mac home folder to read (the options' source home, else the user's home).
    const std::string& sourceHome() const { return m_sourceHome; }
    std::stop_token stopToken() const { return m_stop; }
    bool stopRequested() const { return m_stop.stop_requested(); }

    // A progress handler that writes its trace line at once and publishes fraction and message.
    ProgressHandler relay(RelayKind kind) const;
    void setStatus(std::string status) const { m_setStatus(std::move(status)); }
    void setProgress(double progress) const { m_setProgress(progress); }

private:
    ExportOptions m_options;
    std::string m_sourceHome;
    std::stop_token m_stop;
    StatusSetter m_setStatus;
    ProgressSetter m_setProgress;
};

} // namespace varnholt
