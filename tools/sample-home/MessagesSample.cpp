#include "sample-home/MessagesSample.h"

#include "platform/Database.h"
#include "platform/Statement.h"
#include "sample-home/MessageSummarySample.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/TypedStreamWriter.h"
#include "sample-home/WriteAheadLogSample.h"

#include <fmt/format.h>
#include <optional>
#include <random>
#include <stdexcept>
#include <vector>

namespace varnholt::sample {

namespace fs = std::filesystem;

namespace {
// The tables the exporter reads, as macOS 13 creates them.
constexpr const char* kSchema = R"SQL(
CREATE TABLE _SqliteDatabaseProperties (key TEXT, value TEXT, UNIQUE(key));
CREATE TABLE chat (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, style INTEGER, state INTEGER, account_id TEXT, properties BLOB, chat_identifier TEXT, service_name TEXT, room_name TEXT, account_login TEXT, is_archived INTEGER DEFAULT 0, last_addressed_handle TEXT, display_name TEXT, group_id TEXT, is_filtered INTEGER DEFAULT 0, successful_query INTEGER, engram_id TEXT, server_change_token TEXT, ck_sync_state INTEGER DEFAULT 0, original_group_id TEXT, last_read_message_timestamp INTEGER DEFAULT 0, cloudkit_record_id TEXT, last_addressed_sim_id TEXT, is_blackholed INTEGER DEFAULT 0, syndication_date INTEGER DEFAULT 0, syndication_type INTEGER DEFAULT 0, is_recovered INTEGER DEFAULT 0);
CREATE INDEX chat_idx_chat_identifier ON chat(chat_identifier);
CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT UNIQUE, id TEXT NOT NULL, country TEXT, service TEXT NOT NULL, uncanonicalized_id TEXT, person_centric_id TEXT, UNIQUE (id, service) );
CREATE TABLE chat_handle_join (chat_id INTEGER REFERENCES chat (ROWID) ON DELETE CASCADE, handle_id INTEGER REFERENCES handle (ROWID) ON DELETE CASCADE, UNIQUE(chat_id, handle_id));
CREATE TABLE chat_message_join (chat_id INTEGER REFERENCES chat (ROWID) ON DELETE CASCADE, message_id INTEGER REFERENCES message (ROWID) ON DELETE CASCADE, message_date INTEGER DEFAULT 0, PRIMARY KEY (chat_id, message_id));
CREATE INDEX chat_message_join_idx_message_id_only ON chat_message_join(message_id);
CREATE INDEX chat_message_join_idx_chat_id ON chat_message_join(chat_id);
CREATE TABLE message_attachment_join (message_id INTEGER REFERENCES message (ROWID) ON DELETE CASCADE, attachment_id INTEGER REFERENCES attachment (ROWID) ON DELETE CASCADE, UNIQUE(message_id, attachment_id));
CREATE INDEX message_attachment_join_idx_message_id ON message_attachment_join(message_id);
CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, created_date INTEGER DEFAULT 0, start_date INTEGER DEFAULT 0, filename TEXT, uti TEXT, mime_type TEXT, transfer_state INTEGER DEFAULT 0, is_outgoing INTEGER DEFAULT 0, user_info BLOB, transfer_name TEXT, total_bytes INTEGER DEFAULT 0, is_sticker INTEGER DEFAULT 0, sticker_user_info BLOB, attribution_info BLOB, hide_attachment INTEGER DEFAULT 0, ck_sync_state INTEGER DEFAULT 0, ck_server_change_token_blob BLOB, ck_record_id TEXT, original_guid TEXT UNIQUE NOT NULL, is_commsafety_sensitive INTEGER DEFAULT 0);
CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT UNIQUE NOT NULL, text TEXT, replace INTEGER DEFAULT 0, service_center TEXT, handle_id INTEGER DEFAULT 0, subject TEXT, country TEXT, attributedBody BLOB, version INTEGER DEFAULT 0, type INTEGER DEFAULT 0, service TEXT, account TEXT, account_guid TEXT, error INTEGER DEFAULT 0, date INTEGER, date_read INTEGER, date_delivered INTEGER, is_delivered INTEGER DEFAULT 0, is_finished INTEGER DEFAULT 0, is_emote INTEGER DEFAULT 0, is_from_me INTEGER DEFAULT 0, is_empty INTEGER DEFAULT 0, is_delayed INTEGER DEFAULT 0, is_auto_reply INTEGER DEFAULT 0, is_prepared INTEGER DEFAULT 0, is_read INTEGER DEFAULT 0, is_system_message INTEGER DEFAULT 0, is_sent INTEGER DEFAULT 0, has_dd_results INTEGER DEFAULT 0, is_service_message INTEGER DEFAULT 0, is_forward INTEGER DEFAULT 0, was_downgraded INTEGER DEFAULT 0, is_archive INTEGER DEFAULT 0, cache_has_attachments INTEGER DEFAULT 0, cache_roomnames TEXT, was_data_detected INTEGER DEFAULT 0, was_deduplicated INTEGER DEFAULT 0, is_audio_message INTEGER DEFAULT 0, is_played INTEGER DEFAULT 0, date_played INTEGER, item_type INTEGER DEFAULT 0, other_handle INTEGER DEFAULT 0, group_title TEXT, group_action_type INTEGER DEFAULT 0, share_status INTEGER DEFAULT 0, share_direction INTEGER DEFAULT 0, is_expirable INTEGER DEFAULT 0, expire_state INTEGER DEFAULT 0, message_action_type INTEGER DEFAULT 0, message_source INTEGER DEFAULT 0, associated_message_guid TEXT, associated_message_type INTEGER DEFAULT 0, balloon_bundle_id TEXT, payload_data BLOB, expressive_send_style_id TEXT, associated_message_range_location INTEGER DEFAULT 0, associated_message_range_length INTEGER DEFAULT 0, time_expressive_send_played INTEGER, message_summary_info BLOB, ck_sync_state INTEGER DEFAULT 0, ck_record_id TEXT, ck_record_change_tag TEXT, destination_caller_id TEXT, is_corrupt INTEGER DEFAULT 0, reply_to_guid TEXT, sort_id INTEGER, is_spam INTEGER DEFAULT 0, has_unseen_mention INTEGER DEFAULT 0, thread_originator_guid TEXT, thread_originator_part TEXT, syndication_ranges TEXT, synced_syndication_ranges TEXT, was_delivered_quietly INTEGER DEFAULT 0, did_notify_recipient INTEGER DEFAULT 0, date_retracted INTEGER DEFAULT 0, date_edited INTEGER DEFAULT 0, was_detonated INTEGER DEFAULT 0, part_count INTEGER, is_stewie INTEGER DEFAULT 0, is_kt_verified INTEGER DEFAULT 0, associated_message_emoji TEXT);
CREATE INDEX message_idx_date ON message(date);
CREATE INDEX message_idx_handle ON message(handle_id, date);
INSERT INTO _SqliteDatabaseProperties VALUES ('_ClientVersion', '14006');
)SQL";

// 2024-03-05T14:03:22Z, in nanoseconds since 2001-01-01.
constexpr long long kBaseDate = 731'340'202LL * 1'000'000'000LL;
constexpr long long kMinute = 60LL * 1'000'000'000LL;

void check(bool ok, const Database& db, const char* what)
{
    if (!ok)
        throw std::runtime_error(std::string("sample chat.db: ") + what + ": " + db.errorMessage());
}

struct Attachment {
    Attachment(std::string path, std::string mime, bool isSticker, std::optional<std::string> data,
               bool storedAbsolute = false)
        : relativePath(std::move(path)), mimeType(std::move(mime)), sticker(isSticker), contents(std::move(data)),
          absolute(storedAbsolute)
    {
    }

    std::string relativePath; // below Library/Messages/Attachments
    std::string mimeType;
    bool sticker = false;
    std::optional<std::string> contents; // nothing: the file is missing on disk
    bool absolute = false;               // stored as an absolute path instead of "~/..."
};

struct Message {
    Message() = default;
    Message(int from, bool mine, std::optional<std::string> plain, std::optional<std::string> archived, long long when,
            std::optional<std::string> serviceName = std::string("iMessage"), std::vector<Attachment> files = {})
        : handle(from), fromMe(mine), text(std::move(plain)), body(std::move(archived)), date(when),
          service(std::move(serviceName)), attachments(std::move(files))
    {
    }

    int handle = 0; // 0: none (from me, or a handle the database has no row for when > 0 and unknown)
    bool fromMe = false;
    std::optional<std::string> text;
    std::optional<std::string> body; // archived into attributedBody
    long long date = 0;
    std::optional<std::string> service = std::string("iMessage");
    std::vector<Attachment> attachments;
};

class ChatDatabase {
public:
    ChatDatabase(const fs::path& home, const fs::path& path) : m_home(home)
    {
        auto db = Database::open(path.string(), Database::Mode::ReadWriteCreate);
        if (!db)
            throw std::runtime_error("sample chat.db: " + db.error());
        m_db = std::move(*db);
        check(m_db.exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;").has_value(), m_db, "WAL");
        check(m_db.exec(kSchema).has_value(), m_db, "schema");
        m_message =
            prepare("INSERT INTO message (guid, text, handle_id, attributedBody, service, date, is_from_me, "
                    "cache_has_attachments, is_sent, is_delivered, is_finished) VALUES (?,?,?,?,?,?,?,?,1,1,1)");
        m_chatJoin = prepare("INSERT INTO chat_message_join (chat_id, message_id, message_date) VALUES (?,?,?)");
        m_attachment = prepare("INSERT INTO attachment (guid, original_guid, filename, uti, mime_type, transfer_name, "
                               "total_bytes, is_sticker, transfer_state) VALUES (?,?,?,?,?,?,?,?,5)");
        m_attachmentJoin = prepare("INSERT INTO message_attachment_join (message_id, attachment_id) VALUES (?,?)");
    }

    void exec(const std::string& sql) { check(m_db.exec(sql).has_value(), m_db, sql.c_str()); }

    int handle(const std::string& id, const std::string& service = "iMessage")
    {
        auto statement =
            prepare("INSERT INTO handle (id, country, service, uncanonicalized_id) VALUES (?, 'us', ?, ?)");
        statement.bindText(1, id);
        statement.bindText(2, service);
        statement.bindText(3, id);
        check(statement.step() == Statement::Step::Done, m_db, "handle");
        return static_cast<int>(lastRowId());
    }

    int chat(const std::optional<std::string>& identifier, const std::optional<std::string>& service,
             const std::optional<std::string>& displayName, int style, const std::string& guid)
    {
        auto statement = prepare("INSERT INTO chat (guid, style, state, chat_identifier, service_name, display_name, "
                                 "group_id) VALUES (?, ?, 3, ?, ?, ?, ?)");
        statement.bindText(1, guid);
        statement.bindInt(2, style);
        bindOptional(statement, 3, identifier);
        bindOptional(statement, 4, service);
        bindOptional(statement, 5, displayName);
        statement.bindText(6, fmt::format("{:08X}-GROUP", m_nextGuid++));
        check(statement.step() == Statement::Step::Done, m_db, "chat");
        return static_cast<int>(lastRowId());
    }

    // The GUID of the message last added, for reactions and replies to point at.
    const std::string& lastGuid() const { return m_lastGuid; }
    long long lastMessageId() const { return m_lastMessageId; }

    // Sets columns of the message last added that only some messages use.
    void set(const std::string& column, long long value)
    {
        auto statement = prepare("UPDATE message SET " + column + " = ? WHERE ROWID = ?");
        statement.bindInt64(1, value);
        statement.bindInt64(2, m_lastMessageId);
        check(statement.step() == Statement::Step::Done, m_db, column.c_str());
    }
    void set(const std::string& column, const std::string& value)
    {
        auto statement = prepare("UPDATE message SET " + column + " = ? WHERE ROWID = ?");
        statement.bindText(1, value);
        statement.bindInt64(2, m_lastMessageId);
        check(statement.step() == Statement::Step::Done, m_db, column.c_str());
    }
    void setBlob(const std::string& column, const std::string& value)
    {
        auto statement = prepare("UPDATE message SET " + column + " = ? WHERE ROWID = ?");
        statement.bindBlob(1, value.data(), static_cast<int>(value.size()));
        statement.bindInt64(2, m_lastMessageId);
        check(statement.step() == Statement::Step::Done, m_db, column.c_str());
    }

    void members(int chatId, const std::vector<int>& handles)
    {
        for (const int handle : handles)
            exec(fmt::format("INSERT INTO chat_handle_join (chat_id, handle_id) VALUES ({}, {})", chatId, handle));
    }

    void message(int chatId, const Message& m)
    {
        m_message.reset();
        m_lastGuid = fmt::format("{:08X}-{:04X}-4{:03X}-8000-{:012X}", m_nextGuid, chatId & 0xFFFF, m_nextGuid % 0xFFF,
                                 m_nextGuid * 7919ULL);
        m_message.bindText(1, m_lastGuid);
        ++m_nextGuid;
        bindOptional(m_message, 2, m.text);
        m_message.bindInt(3, m.handle);
        if (m.body) {
            const std::string blob = TypedStreamWriter::attributedString(*m.body);
            m_message.bindBlob(4, blob.data(), static_cast<int>(blob.size()));
        } else {
            m_message.bindNull(4);
        }
        bindOptional(m_message, 5, m.service);
        m_message.bindInt64(6, m.date);
        m_message.bindInt(7, m.fromMe ? 1 : 0);
        m_message.bindInt(8, m.attachments.empty() ? 0 : 1);
        check(m_message.step() == Statement::Step::Done, m_db, "message");
        const long long messageId = lastRowId();
        m_lastMessageId = messageId;

        m_chatJoin.reset();
        m_chatJoin.bindInt(1, chatId);
        m_chatJoin.bindInt64(2, messageId);
        m_chatJoin.bindInt64(3, m.date);
        check(m_chatJoin.step() == Statement::Step::Done, m_db, "chat_message_join");

        for (const Attachment& a : m.attachments) {
            const std::string stored =
                (a.absolute ? m_home.string() : std::string("~")) + "/Library/Messages/Attachments/" + a.relativePath;
            const std::string guid = fmt::format("at_0_{:08X}-A", m_nextGuid++);
            m_attachment.reset();
            m_attachment.bindText(1, guid);
            m_attachment.bindText(2, guid);
            m_attachment.bindText(3, stored);
            m_attachment.bindText(4, a.mimeType == "image/jpeg" ? "public.jpeg" : "public.data");
            m_attachment.bindText(5, a.mimeType);
            m_attachment.bindText(6, fs::path(a.relativePath).filename().string());
            m_attachment.bindInt64(7, a.contents ? static_cast<long long>(a.contents->size()) : 48213);
            m_attachment.bindInt(8, a.sticker ? 1 : 0);
            check(m_attachment.step() == Statement::Step::Done, m_db, "attachment");
            m_attachmentJoin.reset();
            m_attachmentJoin.bindInt64(1, messageId);
            m_attachmentJoin.bindInt64(2, lastRowId());
            check(m_attachmentJoin.step() == Statement::Step::Done, m_db, "message_attachment_join");
            if (a.contents)
                writeSampleFile(m_home / "Library/Messages/Attachments" / a.relativePath, *a.contents);
        }
    }

    void closeKeepingLog(const fs::path& path)
    {
        m_message.finalize();
        m_chatJoin.finalize();
        m_attachment.finalize();
        m_attachmentJoin.finalize();
        m_lastRowId.finalize();
        closeKeepingWriteAheadLog(m_db, path);
    }

private:
    Statement prepare(const std::string& sql)
    {
        auto statement = m_db.prepare(sql);
        if (!statement)
            throw std::runtime_error("sample chat.db: " + statement.error());
        return std::move(*statement);
    }

    static void bindOptional(Statement& statement, int position, const std::optional<std::string>& value)
    {
        if (value)
            statement.bindText(position, *value);
        else
            statement.bindNull(position);
    }

    long long lastRowId()
    {
        if (!m_lastRowId.isValid())
            m_lastRowId = prepare("SELECT last_insert_rowid()");
        m_lastRowId.reset();
        m_lastRowId.step();
        return m_lastRowId.columnInt64(0);
    }

    fs::path m_home;
    Database m_db;
    Statement m_message;
    Statement m_chatJoin;
    Statement m_attachment;
    Statement m_attachmentJoin;
    Statement m_lastRowId;
    unsigned long long m_nextGuid = 0x1A2B3C4D;
    std::string m_lastGuid;
    long long m_lastMessageId = 0;
};

std::string jpeg(const std::string& label)
{
    // A JPEG start and end marker around a comment: enough for file-type sniffers.
    std::string data = "\xFF\xD8\xFF\xFE";
    data += static_cast<char>(0);
    data += static_cast<char>(label.size() + 2);
    data += label;
    data += "\xFF\xD9";
    return data;
}

// Reactions and their removal, a reply, an edited and an unsent message and an audio message in a
// one-to-one conversation.
template <typename Next>
void addRichMessages(ChatDatabase& db, int chat, int other, const std::string& question, const std::string& answer,
                     Next& next)
{
    auto react = [&](int handle, bool mine, const std::string& text, int type, const std::string& target) {
        db.message(chat, {handle, mine, text, {}, next(1)});
        db.set("associated_message_type", type);
        db.set("associated_message_guid", "p:0/" + target);
    };
    react(other, false, "Loved \u201CYes \u2014 caf\u00E9 at 8, see you there!\u201D", 2000, answer);
    react(0, true, "Liked \u201CHi! Are we still on for Friday? \U0001F389\u201D", 2001, question);
    react(other, false, "Laughed at \u201CYes \u2014 caf\u00E9 at 8, see you there!\u201D", 2003, answer);
    react(other, false, "Removed a laugh from \u201CYes \u2014 caf\u00E9 at 8, see you there!\u201D", 3003, answer);
    react(other, false, "Reacted \U0001F389 to \u201CHi! Are we still on for Friday? \U0001F389\u201D", 2006, question);
    db.set("associated_message_emoji", "\U0001F389");
    // A reaction whose target is named in a form no message has: kept as the message it is.
    db.message(chat, {other, false, "Loved \u201Can old message\u201D", {}, next(1)});
    db.set("associated_message_type", 2000);
    db.set("associated_message_guid", "x:not-a-guid");

    db.message(chat, {0, true, "Friday it is!", {}, next()});
    db.set("thread_originator_guid", question);
    db.set("thread_originator_part", "0:0:33");
    const std::string friday = db.lastGuid();
    // A sticker placed as a reaction: its file comes with it.
    db.message(chat, {other,
                      false,
                      "Reacted with a sticker",
                      {},
                      next(1),
                      std::string("iMessage"),
                      {{"StickerCache/7E7E7E7E/thumbs.heic", "image/heic", true,
                        std::string("\0\0\0\x18"
                                    "ftypheic",
                                    12)}}});
    db.set("associated_message_type", 2007);
    db.set("associated_message_guid", "p:0/" + friday);

    // Edited three times, its text column left empty as Messages leaves it; then a message taken back.
    const long long edited = next();
    db.message(chat, {0, true, std::nullopt, std::nullopt, edited});
    const double sent = static_cast<double>(edited) / 1e9;
    db.setBlob(
        "message_summary_info",
        messageSummaryInfo(
            {{sent, "First message  "}, {sent + 20, "Edit 1"}, {sent + 40, "Edit 2"}, {sent + 65, "Edited message"}}, 1,
            {}));
    db.set("date_edited", edited + 65 * 1'000'000'000LL);
    const long long unsent = next();
    db.message(chat, {other, false, std::nullopt, std::nullopt, unsent});
    db.setBlob("message_summary_info", messageSummaryInfo({}, 1, {0}));
    db.set("date_edited", unsent + 30 * 1'000'000'000LL);

    db.message(chat, {other,
                      false,
                      "\uFFFC",
                      {},
                      next(),
                      std::string("iMessage"),
                      {{"5b/11/AUDIO-0001/Audio Message.caf", "audio/x-caf", false, std::string("caff\0\1\0\0", 8)}}});
    db.set("is_audio_message", 1);
}

void buildHandMade(ChatDatabase& db)
{
    const int alice = db.handle("+15551234567");
    const int bob = db.handle("bob@example.com");
    const int jonas = db.handle("+4915112345678");
    const int sam = db.handle("+15559876543", "SMS");
    const int renee = db.handle("renee.dupont@exemple.fr");
    const int chloe = db.handle("+447700900123");
    constexpr int kNoSuchHandle = 99; // a message whose handle row was deleted
    long long t = kBaseDate;
    auto next = [&t](long long minutes = 3) { return t += minutes * kMinute; };

    // One-to-one, named after the address book when contact names are on.
    const int one = db.chat("+15551234567", "iMessage", std::nullopt, 45, "iMessage;-;+15551234567");
    db.members(one, {alice});
    db.message(one, {alice, false, "Hi! Are we still on for Friday? \U0001F389", {}, next()});
    const std::string question = db.lastGuid();
    db.message(one, {0, true, "Yes \u2014 caf\u00E9 at 8, see you there!", {}, next()});
    const std::string answer = db.lastGuid();
    db.set("expressive_send_style_id", "com.apple.MobileSMS.expressivesend.impact");
    db.message(one,
               {alice, false, std::nullopt,
                "\u6771\u4EAC\u306E\u5199\u771F\u3092\u9001\u308B\u306D \U0001F4F8\nZweite Zeile mit \u00DCmlauten",
                next()});
    db.message(one, {alice,
                     false,
                     "\uFFFC",
                     {},
                     next(),
                     std::string("iMessage"),
                     {{"4f/15/D7CEBAED-9844-4B25-B841-F7748EA3BCAD/IMG_0001.jpg", "image/jpeg", false,
                       jpeg("first IMG_0001")}}});
    db.message(one, {0,
                     true,
                     "\uFFFC\uFFFC",
                     {},
                     next(),
                     std::string("iMessage"),
                     {{"02/02/B5C4912D-2401-4844-946D-473B0FCFF212/IMG_0001.jpg", "image/jpeg", false,
                       jpeg("second IMG_0001, another photo")},
                      {"StickerCache/0A1B2C3D/Sticker.heic", "image/heic", true,
                       std::string("\0\0\0\x18"
                                   "ftypheic",
                                   12)}}});
    db.message(one, {alice,
                     false,
                     "https://example.com/article \uFFFC",
                     {},
                     next(),
                     std::string("iMessage"),
                     {{"ff/15/0E0E0E0E-MISSING/IMG_0404.jpg", "image/jpeg", false, std::nullopt},
                      {"aa/01/9F9F9F9F-LINK/3C4D.pluginPayloadAttachment", "application/octet-stream", false,
                       std::string("bplist00 link preview")}}});
    db.set("balloon_bundle_id", "com.apple.messages.URLBalloonProvider");
    db.message(one, {0, true, "", "not used: the text column is empty but present", next()});
    db.message(one, {alice, false, std::nullopt, std::nullopt, next()});
    addRichMessages(db, one, alice, question, answer, next);

    // Found by e-mail address in the address book ("Bob@Example.com").
    const int two = db.chat("bob@example.com", "iMessage", std::nullopt, 45, "iMessage;-;bob@example.com");
    db.members(two, {bob});
    db.message(two, {bob,
                     false,
                     std::nullopt,
                     "Got it \U0001F44D \u2014 the report is attached",
                     next(60),
                     std::string("iMessage"),
                     {{"7c/12/ABCDEF01-REPORT/Quarterly report.pdf", "application/pdf", false,
                       std::string("%PDF-1.4\n% sample\n%%EOF\n"), true}}});
    db.message(two, {0, true, "Thanks Bob <3 & see you \"soon\"", {}, next()});

    // A named group with three people, one of them no longer in the handle table.
    const int family = db.chat("chat123456789", "iMessage", "Family \U0001F468\u200D\U0001F469\u200D\U0001F467 Trip",
                               43, "iMessage;+;chat123456789");
    db.members(family, {alice, jonas});
    db.message(family, {alice, false, "Who books the train?", {}, next(120)});
    const std::string train = db.lastGuid();
    db.message(family,
               {jonas, false, std::nullopt, "\u00C7a va? \u00D1and\u00FA \U0001F999 \u2014 ich buche!", next()});
    db.set("thread_originator_guid", train);
    db.set("thread_originator_part", "0:0:20");
    db.message(family, {kNoSuchHandle, false, "I left this group a while ago", {}, next()});
    db.message(family,
               {0,
                true,
                "Great, thanks!\nSee you all on Saturday.",
                {},
                next(),
                std::string("iMessage"),
                {{"3a/0b/C0FFEE00-TRAIN/tickets.png", "image/png", false, std::string("\x89PNG\r\n\x1A\n", 8)}}});
    db.set("expressive_send_style_id", "com.apple.messages.effect.CKConfettiEffect");
    // Group events: a rename, a member added, one who left. None of them is a message with text.
    db.message(family, {0, true, std::nullopt, std::nullopt, next()});
    db.set("item_type", 2);
    db.set("group_title", "Family Trip 2024");
    db.message(family, {0, true, std::nullopt, std::nullopt, next()});
    db.set("item_type", 1);
    db.set("other_handle", bob);
    db.message(family, {jonas, false, std::nullopt, std::nullopt, next()});
    db.set("item_type", 3);

    // A group whose display name is an empty string, as real databases store it: named after its members,
    // one of whom never wrote.
    const int unnamed = db.chat("chat987654321", "iMessage", "", 43, "iMessage;+;chat987654321");
    const int silent = db.handle("+15550001111");
    db.members(unnamed, {alice, jonas, bob, silent});
    db.message(unnamed, {alice, false, "Empty group name here", {}, next(30)});
    db.message(unnamed, {jonas, false, "\u2026and here", {}, next()});

    // No identifier and no service in the database.
    const int anonymous = db.chat(std::nullopt, std::nullopt, std::nullopt, 45, "unknown-chat-guid");
    db.message(anonymous, {0, true, "A chat the database lost its identifier for", {}, next(30), std::nullopt});

    // Never used: it counts in the progress total but has no files.
    db.chat("+15550000000", "iMessage", std::nullopt, 45, "iMessage;-;+15550000000");

    // An old SMS conversation whose dates are seconds since 2001, as older databases store them.
    const int sms = db.chat("+15559876543", "SMS", std::nullopt, 45, "SMS;-;+15559876543");
    db.members(sms, {sam});
    db.message(sms, {sam, false, "Your table for 2 is confirmed.", {}, 468107954, std::string("SMS")});
    db.message(sms, {0, true, "Thank you!", {}, 468108014, std::string("SMS")});

    // Two groups with the same name: the second gets its chat id appended.
    const int club = db.chat("chat111", "iMessage", "Book Club", 43, "iMessage;+;chat111");
    db.message(club, {renee, false, "Next book: \u300A\u4E09\u4F53\u300B", {}, next(30)});
    const int club2 = db.chat("chat222", "iMessage", "Book Club", 43, "iMessage;+;chat222");
    db.message(club2, {chloe, false, "The other book club \U0001F4DA", {}, next()});

    // Markup in a name and in a message is data, not markup.
    const int plans = db.chat("chat333", "iMessage", "Plans: 3/4 <b>weekend</b>", 43, "iMessage;+;chat333");
    db.message(plans, {alice, false, "<script>alert('x')</script> & <b>bold</b>?", {}, next()});

    // Known only to a vCard file.
    const int uk = db.chat("+447700900123", "iMessage", std::nullopt, 45, "iMessage;-;+447700900123");
    db.members(uk, {chloe});
    db.message(uk, {chloe, false, std::nullopt, "Bonjour ! \u00C0 bient\u00F4t \U0001F1EB\U0001F1F7", next(10)});
}

void buildLastConversation(ChatDatabase& db)
{
    // Written after the checkpoint: these rows exist only in chat.db-wal.
    const int renee = 5;
    const int chat =
        db.chat("renee.dupont@exemple.fr", "iMessage", std::nullopt, 45, "iMessage;-;renee.dupont@exemple.fr");
    db.message(chat, {renee, false, std::nullopt, "\u00C0 demain \u2014 \u00E0 la biblioth\u00E8que \U0001F4D6",
                      kBaseDate + 600 * kMinute});
    db.message(chat, {0, true, "D'accord, merci Ren\u00E9e !", {}, kBaseDate + 603 * kMinute});
}

void buildGenerated(ChatDatabase& db, const MessagesVolume& volume, unsigned seed)
{
    static const std::vector<std::string> kWords{
        "the", "train", "leaves", "at",   "eight",   "caf\u00E9",    "tomorrow", "photo", "\U0001F600", "dinner",
        "and", "we",    "should", "book", "tickets", "\u6771\u4EAC", "na",       "klar",  "\u00FCber",  "soon"};
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> share(0.0, 1.0);
    std::uniform_int_distribution<size_t> word(0, kWords.size() - 1);
    std::uniform_int_distribution<int> length(3, 18);

    db.exec("BEGIN");
    std::vector<int> handles;
    std::vector<int> chats;
    for (size_t c = 0; c < volume.conversations; ++c) {
        const std::string id = fmt::format("+1303{:07}", c);
        handles.push_back(db.handle(id));
        const bool group = c % 10 == 0;
        chats.push_back(db.chat(group ? fmt::format("chat{:09}", c) : id, "iMessage",
                                group ? std::optional<std::string>(fmt::format("Group {}", c)) : std::nullopt,
                                group ? 43 : 45, fmt::format("iMessage;-;generated-{}", c)));
    }
    long long date = kBaseDate - static_cast<long long>(volume.messages) * kMinute;
    for (size_t m = 0; m < volume.messages; ++m) {
        const size_t c = m % volume.conversations;
        std::string text;
        for (int w = length(random); w > 0; --w)
            text += kWords[word(random)] + (w > 1 ? " " : "");
        Message message;
        message.fromMe = m % 3 == 0;
        message.handle = message.fromMe ? 0 : handles[c];
        message.date = date += kMinute;
        if (share(random) < volume.bodyOnlyShare)
            message.body = text;
        else
            message.text = text;
        if (share(random) < volume.attachmentShare) {
            message.attachments.push_back(
                {fmt::format("{:02x}/{:02x}/GEN-{:07}/IMG_{:04}.jpg", m % 256, (m / 256) % 256, m, m % 10000),
                 "image/jpeg", false, jpeg(fmt::format("generated {}", m))});
        }
        db.message(chats[c], message);
        if (share(random) < volume.editShare) {
            const double sent = static_cast<double>(message.date) / 1e9;
            db.setBlob("message_summary_info", messageSummaryInfo({{sent, "first " + text}, {sent + 30, text}}, 1, {}));
        }
        if (share(random) < volume.reactionShare) {
            const std::string target = "p:0/" + db.lastGuid();
            Message reaction;
            reaction.fromMe = !message.fromMe;
            reaction.handle = reaction.fromMe ? 0 : handles[c];
            reaction.text = "Loved \u201C" + text + "\u201D";
            reaction.date = message.date + 1;
            db.message(chats[c], reaction);
            db.set("associated_message_type", 2000 + static_cast<long long>(m % 6));
            db.set("associated_message_guid", target);
        }
        if (m % 100000 == 99999) {
            db.exec("COMMIT");
            db.exec("BEGIN");
        }
    }
    db.exec("COMMIT");
}
} // namespace

fs::path messagesDatabasePath(const fs::path& home)
{
    return home / "Library/Messages/chat.db";
}

void buildMessages(const fs::path& home, const SampleOptions& options, const MessagesVolume& volume)
{
    const fs::path path = messagesDatabasePath(home);
    fs::create_directories(path.parent_path());
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path.string() + suffix);
    {
        ChatDatabase db(home, path);
        db.exec("BEGIN");
        buildHandMade(db);
        db.exec("COMMIT");
        if (options.scale == Scale::large)
            buildGenerated(db, volume, options.seed);
        db.exec("PRAGMA wal_checkpoint(TRUNCATE)");
        db.exec("BEGIN");
        buildLastConversation(db);
        db.exec("COMMIT");
        db.closeKeepingLog(path);
    }
}

} // namespace varnholt::sample
