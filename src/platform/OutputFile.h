#pragma once

#include "platform/ByteSink.h"
#include "platform/FileDescriptor.h"
#include "platform/FileSystemError.h"

#include <filesystem>
#include <optional>
#include <string>

#include <tl/expected.hpp>

namespace varnholt {

// A file written in pieces, so that output of any size needs only a small buffer. Nothing
// counts as written until commit(): a file given up (destroyed uncommitted) is removed.
// Move-only.
class OutputFile final : public ByteSink {
public:
    enum class Replace {
        // Written at its path, replacing any file there from the start.
        inPlace,
        // Written to a temporary file beside the path and renamed over it by commit(), so a
        // reader never sees half a file and a failure leaves the old one.
        atomically,
    };

    [[nodiscard]] static tl::expected<OutputFile, FileSystemError> create(const std::filesystem::path& path,
                                                                          Replace replace);

    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() override;

    // Buffered; after a failed write the rest is dropped and commit() reports the failure.
    void write(std::string_view bytes) override;
    bool failed() const { return m_error.has_value(); }
    // Writes what is buffered and closes the file (renaming it into place when atomic). A failed
    // atomic file is removed; a failed in-place file keeps what reached it.
    [[nodiscard]] tl::expected<void, FileSystemError> commit();

private:
    OutputFile(std::filesystem::path path, std::filesystem::path written, Replace replace, FileDescriptor fd);
    void writeThrough(std::string_view bytes);
    void flush();
    // Closes and removes an uncommitted file.
    void discard();

    std::filesystem::path m_path;
    std::filesystem::path m_written; // the temporary file when atomic, else m_path
    Replace m_replace = Replace::inPlace;
    FileDescriptor m_fd;
    std::string m_buffer;
    std::optional<FileSystemError> m_error;
    bool m_open = false;
};

} // namespace varnholt
