#pragma once

#include "export/notesscript/NotesExporterSimple.h"
#include "sources/Source.h"

#include <optional>
#include <stop_token>
#include <string>

namespace varnholt {

// The real services of a scripted Notes export on Linux: the Notes library stand-in answers
// the in-process scripts, varnholt-osascript runs the export script, the format converter
// and `/usr/bin/env trash` do the rest. `scratchFolder` is where the library may copy the Notes store
// if it cannot be read in place: the output folder, or empty for a dry run, which writes nothing.
// `passwordFile` (absolute, or empty) is named to varnholt-osascript, which reads it itself: the
// passwords never pass through an argument or the environment.
NotesExporterSimple::Services standardNotesServices(SourcePtr source, std::stop_token stop = {},
                                                    const std::string& scratchFolder = {},
                                                    const std::string& passwordFile = {});

// The environment variable that names the password file to varnholt-osascript.
inline constexpr const char* kPasswordFileVariable = "VARNHOLT_PASSWORD_FILE";

// The export script resource: the installed data folder, then the build tree; none when absent.
std::optional<std::string> findExportScriptResource();
// The osascript stand-in beside this program, in the build tree or installed.
std::string findOsascriptStandIn();

} // namespace varnholt
