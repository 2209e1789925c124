#include "MessagesTestSupport.h"

#include "sample-home/ContactsSample.h"
#include "sources/MacHomeSource.h"
#include "sources/contacts/AddressBookContactsStore.h"
#include "sources/contacts/ContactName.h"
#include "sources/contacts/PhoneNumberIndex.h"
#include "sources/contacts/VCardReader.h"
#include "support/RealData.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

Contact person(std::string given, std::string family, std::vector<std::string> phones,
               std::vector<std::string> emails = {})
{
    return {std::move(given), std::move(family), std::move(phones), std::move(emails)};
}

TEST(ContactName, TriesFourPhoneSpellingsInOrder)
{
    test::TraceCapture trace;
    test::FakeContactsStore store;
    EXPECT_EQ(getContactName(store, "+1 (555) 123-4567"), std::nullopt);
    EXPECT_EQ(store.phoneQueries,
              (std::vector<std::string>{"+1 (555) 123-4567", "5551234567", "+15551234567", "15551234567"}));
    EXPECT_TRUE(trace.contains("[MessagesExporter] No contact found for: +1 (555) 123-4567"));
    // "+1" is removed wherever it stands.
    EXPECT_EQ(cleanedIdentifier("a+1b+c(d)e-f g"), "abcdefg");
}

TEST(ContactName, MatchesNumbersWithAndWithoutCountryCode)
{
    test::TraceCapture trace;
    test::FakeContactsStore store;
    store.people = {person("Alice", "Smith", {"5551234567"}), person("", "Nguyen", {"15559876543"})};
    EXPECT_EQ(getContactName(store, "+15551234567"), "Alice Smith");
    EXPECT_TRUE(trace.contains("[MessagesExporter] Found contact: Alice Smith for +15551234567"));
    // Ten digits against a number stored with a leading 1: the spellings with the country code match it.
    store.phoneQueries.clear();
    EXPECT_EQ(getContactName(store, "5559876543"), "Nguyen");
    EXPECT_EQ(store.phoneQueries, (std::vector<std::string>{"5559876543", "5559876543", "+15559876543"}));
    EXPECT_TRUE(trace.contains("[MessagesExporter] Found contact: Nguyen for +15559876543"));

    store.people = {person("Alice", "Smith", {"+1 555 123 4567"})};
    EXPECT_EQ(getContactName(store, "5551234567"), "Alice Smith");
}

TEST(ContactName, SkipsNamelessContactsAndSearchesAddressesLast)
{
    test::TraceCapture trace;
    test::FakeContactsStore store;
    store.people = {person("", "", {"+15551234567"}, {"shop@example.com"}),
                    person("Renée", "Dupont", {}, {"Renee.Dupont@Example.FR"})};
    EXPECT_EQ(getContactName(store, "+15551234567"), std::nullopt);
    EXPECT_TRUE(trace.contains("[MessagesExporter] No contact found for: +15551234567"));

    store.phoneQueries.clear();
    EXPECT_EQ(getContactName(store, "renée.dupont@example.fr"), "Renée Dupont");
    EXPECT_EQ(store.phoneQueries.size(), 4u);
    EXPECT_TRUE(trace.contains("[MessagesExporter] Found contact: Renée Dupont for email renée.dupont@example.fr"));
    EXPECT_EQ(getContactName(store, "shop@example.com"), std::nullopt); // found, but without a name
}

TEST(ContactName, AuthorisationAndErrors)
{
    test::TraceCapture trace;
    test::FakeContactsStore store;
    store.people = {person("Alice", "", {"+15551234567"})};

    store.status = ContactsAuthorization::denied;
    EXPECT_EQ(getContactName(store, "+15551234567"), std::nullopt);
    EXPECT_TRUE(trace.contains("[MessagesExporter] Contacts access not authorized. Status: denied (2)"));
    EXPECT_EQ(store.requests, 0);
    EXPECT_TRUE(store.phoneQueries.empty());

    store.status = ContactsAuthorization::notDetermined;
    store.grantOnRequest = false;
    store.requestError = "The user said no";
    EXPECT_EQ(getContactName(store, "+15551234567"), std::nullopt);
    EXPECT_TRUE(trace.contains("[MessagesExporter] Error requesting contacts access: The user said no"));
    EXPECT_TRUE(trace.contains("[MessagesExporter] Contacts access denied after request"));

    store.grantOnRequest = true;
    store.requestError.reset();
    EXPECT_EQ(getContactName(store, "+15551234567"), "Alice");
    EXPECT_EQ(store.requests, 2);

    store.status = ContactsAuthorization::authorized;
    store.searchError = "store is locked";
    EXPECT_EQ(getContactName(store, "+15551234567"), std::nullopt);
    EXPECT_TRUE(trace.contains("[MessagesExporter] Error searching contacts: store is locked"));
}

TEST(PhoneNumberIndex, SameNationalNumberMatchesOthersDoNot)
{
    EXPECT_TRUE(PhoneNumberIndex::sameNumber("+15551234567", "(555) 123-4567"));
    EXPECT_TRUE(PhoneNumberIndex::sameNumber("+4915112345678", "+49 151 12345678"));
    EXPECT_FALSE(PhoneNumberIndex::sameNumber("+15551234567", "+445551234567"));
    EXPECT_FALSE(PhoneNumberIndex::sameNumber("1234567", "5551234567"));
    EXPECT_FALSE(PhoneNumberIndex::sameNumber("john1234567@example.com", "1234567"));

    PhoneNumberIndex index;
    index.add(0, "(555) 123-4567");
    index.add(1, "+44 7700 900123");
    index.add(2, "+1 555 123 4567");
    index.add(3, "112");
    EXPECT_EQ(index.ownersMatching("+15551234567"), (std::vector<size_t>{0, 2}));
    EXPECT_EQ(index.ownersMatching("+447700900123"), (std::vector<size_t>{1}));
    EXPECT_EQ(index.ownersMatching("112"), (std::vector<size_t>{3}));
    EXPECT_TRUE(index.ownersMatching("+15550000000").empty());
}

TEST(VCardReader, ReadsNamesNumbersAndAddresses)
{
    const auto people =
        VCardReader::parse("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Martin;Chlo\\,é;;;\r\n"
                           "item1.EMAIL;type=INTERNET:chloe@exa\r\n mple.com\r\n"
                           "TEL;type=CELL:+44 7700 900123\r\nEND:VCARD\r\n"
                           "BEGIN:VCARD\nVERSION:4.0\nFN:Only Formatted\nTEL;VALUE=uri:tel:+15551234567\n"
                           "END:VCARD\n"
                           "BEGIN:VCARD\nVERSION:2.1\nN;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:M=C3=BCller;J=\n"
                           "=C3=BCrgen\nEND:VCARD\n");
    ASSERT_EQ(people.size(), 3u);
    EXPECT_EQ(composeContactName(people[0]), "Chlo,é Martin");
    EXPECT_EQ(people[0].emailAddresses, std::vector<std::string>{"chloe@example.com"});
    EXPECT_EQ(people[0].phoneNumbers, std::vector<std::string>{"+44 7700 900123"});
    EXPECT_EQ(composeContactName(people[1]), "Only Formatted");
    EXPECT_EQ(people[1].phoneNumbers, std::vector<std::string>{"+15551234567"});
    EXPECT_EQ(composeContactName(people[2]), "Jürgen Müller");
}

TEST(AddressBookContactsStore, ReadsEveryAddressBookAndVCard)
{
    test::TempDir home;
    test::buildMessagesHome(home.path());
    const auto before = test::fingerprintTree(home.path() / "Library/Application Support");
    AddressBookContactsStore store(MacHomeSource(home.str()).contactsDatabases(),
                                   {sample::sampleVCardPath(home.path()).string()});
    EXPECT_EQ(store.authorizationStatus(), ContactsAuthorization::authorized);
    EXPECT_EQ(MacHomeSource(home.str()).contactsDatabases(),
              (std::vector<std::string>{sample::addressBookPath(home.path()).string(),
                                        sample::addressBookSourcePath(home.path()).string()}));

    std::vector<std::string> names;
    for (const Contact& contact : store.contacts())
        names.push_back(composeContactName(contact));
    // People only: no container, info or group record; Renée is only in the -wal file; the vCards last.
    EXPECT_EQ(names, (std::vector<std::string>{"Alice Smith", "Bob Baker", "Jonas Weber", "", "Renée Dupont", "Nguyen",
                                               "Chloé Martin", "Ngozi Okafor"}));
    test::TraceCapture trace;
    EXPECT_EQ(getContactName(store, "+15551234567"), "Alice Smith");
    EXPECT_EQ(getContactName(store, "+15559876543"), "Nguyen");
    EXPECT_EQ(getContactName(store, "BOB@example.com"), "Bob Baker");
    EXPECT_EQ(getContactName(store, "renee.dupont@exemple.fr"), "Renée Dupont");
    EXPECT_EQ(getContactName(store, "+447700900123"), "Chloé Martin");
    EXPECT_EQ(test::fingerprintTree(home.path() / "Library/Application Support"), before);
}

TEST(AddressBookContactsStore, NothingReadableMeansNotAuthorised)
{
    test::TempDir home;
    test::buildMessagesHome(home.path());
    AddressBookContactsStore store(MacHomeSource(home.str()).contactsDatabases(), {},
                                   [](const std::string&) { return false; });
    EXPECT_EQ(store.authorizationStatus(), ContactsAuthorization::denied);
    test::TraceCapture trace;
    EXPECT_EQ(getContactName(store, "+15551234567"), std::nullopt);
    EXPECT_TRUE(trace.contains("[MessagesExporter] Contacts access not authorized. Status: denied (2)"));

    test::TempDir empty;
    EXPECT_EQ(AddressBookContactsStore(MacHomeSource(empty.str()).contactsDatabases(), {}).authorizationStatus(),
              ContactsAuthorization::denied);
}

TEST(AddressBookContactsStore, ReadsRealAddressBooks)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    for (const char* owner : {"woojinny_42_woojilee", "mtndlovuJHB_D00", "hackathonrunner_number1"}) {
        test::TempDir home;
        test::copyDatabase(realdata / owner / "Library/Application Support/AddressBook/AddressBook-v22.abcddb",
                           home.path() / "Library/Application Support/AddressBook");
        AddressBookContactsStore store(MacHomeSource(home.str()).contactsDatabases(), {});
        ASSERT_EQ(store.authorizationStatus(), ContactsAuthorization::authorized);
        bool apple = false;
        for (const Contact& contact : store.contacts())
            apple = apple || std::find(contact.phoneNumbers.begin(), contact.phoneNumbers.end(), "1-800-MY-APPLE") !=
                                 contact.phoneNumbers.end();
        if (std::string(owner) == "woojinny_42_woojilee") {
            EXPECT_TRUE(apple);
            EXPECT_EQ(store.contactsMatchingPhoneNumber("+1 800 692 7753")->size(), 1u);
        }
    }
}

} // namespace
} // namespace varnholt
