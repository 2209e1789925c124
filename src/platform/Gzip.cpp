#include "platform/Gzip.h"

#include "platform/ZStream.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

namespace varnholt::notesdb {

namespace {
// avail_in and avail_out are 32-bit; larger buffers are fed in slices.
constexpr std::size_t kMaxSlice = std::numeric_limits<uInt>::max();
constexpr std::size_t kInitialOutput = 64 * 1024;

Bytef* bytesOf(const char* data)
{
    return reinterpret_cast<Bytef*>(const_cast<char*>(data));
}
} // namespace

bool looksLikeGzip(std::string_view bytes)
{
    return bytes.size() > 2 && static_cast<unsigned char>(bytes[0]) == 0x1F &&
           static_cast<unsigned char>(bytes[1]) == 0x8B;
}

std::optional<std::string> inflateGzip(std::string_view compressed, std::size_t limit)
{
    ZStream stream = ZStream::gzip(ZStream::Direction::inflate);
    if (!stream.isValid())
        return std::nullopt;

    std::string output;
    // Text compresses about four to one; start near that and double from there.
    output.resize(std::min(limit, std::max(kInitialOutput, compressed.size() * 4)));
    std::size_t produced = 0;
    std::size_t consumed = 0;

    while (true) {
        if (stream->avail_in == 0 && consumed < compressed.size()) {
            const std::size_t slice = std::min(kMaxSlice, compressed.size() - consumed);
            stream->next_in = bytesOf(compressed.data() + consumed);
            stream->avail_in = static_cast<uInt>(slice);
            consumed += slice;
        }
        if (produced == output.size()) {
            if (output.size() >= limit)
                return std::nullopt; // more is coming but the ceiling is reached
            output.resize(std::min(limit, output.size() * 2));
        }
        const std::size_t room = std::min(kMaxSlice, output.size() - produced);
        stream->next_out = reinterpret_cast<Bytef*>(output.data() + produced);
        stream->avail_out = static_cast<uInt>(room);

        const int rc = inflate(stream.get(), Z_NO_FLUSH);
        produced += room - stream->avail_out;
        if (rc == Z_STREAM_END) {
            output.resize(produced);
            return output;
        }
        if (rc == Z_BUF_ERROR) {
            // No progress possible: either the output is full (grow and go on) or the input ran out
            // before the stream's end, which is a truncated body.
            if (stream->avail_out != 0 && stream->avail_in == 0 && consumed == compressed.size())
                return std::nullopt;
            continue;
        }
        if (rc != Z_OK)
            return std::nullopt;
        if (stream->avail_in == 0 && consumed == compressed.size() && stream->avail_out != 0)
            return std::nullopt; // all input used, room left, and still no end: truncated
    }
}

std::string deflateGzip(std::string_view plain)
{
    ZStream stream = ZStream::gzip(ZStream::Direction::deflate);
    if (!stream.isValid())
        throw std::runtime_error("zlib could not start a gzip stream");
    std::string output;
    output.resize(deflateBound(stream.get(), static_cast<uLong>(plain.size())) + 32);
    stream->next_in = bytesOf(plain.data());
    stream->avail_in = static_cast<uInt>(plain.size());
    stream->next_out = reinterpret_cast<Bytef*>(output.data());
    stream->avail_out = static_cast<uInt>(output.size());
    if (deflate(stream.get(), Z_FINISH) != Z_STREAM_END)
        throw std::runtime_error("zlib could not compress a note body");
    output.resize(stream->total_out);
    return output;
}

} // namespace varnholt::notesdb
