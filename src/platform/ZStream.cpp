#include "platform/ZStream.h"

namespace varnholt::notesdb {

namespace {
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemoryLevel = 8;
} // namespace

ZStream ZStream::gzip(Direction direction)
{
    auto stream = std::make_unique<z_stream>();
    stream->zalloc = Z_NULL;
    stream->zfree = Z_NULL;
    stream->opaque = Z_NULL;
    stream->next_in = Z_NULL;
    stream->avail_in = 0;
    const int rc = direction == Direction::inflate ? inflateInit2(stream.get(), kGzipWindowBits)
                                                   : deflateInit2(stream.get(), Z_DEFAULT_COMPRESSION, Z_DEFLATED,
                                                                  kGzipWindowBits, kMemoryLevel, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK)
        return {}; // nothing to end: a failed init leaves no state behind
    return ZStream(std::move(stream), direction);
}

ZStream::~ZStream()
{
    reset();
}

ZStream::ZStream(ZStream&& other) noexcept : m_stream(std::move(other.m_stream)), m_direction(other.m_direction) {}

ZStream& ZStream::operator=(ZStream&& other) noexcept
{
    if (this != &other) {
        reset();
        m_stream = std::move(other.m_stream);
        m_direction = other.m_direction;
    }
    return *this;
}

void ZStream::reset()
{
    if (!m_stream)
        return;
    if (m_direction == Direction::inflate)
        inflateEnd(m_stream.get());
    else
        deflateEnd(m_stream.get());
    m_stream.reset();
}

} // namespace varnholt::notesdb
