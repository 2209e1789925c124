#pragma once

#include "cli/CommandLine.h"
#include "model/ExportOptions.h"
#include "platform/ErrorKind.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

namespace varnholt::cli {

// State shared by the subcommands of one run: the global options and the
// action the chosen subcommand asks for, run after parsing.
struct Session {
    explicit Session(Streams s) : streams(s) {}

    Streams streams;
    std::string home;            // --home, the Mac home folder to read
    std::string passwordFile;    // --password-file given before the command
    std::function<int()> action; // set by the chosen subcommand

    // The source home: --home when given, else the user's home.
    std::string sourceHome() const;
    // Fills the fields every export shares and resolves the output folder (default path when empty).
    ExportOptions baseOptions(ExporterType type, const std::string& out) const;
    // Puts the password file, given before the command or after it (`afterCommand`), into the options
    // once it proves readable and holds a password; false, having said why on standard error, when it
    // does not or is given twice (bad usage: nothing was read or written yet).
    bool takePasswordFile(const std::string& afterCommand, const std::string& command, ExportOptions& options) const;
};

// --password-file, on the program and on each export command: passwords for locked notes and
// encrypted backups.
void addPasswordFileOption(CLI::App& app, std::string& file);

// Runs one export through an ExportManager on a local event loop and returns the exit status,
// printing the error and the advice that fits its kind when it fails.
// An encrypted backup with no password given is asked for one when someone is at a terminal.
int runExport(ExportOptions options, const Streams& streams);

void addSourcesCommand(CLI::App& app, Session& session);
void addVoiceMemosCommand(CLI::App& app, Session& session);
void addMessagesCommand(CLI::App& app, Session& session);
void addNotesCommand(CLI::App& app, Session& session);
void addConvertCommand(CLI::App& app, Session& session);

} // namespace varnholt::cli
