#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// Starts a program, waits for it and returns its exit status (none when it could not be started).
using RunCommand =
    std::function<std::optional<int>(const std::string& executable, const std::vector<std::string>& args)>;

// Removes the empty "_files" attachment folders the export script leaves beside its notes.
// Never fails: problems are logged and the next folder is tried.
void cleanupEmptyFilesFolders(const std::string& htmlFolder);

// Moves the intermediate "html" folder below the output folder to the Trash
// (through `/usr/bin/env trash PATH`), when it exists. Never fails.
void disposeTemporaryHtml(const std::string& outputPath, const RunCommand& runCommand);

} // namespace varnholt
