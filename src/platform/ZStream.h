#pragma once

#include <memory>

#include <zlib.h>

namespace varnholt::notesdb {

// An initialised zlib stream, ended when the object goes away. Move-only.
// zlib's internal state points back at its z_stream, so the stream lives on
// the heap and a move hands over the pointer: the address never changes.
class ZStream {
public:
    enum class Direction { inflate, deflate };

    // Window bits 31: gzip wrapper only, both ways. An empty object when zlib refuses.
    static ZStream gzip(Direction direction);

    ZStream() = default;
    ~ZStream();
    ZStream(ZStream&& other) noexcept;
    ZStream& operator=(ZStream&& other) noexcept;
    ZStream(const ZStream&) = delete;
    ZStream& operator=(const ZStream&) = delete;

    bool isValid() const { return m_stream != nullptr; }
    Direction direction() const { return m_direction; }
    z_stream* get() const { return m_stream.get(); }
    z_stream* operator->() const { return m_stream.get(); }

    void reset();

private:
    ZStream(std::unique_ptr<z_stream> stream, Direction direction) : m_stream(std::move(stream)), m_direction(direction)
    {
    }

    std::unique_ptr<z_stream> m_stream;
    Direction m_direction = Direction::inflate;
};

} // namespace varnholt::notesdb
