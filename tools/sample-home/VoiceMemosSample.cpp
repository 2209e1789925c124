#include "sample-home/VoiceMemosSample.h"

#include "sample-home/SampleFiles.h"

#include <cmath>
#include <cstdint>
#include <fmt/format.h>

namespace varnholt::sample {

namespace fs = std::filesystem;

namespace {
void putLe(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void putBe32(std::string& out, std::uint32_t value)
{
    for (int i = 3; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string box(std::string_view type, const std::string& payload)
{
    std::string out;
    putBe32(out, static_cast<std::uint32_t>(8 + payload.size()));
    out += type;
    out += payload;
    return out;
}
} // namespace

fs::path voiceMemosFolder(const fs::path& home)
{
    return home / "Library/Group Containers/group.com.apple.VoiceMemos.shared/Recordings";
}

std::string makeWav(double seconds, double frequency)
{
    constexpr std::uint32_t kRate = 8000;
    const auto samples = static_cast<std::uint32_t>(seconds * kRate);
    std::string data;
    data.reserve(samples * 2);
    for (std::uint32_t i = 0; i < samples; ++i) {
        const double value = std::sin(2.0 * M_PI * frequency * i / kRate) * 8000.0;
        putLe(data, static_cast<std::uint32_t>(static_cast<std::int16_t>(value)) & 0xFFFF, 2);
    }
    std::string out = "RIFF";
    putLe(out, static_cast<std::uint32_t>(36 + data.size()), 4);
    out += "WAVEfmt ";
    putLe(out, 16, 4);
    putLe(out, 1, 2); // PCM
    putLe(out, 1, 2); // mono
    putLe(out, kRate, 4);
    putLe(out, kRate * 2, 4); // byte rate
    putLe(out, 2, 2);         // block align
    putLe(out, 16, 2);        // bits per sample
    out += "data";
    putLe(out, static_cast<std::uint32_t>(data.size()), 4);
    return out + data;
}

std::string makeM4a(double seconds)
{
    // An MPEG-4 audio container as Voice Memos writes it: ftyp, a movie header, and a media data box.
    std::string ftyp;
    ftyp += "M4A ";
    putBe32(ftyp, 0);
    ftyp += "M4A mp42isom";
    std::string mvhd(100, '\0');
    mvhd[19] = static_cast<char>(0xE8); // timescale 1000 (bytes 12..15 = 0x000003E8)
    mvhd[18] = 0x03;
    const auto duration = static_cast<std::uint32_t>(seconds * 1000);
    for (int i = 0; i < 4; ++i)
        mvhd[20 + i] = static_cast<char>((duration >> (8 * (3 - i))) & 0xFF);
    std::string mdat(static_cast<size_t>(seconds * 4000), '\0');
    for (size_t i = 0; i < mdat.size(); ++i)
        mdat[i] = static_cast<char>((i * 2654435761u) >> 24);
    return box("ftyp", ftyp) + box("moov", box("mvhd", mvhd)) + box("mdat", mdat);
}

void buildVoiceMemos(const fs::path& home, const SampleOptions& options)
{
    const fs::path folder = voiceMemosFolder(home);
    writeSampleFile(folder / "20240305 140322.m4a", makeM4a(2.5));
    writeSampleFile(folder / "Kitchen idea.M4A", makeM4a(1.0));
    writeSampleFile(folder / "Interview Ärztin 東京.wav", makeWav(0.5, 440));
    writeSampleFile(folder / "Archive/2023/Old lecture.caf", makeWav(0.25, 220));
    writeSampleFile(folder / "CloudRecordings.db", std::string("SQLite format 3\0", 16));
    writeSampleFile(folder / ".hidden-draft.m4a", makeM4a(0.25));
    writeSampleFile(folder / "notes.txt", "Not a recording.\n");
    setModificationTime(folder / "20240305 140322.m4a", 1709647402);
    setModificationTime(folder / "Kitchen idea.M4A", 1714567890);

    if (options.scale == Scale::large) {
        for (int i = 0; i < 2000; ++i)
            writeSampleFile(folder / fmt::format("Bulk/Recording {:04}.m4a", i), makeM4a(0.5 + (i % 7) * 0.25));
    }
}

} // namespace varnholt::sample
