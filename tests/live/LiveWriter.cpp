#include "live/LiveWriter.h"

#include "platform/Database.h"
#include "platform/Statement.h"
#include "sample-home/NoteBodyEncoder.h"

#include <fmt/format.h>

#include <chrono>
#include <new>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

namespace varnholt::test {

namespace fs = std::filesystem;

namespace {
Database openWritable(const fs::path& path)
{
    auto db = Database::open(path.string(), Database::Mode::ReadWriteCreate);
    if (!db)
        throw std::runtime_error(db.error());
    // The apps keep their databases in WAL mode with SQLite's default checkpointing.
    if (!db->exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=1000;"))
        throw std::runtime_error(db->errorMessage());
    return std::move(*db);
}

Statement prepare(const Database& db, const std::string& sql)
{
    auto statement = db.prepare(sql);
    if (!statement)
        throw std::runtime_error(statement.error() + " in " + sql);
    return std::move(*statement);
}

bool run(Statement& statement)
{
    const bool done = statement.step() == Statement::Step::Done;
    statement.reset();
    return done;
}

void recordLongest(std::atomic<long long>& longest, long long value)
{
    long long seen = longest.load();
    while (value > seen && !longest.compare_exchange_weak(seen, value)) {
    }
}
} // namespace

std::string LiveWriter::messageText(long long i)
{
    return fmt::format("live message {:06}", i);
}

std::string LiveWriter::noteTitle(long long i)
{
    return fmt::format("Live note {:06}", i);
}

LiveWriter::LiveWriter(const fs::path& chatDb, const fs::path& noteStore, long long warmUp)
{
    void* memory = ::mmap(nullptr, sizeof(Shared), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        throw std::runtime_error("cannot share memory with the writer");
    m_shared = new (memory) Shared;
    int ready[2];
    if (::pipe(ready) != 0)
        throw std::runtime_error("cannot make a pipe");
    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error("cannot start the writer");
    if (m_pid == 0) {
        ::close(ready[0]);
        int code = 0;
        try {
            write(*m_shared, chatDb, noteStore, warmUp, ready[1]);
        } catch (const std::exception& error) {
            fmt::print(stderr, "live writer: {}\n", error.what());
            code = 1;
        }
        ::_exit(code);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    if (!started)
        throw std::runtime_error("the writer stopped before it had written anything");
}

LiveWriter::~LiveWriter()
{
    if (m_pid > 0)
        stop();
    if (m_shared)
        ::munmap(m_shared, sizeof(Shared));
}

long long LiveWriter::committed() const
{
    return m_shared->committed.load();
}

void LiveWriter::exportsStart()
{
    m_shared->exporting.store(true);
}

LiveWriter::Figures LiveWriter::stop()
{
    m_shared->stop.store(true);
    int status = 0;
    if (m_pid > 0)
        ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    Figures figures;
    figures.committed = m_shared->committed.load();
    figures.failures = m_shared->failures.load() + (WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1);
    figures.longestInsertMs = static_cast<double>(m_shared->longestNs.load()) / 1e6;
    figures.longestBaselineMs = static_cast<double>(m_shared->longestBaselineNs.load()) / 1e6;
    return figures;
}

void LiveWriter::write(Shared& shared, const fs::path& chatDb, const fs::path& noteStore, long long warmUp, int readyFd)
{
    const Database chat = openWritable(chatDb);
    const Database notes = openWritable(noteStore);
    if (!chat.exec("INSERT INTO chat (guid, style, state, chat_identifier, service_name, display_name) "
                   "VALUES ('iMessage;+;live', 43, 3, 'chatlive', 'iMessage', 'Live')"))
        throw std::runtime_error(chat.errorMessage());
    Statement chatId = prepare(chat, "SELECT ROWID FROM chat WHERE guid = 'iMessage;+;live'");
    chatId.step();
    const std::int64_t liveChat = chatId.columnInt64(0);
    chatId.finalize();
    Statement folder = prepare(notes, "SELECT ZFOLDER, ZACCOUNT7 FROM ZICCLOUDSYNCINGOBJECT WHERE ZTITLE1 IS NOT NULL "
                                      "AND ZMARKEDFORDELETION = 0 LIMIT 1");
    folder.step();
    const std::int64_t folderId = folder.columnInt64(0);
    const std::int64_t accountId = folder.columnInt64(1);
    folder.finalize();

    Statement begin = prepare(chat, "BEGIN IMMEDIATE");
    Statement commit = prepare(chat, "COMMIT");
    Statement message = prepare(chat, "INSERT INTO message (guid, text, handle_id, service, date, is_from_me) "
                                      "VALUES (?, ?, 0, 'iMessage', ?, 1)");
    Statement join = prepare(chat, "INSERT INTO chat_message_join (chat_id, message_id, message_date) "
                                   "VALUES (?, last_insert_rowid(), ?)");
    Statement noteBegin = prepare(notes, "BEGIN IMMEDIATE");
    Statement noteCommit = prepare(notes, "COMMIT");
    Statement note = prepare(notes, "INSERT INTO ZICCLOUDSYNCINGOBJECT (Z_ENT, Z_OPT, ZTITLE1, ZSNIPPET, ZIDENTIFIER, "
                                    "ZCREATIONDATE3, ZMODIFICATIONDATE1, ZMARKEDFORDELETION, ZISPINNED, "
                                    "ZISPASSWORDPROTECTED, ZFOLDER, ZACCOUNT7) VALUES (11, 1, ?, 'live', ?, "
                                    "731340202, 731340202, 0, 0, 0, ?, ?)");
    Statement body = prepare(notes, "INSERT INTO ZICNOTEDATA (Z_ENT, Z_OPT, ZNOTE, ZDATA) "
                                    "VALUES (18, 1, last_insert_rowid(), ?)");

    using Clock = std::chrono::steady_clock;
    for (long long i = 1; !shared.stop.load(); ++i) {
        const std::string text = messageText(i);
        const std::string title = noteTitle(i);
        const std::string blob = sample::compressedPlainBody(title, "written while exporting");
        const std::int64_t date = 760'000'000'000'000'000LL + i * 1'000'000'000LL;

        const auto started = Clock::now();
        message.bindText(1, fmt::format("LIVE-{:08}", i));
        message.bindText(2, text);
        message.bindInt64(3, date);
        join.bindInt64(1, liveChat);
        join.bindInt64(2, date);
        bool ok = run(begin) && run(message) && run(join) && run(commit);
        const auto messageDone = Clock::now();
        note.bindText(1, title);
        note.bindText(2, fmt::format("LIVE-NOTE-{:08}", i));
        note.bindInt64(3, folderId);
        note.bindInt64(4, accountId);
        body.bindBlob(1, blob.data(), static_cast<int>(blob.size()));
        ok = ok && run(noteBegin) && run(note) && run(body) && run(noteCommit);
        const auto noteDone = Clock::now();
        if (!ok) {
            shared.failures.fetch_add(1);
            return;
        }
        shared.committed.store(i);

        const long long longest =
            std::max(std::chrono::duration_cast<std::chrono::nanoseconds>(messageDone - started).count(),
                     std::chrono::duration_cast<std::chrono::nanoseconds>(noteDone - messageDone).count());
        recordLongest(shared.exporting.load() ? shared.longestNs : shared.longestBaselineNs, longest);
        if (i == warmUp) {
            const char byte = 1;
            if (::write(readyFd, &byte, 1) != 1)
                return;
            ::close(readyFd);
        }
    }
}

} // namespace varnholt::test
