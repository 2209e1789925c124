#include "sample-home/VoiceMemosSample.h"

#include "sample-home/SampleFiles.h"

#include "platform/Database.h"
#include "platform/Statement.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>

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
    return makeM4aWithTranscript(seconds, {});
}

std::string makeM4aWithTranscript(double seconds, const std::vector<std::string>& words)
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
    std::string moov = box("mvhd", mvhd);
    if (!words.empty()) {
        // Words alternate with the index of their attributes, as the app stores them.
        nlohmann::json runs = nlohmann::json::array();
        for (size_t i = 0; i < words.size(); ++i) {
            runs.push_back(words[i]);
            runs.push_back(i);
        }
        const nlohmann::json transcript{
            {"attributedString", {{"runs", runs}, {"attributeTable", nlohmann::json::array()}}},
            {"locale", {{"identifier", "en_US"}}}};
        moov += box("udta", box("tsrp", transcript.dump()));
    }
    return box("ftyp", ftyp) + box("moov", moov) + box("mdat", mdat);
}

void writeCloudRecordings(const fs::path& recordingsFolder, const std::vector<SampleRecording>& rows)
{
    fs::create_directories(recordingsFolder);
    auto db = Database::open((recordingsFolder / "CloudRecordings.db").string(), Database::Mode::ReadWriteCreate);
    if (!db)
        throw std::runtime_error("cannot create the sample recordings catalog: " + db.error());
    auto run = [&db](const std::string& sql) {
        if (auto done = db->exec(sql); !done)
            throw std::runtime_error("sample recordings catalog: " + done.error());
    };
    run("CREATE TABLE ZCLOUDRECORDING (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZFLAGS INTEGER, "
        "ZFOLDER INTEGER, ZAUDIODIGEST BLOB, ZAUDIOFUTURE BLOB, ZAUDIOFUTUREUUID VARCHAR, ZDATE TIMESTAMP, "
        "ZDURATION FLOAT, ZEVICTIONDATE TIMESTAMP, ZLOCALDURATION FLOAT, ZCUSTOMLABEL VARCHAR, "
        "ZCUSTOMLABELFORSORTING VARCHAR, ZENCRYPTEDTITLE VARCHAR, ZPATH VARCHAR, ZUNIQUEID VARCHAR)");
    run("CREATE TABLE ZFOLDER (Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZRANK INTEGER, "
        "ZENCRYPTEDNAME VARCHAR, ZUUID VARCHAR)");
    run("CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, Z_MAX INTEGER)");
    run("INSERT INTO Z_PRIMARYKEY VALUES (1, 'CloudRecording', 0, 0), (2, 'Folder', 0, 0)");
    std::vector<std::string> folders;
    for (const SampleRecording& row : rows) {
        std::optional<long long> folderKey;
        if (!row.folder.empty()) {
            auto it = std::find(folders.begin(), folders.end(), row.folder);
            if (it == folders.end()) {
                folders.push_back(row.folder);
                auto insert = db->prepare("INSERT INTO ZFOLDER (Z_ENT, Z_OPT, ZRANK, ZENCRYPTEDNAME, ZUUID) "
                                          "VALUES (2, 1, ?1, ?2, ?3)");
                insert->bindInt(1, static_cast<int>(folders.size()));
                insert->bindText(2, row.folder);
                insert->bindText(3, fmt::format("F{:08}", folders.size()));
                insert->step();
                it = folders.end() - 1;
            }
            folderKey = (it - folders.begin()) + 1;
        }
        auto insert =
            db->prepare("INSERT INTO ZCLOUDRECORDING (Z_ENT, Z_OPT, ZFLAGS, ZFOLDER, ZDATE, ZDURATION, ZEVICTIONDATE, "
                        "ZLOCALDURATION, ZCUSTOMLABEL, ZCUSTOMLABELFORSORTING, ZENCRYPTEDTITLE, ZPATH, ZUNIQUEID) "
                        "VALUES (1, 1, 0, ?1, ?2, ?3, ?4, ?3, ?5, ?5, ?6, ?7, ?8)");
        folderKey ? insert->bindInt64(1, *folderKey) : insert->bindNull(1);
        insert->bindInt64(2, static_cast<std::int64_t>(row.appleDate));
        insert->bindInt64(3, static_cast<std::int64_t>(row.duration));
        row.recentlyDeleted ? insert->bindInt64(4, static_cast<std::int64_t>(row.appleDate) + 86400)
                            : insert->bindNull(4);
        row.customLabel.empty() ? insert->bindNull(5) : insert->bindText(5, row.customLabel);
        row.title.empty() ? insert->bindNull(6) : insert->bindText(6, row.title);
        insert->bindText(7, row.path);
        insert->bindText(8, fmt::format("{:08X}-SAMPLE", std::hash<std::string>{}(row.path) & 0xFFFFFFFF));
        if (insert->step() != Statement::Step::Done)
            throw std::runtime_error("sample recordings catalog: " + db->errorMessage());
    }
}

void buildVoiceMemos(const fs::path& home, const SampleOptions& options)
{
    const fs::path folder = voiceMemosFolder(home);
    writeSampleFile(folder / "20240305 140322.m4a",
                    makeM4aWithTranscript(2.5, {"Milk,", " eggs", " and", " the", " good", " bread."}));
    writeSampleFile(folder / "Kitchen idea.M4A", makeM4a(1.0));
    writeSampleFile(folder / "Interview Ärztin 東京.wav", makeWav(0.5, 440));
    writeSampleFile(folder / "Archive/2023/Old lecture.caf", makeWav(0.25, 220));
    // 2024-03-05 14:03:22 UTC, 2024-05-01 12:51:30 UTC
    writeCloudRecordings(folder, {
                                     {"20240305 140322.m4a", "Grocery list idea", "", 731340202, 3, "Ideas", false},
                                     {"Kitchen idea.M4A", "", "Kitchen: tiles / colours", 736260690, 1, "", true},
                                 });
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
