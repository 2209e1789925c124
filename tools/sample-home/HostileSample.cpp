#include "sample-home/HostileSample.h"

#include "platform/Database.h"
#include "platform/Statement.h"
#include "sample-home/ContactsSample.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/NoteBodyEncoder.h"
#include "sample-home/NoteStoreBuilder.h"
#include "sample-home/NotesSample.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/TypedStreamWriter.h"
#include "sample-home/VoiceMemosSample.h"

#include <fmt/format.h>
#include <stdexcept>

namespace varnholt::sample {

namespace fs = std::filesystem;

namespace {
std::string longName()
{
    // 10,000 characters, most of them two bytes long, with separators sprinkled in.
    std::string name;
    for (int i = 0; i < 10'000; ++i)
        name += i % 997 == 996 ? "/" : (i % 2 ? "\xD0\xB6" : "a"); // "ж"
    return name;
}

void exec(const Database& db, const std::string& sql)
{
    if (auto done = db.exec(sql); !done)
        throw std::runtime_error("hostile chat.db: " + done.error());
}

Statement prepare(const Database& db, const std::string& sql)
{
    auto statement = db.prepare(sql);
    if (!statement)
        throw std::runtime_error("hostile chat.db: " + statement.error());
    return std::move(*statement);
}

void runOnce(Statement& statement, const Database& db)
{
    if (statement.step() != Statement::Step::Done)
        throw std::runtime_error("hostile chat.db: " + db.errorMessage());
    statement.reset();
}

// Stored attachment names: ".." runs and absolute paths out of the home, links out of it, and
// one harmless file, which must still be copied.
const std::vector<std::string>& hostileAttachmentNames()
{
    static const std::vector<std::string> kNames{
        "~/../outside/secret.txt",
        "~/Library/Messages/Attachments/x/../../../../../outside/secret.txt",
        "/etc/hostname",
        "/etc",
        "~/Library/Messages/Attachments/..",
        "~/Library/Messages/Attachments/ev/il/../../../../../../outside",
        "~/Library/Messages/Attachments/li/nk/photo.jpg",      // a link to the secret
        "~/Library/Messages/Attachments/li/nk/loop.jpg",       // a link to itself
        "~/Library/Messages/Attachments/li/nk/out/secret.txt", // through a folder link
        "~/Library/Messages/Attachments/ok/../ok2/inside.jpg",
    };
    return kNames;
}

void addHostileMessages(const fs::path& home)
{
    const fs::path attachments = home / "Library/Messages/Attachments";
    writeSampleFile(attachments / "ok2/inside.jpg", "an attachment inside the home");
    fs::create_directories(attachments / "ok");
    fs::create_directories(attachments / "li/nk");
    fs::create_symlink(outsideFolder(home) / "secret.txt", attachments / "li/nk/photo.jpg");
    fs::create_symlink("loop.jpg", attachments / "li/nk/loop.jpg");
    fs::create_directory_symlink(outsideFolder(home), attachments / "li/nk/out");

    // Added on top of the sample, the way Messages adds rows: into the log of the open database.
    auto opened = Database::open(messagesDatabasePath(home).string(), Database::Mode::ReadWriteCreate);
    if (!opened)
        throw std::runtime_error("hostile chat.db: " + opened.error());
    const Database& db = *opened;
    exec(db, "PRAGMA wal_autocheckpoint=0; BEGIN;");
    Statement chat = prepare(db, "INSERT INTO chat (guid, style, state, chat_identifier, service_name, display_name) "
                                 "VALUES (?, ?, 3, ?, 'iMessage', ?)");
    Statement message = prepare(db, "INSERT INTO message (guid, text, attributedBody, handle_id, service, date, "
                                    "is_from_me, cache_has_attachments) VALUES (?, ?, ?, 0, 'iMessage', ?, 1, ?)");
    Statement join = prepare(db, "INSERT INTO chat_message_join (chat_id, message_id, message_date) "
                                 "VALUES (?, last_insert_rowid(), ?)");
    Statement attachment = prepare(db, "INSERT INTO attachment (guid, original_guid, filename, mime_type, "
                                       "transfer_name, total_bytes) VALUES (?, ?, ?, 'image/jpeg', ?, 10)");
    Statement attachmentJoin = prepare(db, "INSERT INTO message_attachment_join (message_id, attachment_id) "
                                           "VALUES (?, last_insert_rowid())");
    Statement lastRow = prepare(db, "SELECT last_insert_rowid()");
    auto lastId = [&] {
        lastRow.step();
        const std::int64_t id = lastRow.columnInt64(0);
        lastRow.reset();
        return id;
    };

    long long date = 760'000'000'000'000'000LL;
    int serial = 0;
    const auto& names = hostileNames();
    for (size_t c = 0; c < names.size(); ++c) {
        // Half are groups named by their display name, half one-to-one chats named by their identifier.
        const bool group = c % 2 == 0;
        chat.bindText(1, fmt::format("hostile-chat-{}", c));
        chat.bindInt(2, group ? 43 : 45);
        chat.bindText(3, group ? fmt::format("chathostile{}", c) : names[c]);
        if (group)
            chat.bindText(4, names[c]);
        else
            chat.bindNull(4);
        runOnce(chat, db);
        const std::int64_t chatId = lastId();

        for (size_t t = 0; t < hostileTexts().size(); ++t) {
            const std::string& text = hostileTexts()[t];
            const bool withAttachments = c == 0 && t == 0;
            message.bindText(1, fmt::format("HOSTILE-{:06}", ++serial));
            if ((c + t) % 2 == 0) {
                message.bindText(2, text);
                message.bindNull(3);
            } else { // only in the archived body, as newer macOS versions store text
                const std::string blob = TypedStreamWriter::attributedString(text);
                message.bindNull(2);
                message.bindBlob(3, blob.data(), static_cast<int>(blob.size()));
            }
            message.bindInt64(4, date += 60'000'000'000LL);
            message.bindInt(5, withAttachments ? 1 : 0);
            runOnce(message, db);
            const std::int64_t messageId = lastId();
            join.bindInt64(1, chatId);
            join.bindInt64(2, date);
            runOnce(join, db);
            if (!withAttachments)
                continue;
            for (const std::string& name : hostileAttachmentNames()) {
                const std::string guid = fmt::format("hostile-attachment-{}", ++serial);
                attachment.bindText(1, guid);
                attachment.bindText(2, guid);
                attachment.bindText(3, name);
                attachment.bindText(4, fs::path(name).filename().string());
                runOnce(attachment, db);
                attachmentJoin.bindInt64(1, messageId);
                runOnce(attachmentJoin, db);
            }
        }
    }
    exec(db, "COMMIT;");
}

void buildHostileNotes(const fs::path& home)
{
    const fs::path container = notesContainer(home);
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(container.string() + "/NoteStore.sqlite" + suffix);
    NoteStoreBuilder store(container / "NoteStore.sqlite");
    store.beginTransaction();
    const std::int64_t account = store.addAccount("../../Account", "LocalAccount");
    const auto& names = hostileNames();
    std::vector<std::int64_t> folders;
    for (size_t i = 0; i < 3; ++i)
        folders.push_back(store.addFolder(names[i], account, fmt::format("HOSTILE-FOLDER-{}", i)));
    const double when = appleTime(1'709'647'402);
    for (size_t n = 0; n < names.size(); ++n) {
        std::vector<BodySegment> body;
        BodySegment title;
        title.text = names[n] + "\n";
        title.styleType = 0;
        body.push_back(title);
        for (const std::string& text : hostileTexts()) {
            BodySegment segment;
            segment.text = text + "\n";
            body.push_back(segment);
        }
        BodySegment link;
        link.text = "a link that would run script";
        link.link = "javascript:alert('link')";
        body.push_back(link);
        BodySegment file;
        file.text = kObjectReplacement;
        file.attachmentIdentifier = fmt::format("../../HOSTILE-ATTACHMENT-{}", n);
        file.attachmentType = "public.jpeg";
        body.push_back(file);
        // A drawing whose rendered images and a hashtag whose text point out of the container.
        body.push_back(attachmentSegment(fmt::format("../../HOSTILE-DRAWING-{}", n), "com.apple.drawing.2"));
        body.push_back(
            attachmentSegment(fmt::format("HOSTILE-TAG-{}", n), "com.apple.notes.inlinetextattachment.hashtag"));

        SampleNote note;
        note.title = names[n];
        note.snippet = hostileTexts()[n % hostileTexts().size()];
        note.body = encodeCompressedNoteBody(body);
        note.created = when + static_cast<double>(n);
        note.modified = note.created;
        note.folder = folders[n % folders.size()];
        note.account = account;
        const std::int64_t id = store.addNote(note);
        store.addAttachment(id, "public.jpeg", fmt::format("../../HOSTILE-ATTACHMENT-{}", n),
                            fmt::format("../../../../../../outside-{}", n), "../../../../../../outside/secret.txt");
        const std::int64_t drawing =
            store.addAttachment(id, "com.apple.drawing.2", fmt::format("../../HOSTILE-DRAWING-{}", n));
        store.setRendering(drawing, "../../../../../../outside", "..");
        store.addPreview(drawing, "../../../../../../outside/secret", "..", 1, 1, 1);
        store.addInlineAttachment(id, "com.apple.notes.inlinetextattachment.hashtag", fmt::format("HOSTILE-TAG-{}", n),
                                  hostileTexts()[n % hostileTexts().size()]);
    }
    store.commit();
    store.finish();
}

void addHostileRecordings(const fs::path& home)
{
    const fs::path folder = voiceMemosFolder(home);
    fs::create_directories(folder);
    const fs::path outside = outsideFolder(home);
    fs::create_symlink(outside / "secret.m4a", folder / "outside.m4a");
    fs::create_directory_symlink(outside, folder / "Outside folder");
    fs::create_directory_symlink(".", folder / "Loop");
    fs::create_directory_symlink("..", folder / "Up");
    fs::create_symlink("loopB.m4a", folder / "loopA.m4a");
    fs::create_symlink("loopA.m4a", folder / "loopB.m4a");
    fs::create_symlink("/etc/hostname", folder / "absolute.m4a");
    writeSampleFile(folder / "\x01\x1B[31mcontrol\x7F.m4a", makeM4a(0.25));
    writeSampleFile(folder / (std::string(240, 'r') + ".m4a"), makeM4a(0.25));
}
} // namespace

const std::vector<std::string>& hostileNames()
{
    static const std::vector<std::string> kNames{
        "../",
        "..",
        "/",
        ".",
        "../../../../outside/escaped",
        "a/../../b",
        "\\..\\..\\windows",
        "\x01\x02\x1B[31mred\x7F\t\r\nnext line",
        "\xE2\x80\xAEgpj.exe",         // right-to-left override: shows as "exe.jpg"
        "\xE2\x80\xAE../\xE2\x80\xAC", // an override around a way up
        longName(),
        "~",
        "-rf",
        "CON",
    };
    return kNames;
}

const std::vector<std::string>& hostileTexts()
{
    static const std::vector<std::string> kTexts{
        "<script>alert('script element')</script>",
        "<img src=x onerror=alert('onerror')>",
        "<a href=\"javascript:alert('href')\">click me</a>",
        "javascript:alert(document.cookie)",
        "<svg onload=alert('svg')><script>alert(2)</script></svg>",
        "</pre></div></body><script>alert('closing tags')</script>",
        "<iframe src=\"javascript:alert('iframe')\"></iframe>",
        "<body onload=alert('body')>&lt;script&gt; <!-- --> ]]> <![CDATA[ x ]]>",
        "<a href=\" JaVaScRiPt:alert('case and blanks')\">x</a>",
    };
    return kTexts;
}

fs::path outsideFolder(const fs::path& home)
{
    return home.parent_path() / "outside";
}

void buildHostileHome(const fs::path& home)
{
    const fs::path outside = outsideFolder(home);
    writeSampleFile(outside / "secret.txt", kOutsideSecret);
    writeSampleFile(outside / "secret.m4a", std::string("\0\0\0\x18"
                                                        "ftypM4A ",
                                                        12) +
                                                kOutsideSecret);
    writeSampleFile(outside / "far.m4a", std::string("\0\0\0\x18"
                                                     "ftypM4A ",
                                                     12) +
                                             kOutsideSecret);

    SampleOptions options;
    buildVoiceMemos(home, options);
    buildMessages(home, options);
    buildContacts(home, options);
    buildHostileNotes(home);
    addHostileMessages(home);
    addHostileRecordings(home);
}

} // namespace varnholt::sample
