#include "export/messages/MessagesExporter.h"

#include "export/messages/AttachmentCopier.h"
#include "platform/DomainError.h"
#include "platform/HomeFolders.h"
#include "platform/OutputFile.h"
#include "platform/TextFolding.h"
#include "platform/Trace.h"
#include "render/messages/ConversationFileNames.h"
#include "render/messages/ConversationWriters.h"
#include "sources/SourceAccess.h"
#include "sources/contacts/AddressBookContactsStore.h"
#include "sources/contacts/ContactName.h"
#include "sources/messages/MessagesDatabase.h"

#include <algorithm>
#include <set>
#include <vector>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
// Whether a conversation is one the filter names: by its name, its identifier or any member's address or
// name, ignoring case and diacritics. Every conversation matches an empty filter.
bool matchesChatFilter(const Conversation& chat, const std::string& displayName, const std::vector<std::string>& texts)
{
    if (texts.empty())
        return true;
    for (const std::string& text : texts) {
        if (containsIgnoringCaseAndDiacritics(displayName, text) ||
            containsIgnoringCaseAndDiacritics(chat.identifier, text))
            return true;
        for (const Member& member : chat.members)
            if (containsIgnoringCaseAndDiacritics(member.id, text) ||
                (member.name && containsIgnoringCaseAndDiacritics(*member.name, text)))
                return true;
    }
    return false;
}
} // namespace

MessagesExporter::MessagesExporter(SourcePtr source, std::stop_token stop, ReadabilityProbe canRead,
                                   ContactsStoreFactory contacts)
    : m_source(std::move(source)), m_messagesDBPath(m_source->messagesDatabase()),
      m_attachmentsPath(m_source->messagesAttachments()), m_stop(std::move(stop)),
      m_canRead(canRead ? std::move(canRead) : defaultReadabilityProbe()), m_contactsFactory(std::move(contacts))
{
    if (!m_contactsFactory) {
        m_contactsFactory = [source = m_source, probe = m_canRead] {
            return std::make_unique<AddressBookContactsStore>(source->contactsDatabases(), std::vector<std::string>{},
                                                              probe);
        };
    }
}

bool MessagesExporter::checkFDAAccess() const
{
    return m_canRead(m_messagesDBPath);
}

std::optional<std::string> MessagesExporter::getContactName(const std::string& identifier)
{
    // One store per export: the address books are read once, not once per conversation.
    if (!m_contacts)
        m_contacts = m_contactsFactory();
    if (!m_contacts) {
        Trace::line("[MessagesExporter] Contacts access not authorized. Status: " +
                    describe(ContactsAuthorization::denied));
        return std::nullopt;
    }
    return varnholt::getContactName(*m_contacts, identifier);
}

std::optional<std::string> MessagesExporter::cachedContactName(const std::string& identifier)
{
    if (auto known = m_names.find(identifier); known != m_names.end())
        return known->second;
    std::optional<std::string> name = getContactName(identifier);
    if (name && name->empty())
        name.reset();
    m_names.emplace(identifier, name);
    return name;
}

void MessagesExporter::nameThePeople(Message& message)
{
    if (message.sender && !message.isFromMe)
        message.senderName = cachedContactName(*message.sender);
    for (Reaction& reaction : message.reactions)
        if (reaction.by)
            reaction.byName = cachedContactName(*reaction.by);
    if (message.event && message.event->who)
        message.event->whoName = cachedContactName(*message.event->who);
}

void MessagesExporter::exportMessages(const std::string& to, DryRun dryRun, TestMode testMode, long long testModeLimit,
                                      ContactNames contactNames, const MessagesFilter& filter)
{
    m_isExporting.set(true);
    m_exportProgress.set(0.0);
    m_currentStatus.set("Starting Messages export...");
    m_exportedCount.set(0);
    m_totalCount.set(0);
    m_exportComplete.set(false);
    m_lastExportError.set(std::nullopt);
    m_lastExportErrorKind = ErrorKind::inputOutput;
    m_lastExportFailure.reset();
    m_contacts.reset();
    m_names.clear();
    m_leftOut.reset();
    m_leftOutConversations = 0;
    m_leftOutMessages = 0;

    if (!checkFDAAccess()) {
        std::error_code ec;
        const ErrorKind kind =
            std::filesystem::exists(m_messagesDBPath, ec) ? ErrorKind::permission : ErrorKind::notFound;
        const std::string text = cannotReadText(*m_source, "the Messages database", m_messagesDBPath);
        failWith(DomainError("MessagesExporter", 1, text, kind), text);
        return;
    }

    const std::string outputPath = expandTilde(to, currentUserHome());
    try {
        if (dryRun == DryRun::yes) {
            m_currentStatus.set("Running dry run - counting messages...");
            auto database = MessagesDatabase::open(m_messagesDBPath, m_source->messagesHome());
            if (!database)
                throw database.error();
            long long count = 0;
            if (filter.isEmpty()) {
                auto all = database->countMessages();
                if (!all)
                    throw all.error();
                count = *all;
            } else {
                // The count a dry run promises must be what the same filters would export.
                count = countFiltered(*database, contactNames, filter);
                m_leftOut = leftOutSummary();
            }
            m_totalCount.set(count);
            m_currentStatus.set("Dry run complete: Found " + std::to_string(count) + " conversations" +
                                (m_leftOut ? " (" + *m_leftOut + ")" : std::string()));
            m_exportComplete.set(true);
            m_isExporting.set(false);
            return;
        }

        const fs::path messagesDir = fs::path(outputPath) / "messages";
        const fs::path jsonDir = messagesDir / "json";
        const fs::path htmlDir = messagesDir / "html";
        const fs::path txtDir = messagesDir / "txt";
        const fs::path attachmentsDir = messagesDir / "attachments";
        for (const fs::path& folder : {fs::path(outputPath), messagesDir, jsonDir, htmlDir, txtDir, attachmentsDir})
            if (auto created = createDirectories(folder); !created)
                throw created.error();

        m_currentStatus.set("Exporting messages from database...");
        if (exportFromDatabase(jsonDir, htmlDir, txtDir, attachmentsDir, testMode, testModeLimit, contactNames,
                               filter) == LoopEnd::cancelled) {
            Trace::line("[MessagesExporter] Export cancelled after " + std::to_string(m_exportedCount()) +
                        " conversations");
            m_currentStatus.set("Export cancelled");
            m_isExporting.set(false);
            return;
        }
        if (!filter.isEmpty())
            m_leftOut = leftOutSummary();
        m_currentStatus.set("Export complete: " + std::to_string(m_exportedCount()) + " conversations exported" +
                            (m_leftOut ? " (" + *m_leftOut + ")" : std::string()));
        m_exportComplete.set(true);
        m_isExporting.set(false);
    } catch (const Error& error) {
        Trace::line("[MessagesExporter] \u274C Export failed: " + error.details());
        failWith(error, "Export failed: " + error.description());
        m_currentStatus.set("Export failed");
    } catch (const std::exception& error) {
        failWith(DomainError("MessagesExporter", 1, error.what()), std::string("Export failed: ") + error.what());
        m_currentStatus.set("Export failed");
    }
}

void MessagesExporter::failWith(const Error& error, const std::string& shown)
{
    m_lastExportErrorKind = error.kind();
    m_lastExportFailure = ErrorPtr(error.clone());
    m_lastExportError.set(shown);
    m_isExporting.set(false);
}

std::string MessagesExporter::leftOutSummary() const
{
    return "Left out by the filters: " + std::to_string(m_leftOutConversations) + " conversations, and " +
           std::to_string(m_leftOutMessages) + " messages of the conversations exported";
}

std::string MessagesExporter::nameTheConversation(MessagesDatabase& database, Conversation& chat,
                                                  ContactNames contactNames)
{
    chat.members = database.membersOf(chat.chatId);
    std::optional<std::string> identifierName;
    if (contactNames == ContactNames::resolve) {
        for (Member& member : chat.members)
            member.name = cachedContactName(member.id);
        if (!chat.hasStoredName() && !chat.isGroup()) {
            Trace::line("[MessagesExporter] Trying to resolve contact for: " + chat.identifier);
            identifierName = cachedContactName(chat.identifier);
            if (identifierName)
                Trace::line("[MessagesExporter] Resolved to: " + *identifierName);
            else
                Trace::line("[MessagesExporter] Could not resolve contact for: " + chat.identifier);
        }
    }
    return conversationTitle(chat, identifierName);
}

long long MessagesExporter::countFiltered(MessagesDatabase& database, ContactNames contactNames,
                                          const MessagesFilter& filter)
{
    auto cursor = database.conversations(TestMode::off, 0);
    if (!cursor)
        throw cursor.error();
    long long passed = 0;
    while (std::optional<Conversation> chat = cursor->next()) {
        if (m_stop.stop_requested())
            break;
        const std::string displayName = nameTheConversation(database, *chat, contactNames);
        if (!matchesChatFilter(*chat, displayName, filter.chats)) {
            ++m_leftOutConversations;
            continue;
        }
        if (!filter.window.isOpen()) {
            const long long all = database.messageCountOf(*chat, DateWindow{}).value_or(0);
            const long long within = database.messageCountOf(*chat, filter.window).value_or(0);
            if (within == 0) {
                ++m_leftOutConversations;
                continue;
            }
            m_leftOutMessages += std::max(0LL, all - within);
        }
        ++passed;
    }
    if (cursor->failed())
        throw database.damaged("the list of conversations");
    return passed;
}

MessagesExporter::LoopEnd MessagesExporter::exportFromDatabase(const fs::path& jsonDir, const fs::path& htmlDir,
                                                               const fs::path& txtDir, const fs::path& attachmentsDir,
                                                               TestMode testMode, long long testModeLimit,
                                                               ContactNames contactNames, const MessagesFilter& filter)
{
    // Should the database have to be copied, the copy goes below the output folder (messages/).
    auto database = MessagesDatabase::open(m_messagesDBPath, m_source->messagesHome(), jsonDir.parent_path());
    if (!database)
        throw database.error();
    auto cursor = database->conversations(testMode, testModeLimit);
    if (!cursor)
        throw cursor.error();
    const long long total = cursor->total();
    m_totalCount.set(total);

    ConversationFileNames fileNames;
    const AttachmentCopier copier(m_source->messagesHome(), attachmentsDir, m_source->copiedFilesContainer(),
                                  [source = m_source](const std::string& path) { return source->locateFile(path); });
    while (true) {
        if (m_stop.stop_requested())
            return LoopEnd::cancelled;
        std::optional<Conversation> chat = cursor->next();
        if (!chat) {
            // Rows that end in a read error would otherwise pass for all conversations.
            if (cursor->failed())
                throw database->damaged("the list of conversations");
            break;
        }
        const long long index = cursor->index();
        m_currentStatus.set("Exporting chat " + std::to_string(index) + " of " + std::to_string(total) + ": " +
                            chat->nameOrIdentifier());
        m_exportProgress.set(total > 0 ? static_cast<double>(index) / static_cast<double>(total) : 0.0);

        const std::string displayName = nameTheConversation(*database, *chat, contactNames);
        if (!matchesChatFilter(*chat, displayName, filter.chats)) {
            ++m_leftOutConversations;
            continue;
        }

        std::optional<MessageCursor> rows = database->messagesOf(*chat, filter.window);
        // Skipping it would lose the conversation while the export passes for complete.
        if (!rows)
            throw database->damaged("the messages of \u201c" + chat->nameOrIdentifier() + "\u201d");
        if (database->readFailure())
            throw database->damaged("the messages of \u201c" + chat->nameOrIdentifier() + "\u201d");
        if (!filter.window.isOpen()) {
            const long long all = database->messageCountOf(*chat, DateWindow{}).value_or(rows->total());
            m_leftOutMessages += std::max(0LL, all - rows->total());
            if (rows->total() == 0) {
                // Nothing of it falls within the dates: no empty files for it.
                m_leftOutMessages -= all;
                ++m_leftOutConversations;
                continue;
            }
        }

        // The three files are written while the messages are read, so a conversation of any length needs
        // no more memory than one message (and its reactions). Files given up on a failure are removed.
        const std::string fileName = fileNames.claim(displayName, chat->chatId);
        auto json = OutputFile::create(jsonDir / (fileName + ".json"), OutputFile::Replace::atomically);
        if (!json)
            throw json.error();
        auto html = OutputFile::create(htmlDir / (fileName + ".html"), OutputFile::Replace::atomically);
        if (!html)
            throw html.error();
        auto text = OutputFile::create(txtDir / (fileName + ".txt"), OutputFile::Replace::atomically);
        if (!text)
            throw text.error();
        ConversationWriters writers(*json, *html, *text);
        writers.begin(*chat, displayName, rows->total());
        AttachmentCopier::ConversationState copies = copier.conversation(fileName);
        auto copy = [&copier, &copies](Attachment& attachment) {
            if (!attachment.filename)
                return;
            const AttachmentCopier::Copy made = copier.copyAttachment(*attachment.filename, copies);
            if (made.outcome == AttachmentCopier::Outcome::copied)
                attachment.exportedPath = made.relativePath;
            attachment.missing = made.outcome == AttachmentCopier::Outcome::missing;
        };
        while (std::optional<Message> message = rows->next()) {
            for (Attachment& attachment : message->attachments)
                copy(attachment);
            for (Reaction& reaction : message->reactions)
                if (reaction.sticker)
                    copy(*reaction.sticker);
            if (contactNames == ContactNames::resolve)
                nameThePeople(*message);
            writers.add(*message);
            if (json->failed() || html->failed() || text->failed())
                break; // a full disk: committing reports it
        }
        if (rows->failed())
            database->noteReadFailure();
        if (database->readFailure())
            throw database->damaged("the messages of \u201c" + chat->nameOrIdentifier() + "\u201d");
        rows.reset();
        writers.end();
        for (OutputFile* file : {&*json, &*html, &*text})
            if (auto written = file->commit(); !written)
                throw written.error();

        m_exportedCount.set(m_exportedCount() + 1);
    }
    return LoopEnd::finished;
}

} // namespace varnholt
