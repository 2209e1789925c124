#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <tl/expected.hpp>

namespace varnholt {

// A running export script, as the scripted Notes export sees it.
class ScriptProcess {
public:
    virtual ~ScriptProcess() = default;
    virtual bool isRunning() = 0;
    virtual void terminate() = 0; // SIGTERM
    virtual void interrupt() = 0; // SIGINT
    virtual void kill() = 0;      // SIGKILL, for a script that ignores the other two
    // Blocks until the script has exited; returns its exit status (128 + signal when killed by one,
    // except SIGTERM, which reads 15 as on macOS).
    virtual int wait() = 0;
};

// Launches `executable` with `args`; the error text says why it could not be started.
using LaunchScript = std::function<tl::expected<std::shared_ptr<ScriptProcess>, std::string>(
    const std::string& executable, const std::vector<std::string>& args)>;

} // namespace varnholt
