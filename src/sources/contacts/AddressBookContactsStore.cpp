#include "sources/contacts/AddressBookContactsStore.h"

#include "platform/Database.h"
#include "platform/Statement.h"
#include "platform/TextFolding.h"
#include "platform/Trace.h"
#include "sources/DatabaseSnapshot.h"
#include "sources/contacts/VCardReader.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace varnholt {

namespace fs = std::filesystem;

namespace {

// Core Data numbers its entities per database; the contact rows are those of ABCDContact and its sub-entities.
constexpr const char* kContactsSql = "SELECT Z_PK, ZFIRSTNAME, ZLASTNAME FROM ZABCDRECORD WHERE Z_ENT IN ("
                                     "SELECT Z_ENT FROM Z_PRIMARYKEY WHERE Z_NAME = 'ABCDContact' OR Z_SUPER IN "
                                     "(SELECT Z_ENT FROM Z_PRIMARYKEY WHERE Z_NAME = 'ABCDContact')) ORDER BY Z_PK";
constexpr const char* kPhonesSql =
    "SELECT ZOWNER, ZFULLNUMBER FROM ZABCDPHONENUMBER WHERE ZFULLNUMBER IS NOT NULL ORDER BY ZOWNER, Z_PK";
constexpr const char* kEmailsSql = "SELECT ZOWNER, ZADDRESS, ZADDRESSNORMALIZED FROM ZABCDEMAILADDRESS "
                                   "ORDER BY ZOWNER, Z_PK";

bool isFile(const std::string& path)
{
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}
} // namespace

AddressBookContactsStore::AddressBookContactsStore(std::vector<std::string> addressBooks,
                                                   std::vector<std::string> vcardFiles, ReadabilityProbe canRead,
                                                   fs::path scratchFolder)
    : m_addressBooks(std::move(addressBooks)), m_vcardFiles(std::move(vcardFiles)), m_canRead(std::move(canRead)),
      m_scratchFolder(std::move(scratchFolder))
{
}

std::vector<std::string> AddressBookContactsStore::readableSources() const
{
    std::vector<std::string> sources;
    for (const std::string& path : m_addressBooks)
        if (isFile(path) && m_canRead(path))
            sources.push_back(path);
    for (const std::string& path : m_vcardFiles)
        if (isFile(path) && m_canRead(path))
            sources.push_back(path);
    return sources;
}

ContactsAuthorization AddressBookContactsStore::authorizationStatus()
{
    return readableSources().empty() ? ContactsAuthorization::denied : ContactsAuthorization::authorized;
}

void AddressBookContactsStore::requestAccess(AccessCallback callback)
{
    // There is nobody to ask on Linux: access is what the file permissions allow.
    callback(authorizationStatus() == ContactsAuthorization::authorized, std::nullopt);
}

const std::vector<Contact>& AddressBookContactsStore::contacts()
{
    load();
    return m_contacts;
}

void AddressBookContactsStore::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    for (const std::string& path : m_addressBooks)
        if (m_canRead(path))
            loadAddressBook(path);
    for (const std::string& path : m_vcardFiles)
        if (isFile(path) && m_canRead(path))
            loadVCard(path);
    for (size_t i = 0; i < m_contacts.size(); ++i)
        for (const std::string& number : m_contacts[i].phoneNumbers)
            m_phoneIndex.add(i, number);
}

void AddressBookContactsStore::loadAddressBook(const std::string& path)
{
    auto warn = [&path](const std::string& why) {
        Trace::line("[MessagesExporter] \u26A0\uFE0F Cannot read the address book " + path + ": " + why);
    };
    if (!isFile(path))
        return warn("it is not a file");
    const auto snapshot = DatabaseSnapshot::open(path, m_scratchFolder);
    if (!snapshot)
        return warn(snapshot.error().description());
    const Database* db = &snapshot->database();
    if (auto phoneBook = db->prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'ABPerson'");
        phoneBook && phoneBook->step() == Statement::Step::Row)
        return loadPhoneAddressBook(*db, warn);

    auto people = db->prepare(kContactsSql);
    if (!people)
        return warn(people.error());
    // A damaged book still gives the names read before the damage; the rest is said, not hidden.
    auto warnIfCut = [&](Statement::Step step) {
        if (step == Statement::Step::Error)
            warn(db->errorMessage() + "; names from it may be missing");
    };
    std::map<long long, size_t> byKey;
    Statement::Step step;
    while ((step = people->step()) == Statement::Step::Row) {
        byKey[people->columnInt64(0)] = m_contacts.size();
        m_contacts.push_back({people->columnText(1), people->columnText(2), {}, {}});
    }
    warnIfCut(step);
    if (auto phones = db->prepare(kPhonesSql)) {
        while ((step = phones->step()) == Statement::Step::Row)
            if (auto it = byKey.find(phones->columnInt64(0)); it != byKey.end())
                m_contacts[it->second].phoneNumbers.push_back(phones->columnText(1));
        warnIfCut(step);
    } else {
        warn(phones.error());
    }
    if (auto emails = db->prepare(kEmailsSql)) {
        while ((step = emails->step()) == Statement::Step::Row) {
            auto it = byKey.find(emails->columnInt64(0));
            if (it == byKey.end())
                continue;
            Contact& contact = m_contacts[it->second];
            for (int column : {1, 2})
                if (auto address = emails->columnOptionalText(column); address && !address->empty())
                    contact.emailAddresses.push_back(*address);
        }
        warnIfCut(step);
    } else {
        warn(emails.error());
    }
}

void AddressBookContactsStore::loadPhoneAddressBook(const Database& db,
                                                    const std::function<void(const std::string&)>& warn)
{
    // A company card has no person's name; the company's stands in, as the phone shows it.
    auto people = db.prepare("SELECT ROWID, First, Last, Organization FROM ABPerson ORDER BY ROWID");
    if (!people)
        return warn(people.error());
    std::map<long long, size_t> byKey;
    Statement::Step step;
    while ((step = people->step()) == Statement::Step::Row) {
        Contact contact{people->columnText(1), people->columnText(2), {}, {}};
        if (contact.givenName.empty() && contact.familyName.empty())
            contact.givenName = people->columnText(3);
        byKey[people->columnInt64(0)] = m_contacts.size();
        m_contacts.push_back(std::move(contact));
    }
    if (step == Statement::Step::Error)
        warn(db.errorMessage() + "; names from it may be missing");
    // Property 3 is a phone number, 4 an e-mail address.
    auto values = db.prepare("SELECT record_id, property, value FROM ABMultiValue WHERE property IN (3, 4) AND "
                             "value IS NOT NULL AND value != '' ORDER BY record_id, UID");
    if (!values)
        return warn(values.error());
    while ((step = values->step()) == Statement::Step::Row) {
        const auto it = byKey.find(values->columnInt64(0));
        if (it == byKey.end())
            continue;
        Contact& contact = m_contacts[it->second];
        (values->columnInt(1) == 3 ? contact.phoneNumbers : contact.emailAddresses).push_back(values->columnText(2));
    }
    if (step == Statement::Step::Error)
        warn(db.errorMessage() + "; names from it may be missing");
}

void AddressBookContactsStore::loadVCard(const std::string& path)
{
    auto text = readFile(path);
    if (!text) {
        Trace::line("[MessagesExporter] \u26A0\uFE0F " + text.error().description());
        return;
    }
    for (Contact& contact : VCardReader::parse(*text))
        m_contacts.push_back(std::move(contact));
}

tl::expected<std::vector<Contact>, std::string>
AddressBookContactsStore::contactsMatchingPhoneNumber(const std::string& number)
{
    load();
    std::vector<Contact> found;
    for (size_t owner : m_phoneIndex.ownersMatching(number))
        found.push_back(m_contacts[owner]);
    return found;
}

tl::expected<void, std::string>
AddressBookContactsStore::enumerateContactsWithEmailContaining(const std::string& text, const ContactVisitor& visitor)
{
    load();
    const std::string needle = foldCaseAndDiacritics(text);
    for (const Contact& contact : m_contacts) {
        const bool matches = std::any_of(contact.emailAddresses.begin(), contact.emailAddresses.end(),
                                         [&needle](const std::string& address) {
                                             return foldCaseAndDiacritics(address).find(needle) != std::string::npos;
                                         });
        if (!matches)
            continue;
        bool stop = false;
        visitor(contact, stop);
        if (stop)
            break;
    }
    return {};
}

} // namespace varnholt
