#include "sample-home/NoteStoreBuilder.h"

#include "platform/Statement.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fmt/format.h>
#include <stdexcept>
#include <variant>
#include <vector>

namespace varnholt::sample {

namespace fs = std::filesystem;

namespace {
// Entity numbers as macOS 15 has them; they differ between versions, which readers must cope with.
constexpr std::int64_t kAccountDataEntity = 3;
constexpr std::int64_t kAttachmentEntity = 4;
constexpr std::int64_t kPreviewEntity = 5;
constexpr std::int64_t kInlineAttachmentEntity = 8;
constexpr std::int64_t kMediaEntity = 10;
constexpr std::int64_t kNoteEntity = 11;
constexpr std::int64_t kAccountEntity = 13;
constexpr std::int64_t kFolderEntity = 14;
constexpr std::int64_t kNoteDataEntity = 18;

// The columns of ZICCLOUDSYNCINGOBJECT the sample fills, in a real store's order, with their types.
const std::vector<std::pair<std::string, std::string>>& objectColumns()
{
    static const std::vector<std::pair<std::string, std::string>> kColumns{
        {"ZISPASSWORDPROTECTED", "INTEGER"},
        {"ZMARKEDFORDELETION", "INTEGER"},
        {"ZLOCKEDNOTESMODE", "INTEGER"},
        {"ZACCOUNT", "INTEGER"},
        {"ZMEDIA", "INTEGER"},
        {"ZNOTE", "INTEGER"},
        {"ZACCOUNT2", "INTEGER"},
        {"ZACCOUNT3", "INTEGER"},
        {"ZACCOUNT4", "INTEGER"},
        {"ZISPINNED", "INTEGER"},
        {"ZACCOUNT6", "INTEGER"},
        {"ZACCOUNT7", "INTEGER"},
        {"ZFOLDER", "INTEGER"},
        {"ZNOTEDATA", "INTEGER"},
        {"ZOWNER", "INTEGER"},
        {"ZFOLDERTYPE", "INTEGER"},
        {"ZACCOUNT8", "INTEGER"},
        {"ZPARENT", "INTEGER"},
        {"ZCREATIONDATE", "TIMESTAMP"},
        {"ZMODIFICATIONDATE", "TIMESTAMP"},
        {"ZCREATIONDATE1", "TIMESTAMP"},
        {"ZCREATIONDATE3", "TIMESTAMP"},
        {"ZMODIFICATIONDATE1", "TIMESTAMP"},
        {"ZIDENTIFIER", "VARCHAR"},
        {"ZTITLE", "VARCHAR"},
        {"ZTYPEUTI", "VARCHAR"},
        {"ZFILENAME", "VARCHAR"},
        {"ZSNIPPET", "VARCHAR"},
        {"ZTITLE1", "VARCHAR"},
        {"ZNAME", "VARCHAR"},
        {"ZTITLE2", "VARCHAR"},
        {"ZMERGEABLEDATA1", "BLOB"},
        {"ZURLSTRING", "VARCHAR"},
        {"ZPARENTATTACHMENT", "INTEGER"},
        {"ZNOTE1", "INTEGER"},
        {"ZATTACHMENT", "INTEGER"},
        {"ZACCOUNTDATA", "INTEGER"},
        {"ZCRYPTOITERATIONCOUNT", "INTEGER"},
        {"ZWIDTH", "FLOAT"},
        {"ZHEIGHT", "FLOAT"},
        {"ZSCALE", "FLOAT"},
        {"ZTYPEUTI1", "VARCHAR"},
        {"ZALTTEXT", "VARCHAR"},
        {"ZTOKENCONTENTIDENTIFIER", "VARCHAR"},
        {"ZFALLBACKIMAGEGENERATION", "VARCHAR"},
        {"ZFALLBACKPDFGENERATION", "VARCHAR"},
        {"ZGENERATION", "VARCHAR"},
        {"ZCRYPTOSALT", "BLOB"},
        {"ZCRYPTOWRAPPEDKEY", "BLOB"},
    };
    return kColumns;
}

using Value = std::variant<std::monostate, std::int64_t, double, std::string>;
using Row = std::vector<std::pair<std::string, Value>>;

fs::path makeStagingFolder()
{
    std::string pattern = (fs::temp_directory_path() / "varnholt-sample-notes-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data()))
        throw std::runtime_error("cannot create a staging folder for the sample Notes store");
    return fs::path(buffer.data());
}

void execOn(const Database& db, const std::string& sql)
{
    if (auto done = db.exec(sql); !done)
        throw std::runtime_error("sample Notes store: " + done.error() + " in: " + sql);
}

void insertRow(const Database& db, const std::string& table, const Row& row, const std::set<std::string>& omitted)
{
    std::string columns;
    std::string marks;
    std::vector<const Value*> values;
    for (const auto& [name, value] : row) {
        if (omitted.count(name))
            continue;
        columns += (columns.empty() ? "" : ", ") + name;
        marks += marks.empty() ? "?" : ", ?";
        values.push_back(&value);
    }
    auto statement = db.prepare("INSERT INTO " + table + " (" + columns + ") VALUES (" + marks + ")");
    if (!statement)
        throw std::runtime_error("sample Notes store: " + statement.error());
    for (size_t i = 0; i < values.size(); ++i) {
        const int position = static_cast<int>(i + 1);
        const Value& value = *values[i];
        if (std::holds_alternative<std::int64_t>(value))
            statement->bindInt64(position, std::get<std::int64_t>(value));
        else if (std::holds_alternative<double>(value)) // TIMESTAMP columns turn the text into a number
            statement->bindText(position, fmt::format("{:.6f}", std::get<double>(value)));
        else if (std::holds_alternative<std::string>(value))
            statement->bindText(position, std::get<std::string>(value));
        else
            statement->bindNull(position);
    }
    if (statement->step() != Statement::Step::Done)
        throw std::runtime_error("sample Notes store: " + db.errorMessage());
}

void copyBeside(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to.parent_path());
    for (const char* suffix : {"", "-wal", "-shm"}) {
        fs::path source = from;
        source += suffix;
        fs::path target = to;
        target += suffix;
        std::error_code ec;
        fs::remove(target, ec);
        if (fs::exists(source))
            fs::copy_file(source, target);
    }
}
} // namespace

NoteStoreBuilder::NoteStoreBuilder(fs::path storePath, std::set<std::string> omittedColumns)
    : m_storePath(std::move(storePath)), m_staging(makeStagingFolder()), m_omitted(std::move(omittedColumns))
{
    auto db = Database::open((m_staging / "NoteStore.sqlite").string(), Database::Mode::ReadWriteCreate);
    if (!db)
        throw std::runtime_error("cannot create the sample Notes store: " + db.error());
    m_db = std::move(*db);
    exec("PRAGMA journal_mode=WAL;");
    exec("PRAGMA wal_autocheckpoint=0;");
    exec("PRAGMA synchronous=OFF;"); // a fixture, rebuilt at will

    std::string objects = "CREATE TABLE ZICCLOUDSYNCINGOBJECT ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER";
    for (const auto& [name, type] : objectColumns())
        if (!m_omitted.count(name))
            objects += ", " + name + " " + type;
    objects += " );";
    exec(objects);
    exec("CREATE TABLE ZICNOTEDATA ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZNOTE INTEGER, "
         "ZCRYPTOINITIALIZATIONVECTOR BLOB, ZCRYPTOTAG BLOB, ZDATA BLOB );");
    exec("CREATE INDEX ZICNOTEDATA_ZNOTE_INDEX ON ZICNOTEDATA (ZNOTE);");
    exec("CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, Z_MAX INTEGER);");
    exec("CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY, Z_UUID VARCHAR(255), Z_PLIST BLOB);");
    exec("INSERT INTO Z_METADATA VALUES (1, 'A1B2C3D4-0000-4000-8000-00000000CAFE', NULL);");
    exec("INSERT INTO Z_PRIMARYKEY VALUES (1,'ICCloudState',0,0),(2,'ICCloudSyncingObject',0,0),"
         "(3,'ICAccountData',2,0),(4,'ICAttachment',2,0),(5,'ICAttachmentPreviewImage',2,0),"
         "(7,'ICHashtag',2,0),(8,'ICInlineAttachment',2,0),(10,'ICMedia',2,0),(11,'ICNote',2,0),"
         "(12,'ICNoteContainer',2,0),(13,'ICAccount',12,0),(14,'ICFolder',12,0),(18,'ICNoteData',0,0);");
}

NoteStoreBuilder::~NoteStoreBuilder()
{
    m_db.close();
    std::error_code ec;
    fs::remove_all(m_staging, ec);
}

void NoteStoreBuilder::exec(const std::string& sql)
{
    execOn(m_db, sql);
}

std::int64_t NoteStoreBuilder::addAccount(const std::string& name, const std::string& identifier)
{
    const std::int64_t pk = m_nextPk++;
    insertRow(m_db, "ZICCLOUDSYNCINGOBJECT",
              {{"Z_PK", pk},
               {"Z_ENT", kAccountEntity},
               {"Z_OPT", std::int64_t{1}},
               {"ZNAME", name},
               {"ZIDENTIFIER", identifier},
               {"ZOWNER", pk},
               {"ZMARKEDFORDELETION", std::int64_t{0}}},
              m_omitted);
    return pk;
}

std::int64_t NoteStoreBuilder::addFolder(const std::string& title, std::int64_t account, const std::string& identifier,
                                         int folderType)
{
    const std::int64_t pk = m_nextPk++;
    insertRow(m_db, "ZICCLOUDSYNCINGOBJECT",
              {{"Z_PK", pk},
               {"Z_ENT", kFolderEntity},
               {"Z_OPT", std::int64_t{1}},
               {"ZTITLE2", title},
               {"ZIDENTIFIER", identifier},
               {"ZOWNER", account},
               {"ZACCOUNT8", account},
               {"ZFOLDERTYPE", std::int64_t{folderType}},
               {"ZMARKEDFORDELETION", std::int64_t{0}}},
              m_omitted);
    return pk;
}

std::int64_t NoteStoreBuilder::addNote(const SampleNote& note)
{
    const std::int64_t pk = m_nextPk++;
    Row row{{"Z_PK", pk},
            {"Z_ENT", kNoteEntity},
            {"Z_OPT", std::int64_t{3}},
            {"ZSNIPPET", note.snippet},
            {"ZIDENTIFIER", fmt::format("{:08X}-0000-4000-8000-{:012X}", pk * 2654435761u % 0xFFFFFFFFu, pk)},
            {"ZCREATIONDATE3", note.created},
            {"ZMODIFICATIONDATE1", note.modified},
            {"ZMARKEDFORDELETION", std::int64_t{note.markedForDeletion ? 1 : 0}},
            {"ZISPINNED", std::int64_t{note.pinned ? 1 : 0}},
            {"ZISPASSWORDPROTECTED", std::int64_t{note.passwordProtected ? 1 : 0}},
            {"ZFOLDER", note.folder},
            {"ZACCOUNT7", note.account}};
    if (note.title)
        row.emplace_back("ZTITLE1", *note.title);
    insertRow(m_db, "ZICCLOUDSYNCINGOBJECT", row, m_omitted);
    if (note.body) {
        auto statement = m_db.prepare("INSERT INTO ZICNOTEDATA (Z_ENT, Z_OPT, ZNOTE, ZDATA) VALUES (?, 1, ?, ?)");
        if (!statement)
            throw std::runtime_error("sample Notes store: " + statement.error());
        statement->bindInt64(1, kNoteDataEntity);
        statement->bindInt64(2, pk);
        statement->bindBlob(3, note.body->data(), static_cast<int>(note.body->size()));
        if (statement->step() != Statement::Step::Done)
            throw std::runtime_error("sample Notes store: " + m_db.errorMessage());
    }
    return pk;
}

std::int64_t NoteStoreBuilder::addAttachment(std::int64_t note, const std::string& typeUti,
                                             const std::string& identifier, const std::string& mediaIdentifier,
                                             const std::string& mediaFilename)
{
    std::optional<std::int64_t> media;
    if (!mediaFilename.empty()) {
        media = m_nextPk++;
        insertRow(m_db, "ZICCLOUDSYNCINGOBJECT",
                  {{"Z_PK", *media},
                   {"Z_ENT", kMediaEntity},
                   {"Z_OPT", std::int64_t{1}},
                   {"ZIDENTIFIER", mediaIdentifier},
                   {"ZFILENAME", mediaFilename}},
                  m_omitted);
    }
    const std::int64_t pk = m_nextPk++;
    Row row{{"Z_PK", pk},          {"Z_ENT", kAttachmentEntity}, {"Z_OPT", std::int64_t{1}},    {"ZNOTE", note},
            {"ZTYPEUTI", typeUti}, {"ZIDENTIFIER", identifier},  {"ZCREATIONDATE", 731340202.0}};
    if (media)
        row.emplace_back("ZMEDIA", *media);
    insertRow(m_db, "ZICCLOUDSYNCINGOBJECT", row, m_omitted);
    return pk;
}

void NoteStoreBuilder::setMergeableData(std::int64_t attachment, const std::string& data)
{
    auto statement = m_db.prepare("UPDATE ZICCLOUDSYNCINGOBJECT SET ZMERGEABLEDATA1 = ? WHERE Z_PK = ?");
    if (!statement)
        throw std::runtime_error("sample Notes store: " + statement.error());
    statement->bindBlob(1, data.data(), static_cast<int>(data.size()));
    statement->bindInt64(2, attachment);
    if (statement->step() != Statement::Step::Done)
        throw std::runtime_error("sample Notes store: cannot store an attachment's data");
}

void NoteStoreBuilder::setLinkCard(std::int64_t attachment, const std::string& url, const std::string& title)
{
    auto statement = m_db.prepare("UPDATE ZICCLOUDSYNCINGOBJECT SET ZURLSTRING = ?, ZTITLE = ? WHERE Z_PK = ?");
    if (!statement)
        throw std::runtime_error("sample Notes store: " + statement.error());
    statement->bindText(1, url);
    statement->bindText(2, title);
    statement->bindInt64(3, attachment);
    if (statement->step() != Statement::Step::Done)
        throw std::runtime_error("sample Notes store: cannot store a link card");
}

void NoteStoreBuilder::setRendering(std::int64_t attachment, const std::string& fallbackImageGeneration,
                                    const std::string& fallbackPdfGeneration, std::int64_t gallery)
{
    auto statement = m_db.prepare("UPDATE ZICCLOUDSYNCINGOBJECT SET ZFALLBACKIMAGEGENERATION = NULLIF(?, ''), "
                                  "ZFALLBACKPDFGENERATION = NULLIF(?, ''), ZPARENTATTACHMENT = NULLIF(?, 0) "
                                  "WHERE Z_PK = ?");
    if (!statement)
        throw std::runtime_error("sample Notes store: " + statement.error());
    statement->bindText(1, fallbackImageGeneration);
    statement->bindText(2, fallbackPdfGeneration);
    statement->bindInt64(3, gallery);
    statement->bindInt64(4, attachment);
    if (statement->step() != Statement::Step::Done)
        throw std::runtime_error("sample Notes store: cannot store how an attachment is drawn");
}

void NoteStoreBuilder::addPreview(std::int64_t attachment, const std::string& identifier, const std::string& generation,
                                  double width, double height, double scale)
{
    insertRow(m_db, "ZICCLOUDSYNCINGOBJECT",
              {{"Z_PK", m_nextPk++},
               {"Z_ENT", kPreviewEntity},
               {"Z_OPT", std::int64_t{1}},
               {"ZATTACHMENT", attachment},
               {"ZIDENTIFIER", identifier},
               {"ZGENERATION", generation},
               {"ZWIDTH", width},
               {"ZHEIGHT", height},
               {"ZSCALE", scale}},
              m_omitted);
}

std::int64_t NoteStoreBuilder::addInlineAttachment(std::int64_t note, const std::string& typeUti,
                                                   const std::string& identifier, const std::string& altText)
{
    const std::int64_t pk = m_nextPk++;
    // Notes keeps the tag's standardized form beside the text it shows: "#Travel" -> "TRAVEL".
    std::string token = altText.empty() || (altText[0] != '#' && altText[0] != '@') ? altText : altText.substr(1);
    for (char& c : token)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    insertRow(m_db, "ZICCLOUDSYNCINGOBJECT",
              {{"Z_PK", pk},
               {"Z_ENT", kInlineAttachmentEntity},
               {"Z_OPT", std::int64_t{1}},
               {"ZNOTE1", note},
               {"ZTYPEUTI1", typeUti},
               {"ZIDENTIFIER", identifier},
               {"ZALTTEXT", altText},
               {"ZTOKENCONTENTIDENTIFIER", token}},
              m_omitted);
    return pk;
}

void NoteStoreBuilder::setLockedNotesMode(std::int64_t account, std::int64_t mode)
{
    const std::int64_t pk = m_nextPk++;
    insertRow(m_db, "ZICCLOUDSYNCINGOBJECT",
              {{"Z_PK", pk},
               {"Z_ENT", kAccountDataEntity},
               {"Z_OPT", std::int64_t{1}},
               {"ZACCOUNT", account},
               {"ZLOCKEDNOTESMODE", mode}},
              m_omitted);
    auto statement = m_db.prepare("UPDATE ZICCLOUDSYNCINGOBJECT SET ZACCOUNTDATA = ? WHERE Z_PK = ?");
    if (!statement)
        throw std::runtime_error("sample Notes store: " + statement.error());
    statement->bindInt64(1, pk);
    statement->bindInt64(2, account);
    if (statement->step() != Statement::Step::Done)
        throw std::runtime_error("sample Notes store: cannot link an account's data");
}

void NoteStoreBuilder::beginTransaction()
{
    exec("BEGIN;");
}

void NoteStoreBuilder::commit()
{
    exec("COMMIT;");
}

void NoteStoreBuilder::startWriteAheadPhase()
{
    exec("PRAGMA wal_checkpoint(TRUNCATE);");
    m_walPhase = true;
}

void NoteStoreBuilder::finish()
{
    if (m_finished)
        return;
    const fs::path staged = m_staging / "NoteStore.sqlite";
    if (m_walPhase) {
        // Copied while the connection is open, so the -wal still holds the late changes, as it
        // does on a Mac where Notes is running.
        copyBeside(staged, m_storePath);
        m_db.close();
    } else {
        exec("PRAGMA wal_checkpoint(TRUNCATE);");
        m_db.close();
        copyBeside(staged, m_storePath);
    }
    m_finished = true;
}

void buildLegacyNoteStore(const fs::path& storePath, const std::vector<LegacyNote>& notes,
                          const std::vector<LegacyAttachment>& attachments)
{
    fs::create_directories(storePath.parent_path());
    std::error_code ec;
    fs::remove(storePath, ec);
    auto opened = Database::open(storePath.string(), Database::Mode::ReadWriteCreate);
    if (!opened)
        throw std::runtime_error("cannot create the legacy Notes store: " + opened.error());
    const Database& db = *opened;
    execOn(db, "BEGIN;");
    execOn(db, "CREATE TABLE ZNOTE ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZMARKEDFORDELETION "
               "INTEGER, ZISPINNED INTEGER, ZLOCKED INTEGER, ZFOLDER INTEGER, ZACCOUNT INTEGER, ZCREATIONDATE "
               "TIMESTAMP, ZMODIFICATIONDATE TIMESTAMP, ZTITLE VARCHAR, ZTITLE1 VARCHAR, ZSNIPPET VARCHAR );");
    execOn(db, "CREATE TABLE ZNOTEDATA ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZNOTE INTEGER, "
               "ZDATA BLOB );");
    execOn(db, "CREATE TABLE ZATTACHMENT ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZNOTE INTEGER, "
               "ZMEDIA INTEGER, ZFILENAME VARCHAR, ZTYPEUTI VARCHAR, ZIDENTIFIER VARCHAR );");
    for (const LegacyNote& note : notes) {
        Row row{{"Z_PK", note.id},
                {"ZSNIPPET", note.snippet},
                {"ZCREATIONDATE", note.created},
                {"ZMODIFICATIONDATE", note.modified},
                {"ZMARKEDFORDELETION", std::int64_t{note.deleted ? 1 : 0}},
                {"ZISPINNED", std::int64_t{note.pinned ? 1 : 0}},
                {"ZLOCKED", std::int64_t{note.locked ? 1 : 0}},
                {"ZFOLDER", std::int64_t{1}},
                {"ZACCOUNT", std::int64_t{1}}};
        if (note.title)
            row.emplace_back("ZTITLE", *note.title);
        insertRow(db, "ZNOTE", row, {});
        if (note.body) {
            auto statement = db.prepare("INSERT INTO ZNOTEDATA (ZNOTE, ZDATA) VALUES (?, ?)");
            if (!statement)
                throw std::runtime_error("legacy Notes store: " + statement.error());
            statement->bindInt64(1, note.id);
            statement->bindBlob(2, note.body->data(), static_cast<int>(note.body->size()));
            if (statement->step() != Statement::Step::Done)
                throw std::runtime_error("legacy Notes store: " + db.errorMessage());
        }
    }
    for (const LegacyAttachment& attachment : attachments)
        insertRow(db, "ZATTACHMENT",
                  {{"ZNOTE", attachment.note},
                   {"ZMEDIA", attachment.media},
                   {"ZFILENAME", attachment.filename},
                   {"ZTYPEUTI", attachment.typeUti},
                   {"ZIDENTIFIER", attachment.identifier}},
                  {});
    execOn(db, "COMMIT;");
}

} // namespace varnholt::sample
