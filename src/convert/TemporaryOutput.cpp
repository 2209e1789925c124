#include "convert/TemporaryOutput.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <sys/stat.h>

namespace varnholt {

TemporaryOutput::TemporaryOutput(std::filesystem::path finalPath) : m_final(std::move(finalPath))
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    m_temporary = m_final;
    // The final extension stays last: some tools choose their output format by it.
    m_temporary.replace_filename(m_final.stem().string() + ".partial-" + std::to_string(random() % 1000000000ULL) +
                                 m_final.extension().string());
}

TemporaryOutput::~TemporaryOutput()
{
    if (!m_committed)
        std::remove(m_temporary.c_str());
}

bool TemporaryOutput::exists() const
{
    struct stat info {};
    return ::stat(m_temporary.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

tl::expected<void, FileSystemError> TemporaryOutput::commit()
{
    if (std::rename(m_temporary.c_str(), m_final.c_str()) != 0)
        return tl::unexpected(
            FileSystemError("move the converted file into place at", m_final, {errno, std::generic_category()}));
    m_committed = true;
    return {};
}

} // namespace varnholt
