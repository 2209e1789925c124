#include "sources/voicememos/RecordingCatalog.h"

#include "platform/Database.h"
#include "platform/Iso8601.h"
#include "platform/Statement.h"
#include "platform/Trace.h"
#include "sources/DatabaseSnapshot.h"

#include <set>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
void warn(const fs::path& catalog, const std::string& why)
{
    Trace::line("[VoiceMemosExporter] \u26A0\uFE0F Cannot read the recordings catalog " + catalog.string() + ": " +
                why + "; recordings are exported without their titles");
}

// The column when this version of the schema has it, NULL otherwise: the columns came and went
// between systems, and a catalog with fewer of them still names its recordings.
std::string columnOrNull(const std::set<std::string>& columns, const std::string& prefix, const std::string& name)
{
    return columns.count(name) ? prefix + name : std::string("NULL");
}

std::optional<std::string> nonEmptyText(const Statement& row, int column)
{
    std::optional<std::string> text = row.columnOptionalText(column);
    if (text && text->empty())
        return std::nullopt;
    return text;
}

std::optional<double> optionalDouble(const Statement& row, int column)
{
    if (row.isNull(column))
        return std::nullopt;
    return row.columnDouble(column);
}
} // namespace

RecordingCatalog RecordingCatalog::read(const fs::path& recordingsFolder, const fs::path& scratchFolder)
{
    RecordingCatalog catalog;
    for (const char* name : {"CloudRecordings.db", "Recordings.db"}) {
        const fs::path path = recordingsFolder / name;
        std::error_code ec;
        if (!fs::is_regular_file(path, ec))
            continue;
        auto snapshot = DatabaseSnapshot::open(path, scratchFolder);
        if (!snapshot) {
            warn(path, snapshot.error().description());
            return catalog;
        }
        const Database& db = snapshot->database();
        if (!db.columnsOf("ZCLOUDRECORDING").value_or(std::set<std::string>{}).empty())
            catalog.readCloudRecordings(db);
        else if (!db.columnsOf("ZRECORDING").value_or(std::set<std::string>{}).empty())
            catalog.readOldRecordings(db);
        else
            warn(path, "it has neither a ZCLOUDRECORDING nor a ZRECORDING table");
        return catalog;
    }
    return catalog;
}

void RecordingCatalog::readCloudRecordings(const Database& db)
{
    const std::set<std::string> columns = db.columnsOf("ZCLOUDRECORDING").value_or(std::set<std::string>{});
    const std::set<std::string> folderColumns = db.columnsOf("ZFOLDER").value_or(std::set<std::string>{});
    const bool hasFolders = columns.count("ZFOLDER") && folderColumns.count("ZENCRYPTEDNAME");
    const std::string sql =
        "SELECT r.ZPATH, " + columnOrNull(columns, "r.", "ZENCRYPTEDTITLE") + ", " +
        columnOrNull(columns, "r.", "ZCUSTOMLABELFORSORTING") + ", " + columnOrNull(columns, "r.", "ZCUSTOMLABEL") +
        ", " + columnOrNull(columns, "r.", "ZDATE") + ", " + columnOrNull(columns, "r.", "ZDURATION") + ", " +
        (columns.count("ZEVICTIONDATE") ? "r.ZEVICTIONDATE IS NOT NULL" : "NULL") + ", " +
        (hasFolders ? "f.ZENCRYPTEDNAME FROM ZCLOUDRECORDING r LEFT JOIN ZFOLDER f ON f.Z_PK = r.ZFOLDER"
                    : "NULL FROM ZCLOUDRECORDING r") +
        " WHERE r.ZPATH IS NOT NULL";
    auto rows = db.prepare(sql);
    if (!rows)
        return Trace::line("[VoiceMemosExporter] \u26A0\uFE0F Cannot read the recordings catalog: " + rows.error());
    while (rows->step() == Statement::Step::Row) {
        RecordingDetails details;
        // The visible title moved between columns over the years; the first one filled is the one shown.
        for (int column : {1, 2, 3})
            if (!details.title)
                details.title = nonEmptyText(*rows, column);
        if (auto date = optionalDouble(*rows, 4))
            details.recordedAt = *date + kAppleReferenceOffset;
        details.durationSeconds = optionalDouble(*rows, 5);
        if (!rows->isNull(6))
            details.recentlyDeleted = rows->columnInt(6) != 0;
        details.folder = nonEmptyText(*rows, 7);
        m_entries[rows->columnText(0)] = std::move(details);
    }
}

void RecordingCatalog::readOldRecordings(const Database& db)
{
    const std::set<std::string> columns = db.columnsOf("ZRECORDING").value_or(std::set<std::string>{});
    if (!columns.count("ZPATH"))
        return;
    const std::string sql = "SELECT ZPATH, " + columnOrNull(columns, "", "ZCUSTOMLABEL") + ", " +
                            columnOrNull(columns, "", "ZDATE") + ", " + columnOrNull(columns, "", "ZDURATION") +
                            " FROM ZRECORDING WHERE ZPATH IS NOT NULL";
    auto rows = db.prepare(sql);
    if (!rows)
        return Trace::line("[VoiceMemosExporter] \u26A0\uFE0F Cannot read the recordings catalog: " + rows.error());
    while (rows->step() == Statement::Step::Row) {
        RecordingDetails details;
        details.title = nonEmptyText(*rows, 1);
        if (auto date = optionalDouble(*rows, 2))
            details.recordedAt = *date + kAppleReferenceOffset;
        details.durationSeconds = optionalDouble(*rows, 3);
        m_entries[rows->columnText(0)] = std::move(details);
    }
}

const RecordingDetails* RecordingCatalog::find(const std::string& relativePath) const
{
    if (auto it = m_entries.find(relativePath); it != m_entries.end())
        return &it->second;
    // Older catalogs store the path from the home ("/var/mobile/Media/Recordings/x.m4a"): match the tail.
    for (const auto& [path, details] : m_entries)
        if (path.size() > relativePath.size() && path.ends_with("/" + relativePath))
            return &details;
    return nullptr;
}

} // namespace varnholt
