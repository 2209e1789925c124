#pragma once

#include "model/DryRun.h"
#include "model/messages/Conversation.h"
#include "model/messages/Message.h"
#include "model/messages/MessagesFilter.h"
#include "model/messages/TestMode.h"
#include "platform/Error.h"
#include "platform/ErrorKind.h"
#include "platform/Files.h"
#include "platform/ObservableProperty.h"
#include "sources/Source.h"
#include "sources/contacts/ContactsStore.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <unordered_map>

namespace varnholt {

class MessagesDatabase;

// Whether conversations without a stored name are named after the address book.
enum class ContactNames { keep, resolve };

// Exports every Messages conversation as JSON, HTML and plain text, with its
// attachments, below <output>/messages. It never throws: the outcome is in its
// observable properties, which are assigned on the thread that runs
// exportMessages (observers forward them where they are needed).
class MessagesExporter {
public:
    using ContactsStoreFactory = std::function<std::unique_ptr<ContactsStore>()>;

    // `contacts` makes the store for contact names (default: the source's address books).
    explicit MessagesExporter(SourcePtr source, std::stop_token stop = {},
                              ReadabilityProbe canRead = defaultReadabilityProbe(), ContactsStoreFactory contacts = {});
    MessagesExporter(const MessagesExporter&) = delete;
    MessagesExporter& operator=(const MessagesExporter&) = delete;

    ObservableProperty<bool>& isExporting() { return m_isExporting; }
    ObservableProperty<double>& exportProgress() { return m_exportProgress; }
    ObservableProperty<std::string>& currentStatus() { return m_currentStatus; }
    ObservableProperty<long long>& exportedCount() { return m_exportedCount; }
    ObservableProperty<long long>& totalCount() { return m_totalCount; }
    ObservableProperty<bool>& exportComplete() { return m_exportComplete; }
    ObservableProperty<std::optional<std::string>>& lastExportError() { return m_lastExportError; }
    // What kind of failure the last error was, so the front ends can give the right advice.
    ErrorKind lastExportErrorKind() const { return m_lastExportErrorKind; }
    // The error behind lastExportError, as it was raised (its text without the "Export failed: " the
    // observable text adds, which the front ends add themselves); empty when the last export succeeded.
    const ErrorPtr& lastExportFailure() const { return m_lastExportFailure; }
    bool requiresFDA() const { return true; }

    const std::string& messagesDBPath() const { return m_messagesDBPath; }
    const std::string& attachmentsPath() const { return m_attachmentsPath; }

    bool checkFDAAccess() const;
    // Returns when the export has ended in any way; a stop request ends it before the next conversation.
    void exportMessages(const std::string& to, DryRun dryRun = DryRun::no, TestMode testMode = TestMode::off,
                        long long testModeLimit = 10, ContactNames contactNames = ContactNames::keep,
                        const MessagesFilter& filter = {});

    std::optional<std::string> getContactName(const std::string& identifier);
    // What the filters of the last export left out ("Left out by the filters: …"); nothing without filters.
    const std::optional<std::string>& leftOut() const { return m_leftOut; }
    // The same, asked of the address book once per identifier and export.
    std::optional<std::string> cachedContactName(const std::string& identifier);

private:
    enum class LoopEnd { finished, cancelled };

    LoopEnd exportFromDatabase(const std::filesystem::path& jsonDir, const std::filesystem::path& htmlDir,
                               const std::filesystem::path& txtDir, const std::filesystem::path& attachmentsDir,
                               TestMode testMode, long long testModeLimit, ContactNames contactNames,
                               const MessagesFilter& filter);
    // Contact names for the senders, reactions and events of one message.
    void nameThePeople(Message& message);
    // Names the members (with contacts) and returns the title the conversation is shown and filed under.
    std::string nameTheConversation(MessagesDatabase& database, Conversation& chat, ContactNames contactNames);
    std::string leftOutSummary() const;
    // How many conversations the filters let through, and the left-out figures, without writing anything.
    long long countFiltered(MessagesDatabase& database, ContactNames contactNames, const MessagesFilter& filter);

    SourcePtr m_source;
    std::string m_messagesDBPath;
    std::string m_attachmentsPath;
    std::stop_token m_stop;
    ReadabilityProbe m_canRead;
    ContactsStoreFactory m_contactsFactory;
    std::unique_ptr<ContactsStore> m_contacts;
    std::unordered_map<std::string, std::optional<std::string>> m_names;
    std::optional<std::string> m_leftOut;
    long long m_leftOutConversations = 0;
    long long m_leftOutMessages = 0;

    ObservableProperty<bool> m_isExporting{false};
    ObservableProperty<double> m_exportProgress{0.0};
    ObservableProperty<std::string> m_currentStatus{""};
    ObservableProperty<long long> m_exportedCount{0};
    ObservableProperty<long long> m_totalCount{0};
    ObservableProperty<bool> m_exportComplete{false};
    ObservableProperty<std::optional<std::string>> m_lastExportError{std::nullopt};
    ErrorKind m_lastExportErrorKind = ErrorKind::inputOutput;
    ErrorPtr m_lastExportFailure;
    // Records the error that ended the export.
    void failWith(const Error& error, const std::string& shown);
};

} // namespace varnholt
