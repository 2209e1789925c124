// Writes the seed corpora of the fuzz targets: message bodies, note bodies and names taken from
// a freshly built sample home, a hostile home, and the real Apple files when they are present.
// The seeds go to the build folder only; nothing real is ever copied into the project.
//
//   varnholt-fuzz-seeds OUT_DIR [REALDATA_DIR]
// writes OUT_DIR/<target> for every fuzz target.

#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Gzip.h"
#include "platform/Statement.h"
#include "render/notes/NoteHtmlRenderer.h"
#include "sample-home/HostileSample.h"
#include "sample-home/SampleHome.h"
#include "sources/notes/NoteBodyDecoder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fmt/format.h>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace varnholt;

namespace {
constexpr size_t kMaxSeedsPerTarget = 400;
constexpr size_t kMaxSeedBytes = 256 * 1024;

class Corpus {
public:
    explicit Corpus(fs::path root) : m_root(std::move(root)) {}

    void add(const std::string& target, std::string_view bytes)
    {
        if (bytes.empty() || bytes.size() > kMaxSeedBytes || m_count[target] >= kMaxSeedsPerTarget)
            return;
        const std::string name = fmt::format("seed-{:016x}", std::hash<std::string_view>{}(bytes));
        if (!m_written.insert(target + "/" + name).second)
            return;
        if (!createDirectories(m_root / target) || !writeFile(m_root / target / name, bytes))
            return;
        ++m_count[target];
    }

    void report() const
    {
        for (const auto& [target, count] : m_count)
            std::printf("%s: %zu seeds\n", target.c_str(), count);
    }

private:
    fs::path m_root;
    std::map<std::string, size_t> m_count;
    std::set<std::string> m_written;
};

bool startsWith(std::string_view bytes, std::string_view prefix)
{
    return bytes.substr(0, prefix.size()) == prefix;
}

// Every column a query returns, as bytes; nothing when the database has no such table.
void eachValue(const Database& db, const std::string& sql, const std::function<void(std::string_view)>& take)
{
    auto statement = db.prepare(sql);
    if (!statement)
        return;
    while (statement->step() == Statement::Step::Row)
        if (!statement->isNull(0))
            take(statement->columnBlob(0));
}

void addNoteBody(Corpus& corpus, std::string_view blob)
{
    corpus.add("notebody", blob);
    std::optional<std::string> inflated;
    if (notesdb::looksLikeGzip(blob))
        inflated = notesdb::inflateGzip(blob, kMaxSeedBytes);
    if (!inflated)
        return;
    corpus.add("notebody", *inflated);
    corpus.add("noterender", *inflated);
    // The page the standard method writes for it is what the converters read.
    if (auto document = notesdb::NoteBodyDecoder::parseNoteDocument(*inflated)) {
        const NoteHtmlRenderer renderer([](const notesdb::NoteDocument::AttachmentReference& reference) {
            RenderedAttachment rendered;
            rendered.kind = RenderedAttachment::Kind::image;
            rendered.relativePath = "Note_files/" + reference.identifier + ".png";
            rendered.name = reference.typeUti;
            return rendered;
        });
        corpus.add("convert", NoteHtmlRenderer::page("Seed", renderer.renderBody(*document)));
    }
}

void harvestDatabase(Corpus& corpus, const fs::path& path, const fs::path& scratch)
{
    // Never open the original: copy it with its log first.
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    const fs::path copy = scratch / "db.sqlite";
    std::error_code ec;
    fs::copy_file(path, copy, ec);
    for (const char* suffix : {"-wal", "-shm"})
        if (fs::exists(path.string() + suffix, ec))
            fs::copy_file(path.string() + suffix, copy.string() + suffix, ec);
    auto db = Database::open(copy.string(), Database::Mode::ReadOnly);
    if (!db)
        return;
    auto typed = [&](std::string_view v) { corpus.add("typedstream", v); };
    auto body = [&](std::string_view v) { addNoteBody(corpus, v); };
    auto name = [&](std::string_view v) { corpus.add("filenames", v); };
    eachValue(*db, "SELECT attributedBody FROM message WHERE attributedBody IS NOT NULL LIMIT 300", typed);
    eachValue(*db, "SELECT message_summary_info FROM message WHERE message_summary_info IS NOT NULL LIMIT 100",
              [&](std::string_view v) { corpus.add("summaryinfo", v); });
    eachValue(*db, "SELECT ZDATA FROM ZICNOTEDATA LIMIT 300", body);
    eachValue(*db, "SELECT ZDATA FROM ZNOTEDATA LIMIT 300", body);
    eachValue(*db, "SELECT display_name FROM chat", name);
    eachValue(*db, "SELECT chat_identifier FROM chat LIMIT 50", name);
    eachValue(*db, "SELECT ZTITLE1 FROM ZICCLOUDSYNCINGOBJECT WHERE ZTITLE1 IS NOT NULL LIMIT 100", name);
    eachValue(*db, "SELECT ZTITLE2 FROM ZICCLOUDSYNCINGOBJECT WHERE ZTITLE2 IS NOT NULL LIMIT 50", name);
    eachValue(*db, "SELECT ZTITLE FROM ZNOTE LIMIT 50", name);
}

void harvestFolder(Corpus& corpus, const fs::path& folder, const fs::path& scratch)
{
    std::error_code ec;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file(ec) && !it->is_symlink(ec))
            files.push_back(it->path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        if (name.ends_with("-wal") || name.ends_with("-shm"))
            continue;
        auto bytes = readFile(file);
        if (!bytes)
            continue;
        if (startsWith(*bytes, "SQLite format 3"))
            harvestDatabase(corpus, file, scratch);
        else if (startsWith(*bytes, "\x04\x0bstreamtyped"))
            corpus.add("typedstream", *bytes);
        else if (startsWith(*bytes, "bplist00") || startsWith(*bytes, "<?xml"))
            corpus.add("summaryinfo", *bytes);
        else if (notesdb::looksLikeGzip(*bytes))
            addNoteBody(corpus, *bytes);
        else if (name.ends_with(".html") || name.ends_with(".htm"))
            corpus.add("convert", *bytes);
    }
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR [REALDATA_DIR]\n", argv[0]);
        return 2;
    }
    const fs::path out = argv[1];
    std::string pattern = (fs::temp_directory_path() / "varnholt-seeds-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path work = pattern;
    int status = 0;
    try {
        Corpus corpus(out);
        sample::buildSampleHome(work / "sample");
        sample::buildHostileHome(work / "hostile" / "home");
        harvestFolder(corpus, work / "sample", work / "scratch");
        harvestFolder(corpus, work / "hostile", work / "scratch");
        for (const std::string& name : sample::hostileNames())
            corpus.add("filenames", name);
        for (const std::string& text : sample::hostileTexts())
            corpus.add("convert", "<html><body><p>" + text + "</p></body></html>");
        if (argc > 2 && fs::is_directory(argv[2]))
            harvestFolder(corpus, argv[2], work / "scratch");
        else
            std::printf("no real data folder: seeds from the sample homes only\n");
        corpus.report();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "varnholt-fuzz-seeds: %s\n", error.what());
        status = 1;
    }
    std::error_code ec;
    fs::remove_all(work, ec);
    return status;
}
