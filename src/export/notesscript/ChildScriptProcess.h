#pragma once

#include "export/notesscript/ScriptProcess.h"
#include "platform/ChildProcess.h"

#include <mutex>

namespace varnholt {

// A script process that is a real child of ours.
class ChildScriptProcess : public ScriptProcess {
public:
    explicit ChildScriptProcess(ChildProcess child) : m_child(std::move(child)) {}

    bool isRunning() override { return m_child.isRunning(); }
    void terminate() override { m_child.terminate(); }
    void interrupt() override { m_child.interrupt(); }
    void kill() override { m_child.kill(); }
    int wait() override { return m_child.wait().status; }

private:
    ChildProcess m_child;
};

} // namespace varnholt
