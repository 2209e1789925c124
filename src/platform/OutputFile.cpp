#include "platform/OutputFile.h"

#include "platform/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
// Large enough that the system calls cost nothing beside the formatting, small enough to be
// no memory at all.
constexpr std::size_t kBufferSize = 64 * 1024;

std::error_code lastError()
{
    return {errno, std::generic_category()};
}
} // namespace

tl::expected<OutputFile, FileSystemError> OutputFile::create(const fs::path& path, Replace replace)
{
    if (replace == Replace::inPlace) {
        FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
        if (!fd)
            return tl::unexpected(FileSystemError("create", path, lastError()));
        return OutputFile(path, path, replace, std::move(fd));
    }
    fs::path temporary = temporarySibling(path);
    FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!fd)
        return tl::unexpected(FileSystemError("create", path, lastError()));
    return OutputFile(path, std::move(temporary), replace, std::move(fd));
}

OutputFile::OutputFile(fs::path path, fs::path written, Replace replace, FileDescriptor fd)
    : m_path(std::move(path)), m_written(std::move(written)), m_replace(replace), m_fd(std::move(fd)), m_open(true)
{
    m_buffer.reserve(kBufferSize);
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_path(std::move(other.m_path)), m_written(std::move(other.m_written)), m_replace(other.m_replace),
      m_fd(std::move(other.m_fd)), m_buffer(std::move(other.m_buffer)), m_error(std::move(other.m_error)),
      m_open(other.m_open)
{
    other.m_open = false;
}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept
{
    if (this != &other) {
        discard();
        m_path = std::move(other.m_path);
        m_written = std::move(other.m_written);
        m_replace = other.m_replace;
        m_fd = std::move(other.m_fd);
        m_buffer = std::move(other.m_buffer);
        m_error = std::move(other.m_error);
        m_open = other.m_open;
        other.m_open = false;
    }
    return *this;
}

OutputFile::~OutputFile()
{
    discard();
}

void OutputFile::discard()
{
    if (!m_open)
        return;
    m_open = false;
    m_fd.close();
    ::unlink(m_written.c_str());
}

void OutputFile::write(std::string_view bytes)
{
    if (m_error || !m_open)
        return;
    if (m_buffer.size() + bytes.size() <= kBufferSize) {
        m_buffer.append(bytes);
        return;
    }
    flush();
    if (bytes.size() >= kBufferSize)
        writeThrough(bytes);
    else
        m_buffer.append(bytes);
}

void OutputFile::flush()
{
    writeThrough(m_buffer);
    m_buffer.clear();
}

void OutputFile::writeThrough(std::string_view bytes)
{
    size_t written = 0;
    while (!m_error && written < bytes.size()) {
        const ssize_t n = ::write(m_fd.get(), bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            // Reported with the path the user asked for, not the temporary one.
            m_error = FileSystemError("write", m_path, lastError());
            return;
        }
        written += static_cast<size_t>(n);
    }
}

tl::expected<void, FileSystemError> OutputFile::commit()
{
    if (!m_open)
        return tl::unexpected(FileSystemError("write", m_path, std::make_error_code(std::errc::bad_file_descriptor)));
    if (!m_error)
        flush();
    const int closed = m_fd.close();
    if (!m_error && closed != 0)
        m_error = FileSystemError("write", m_path, std::error_code(closed, std::generic_category()));
    if (m_error) {
        if (m_replace == Replace::atomically)
            discard();
        m_open = false;
        return tl::unexpected(*m_error);
    }
    m_open = false;
    if (m_replace == Replace::atomically && ::rename(m_written.c_str(), m_path.c_str()) != 0) {
        const std::error_code error = lastError();
        ::unlink(m_written.c_str());
        return tl::unexpected(FileSystemError("write", m_path, error));
    }
    return {};
}

} // namespace varnholt
