#include "sample-home/ContactsSample.h"

#include "platform/Database.h"
#include "platform/Statement.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/WriteAheadLogSample.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace varnholt::sample {

namespace fs = std::filesystem;

namespace {
constexpr const char* kSchema = R"SQL(
CREATE TABLE Z_PRIMARYKEY (Z_ENT INTEGER PRIMARY KEY, Z_NAME VARCHAR, Z_SUPER INTEGER, Z_MAX INTEGER);
CREATE TABLE Z_METADATA (Z_VERSION INTEGER PRIMARY KEY, Z_UUID VARCHAR(255), Z_PLIST BLOB);
CREATE TABLE ZABCDRECORD ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZCREATIONDATEYEAR INTEGER, ZDISPLAYFLAGS INTEGER, ZMODIFICATIONDATEYEAR INTEGER, ZSYNCSTATUS INTEGER, ZCONTAINER INTEGER, ZEXTERNALGROUPBEHAVIOR INTEGER, ZBIRTHDAYYEAR INTEGER, ZPREFERREDFORLINKNAME INTEGER, ZPREFERREDFORLINKPHOTO INTEGER, ZPRIVACYFLAGS INTEGER, ZCONTACTINDEX INTEGER, ZCONTAINER1 INTEGER, ZCONTAINERWHERECONTACTISME INTEGER, ZLUNARBIRTHDAYCOMPONENTS INTEGER, ZNOTE INTEGER, ZASSISTANTSYNCANCHOR INTEGER, ZSHARECOUNT INTEGER, ZSYNCCOUNT INTEGER, ZVERSION INTEGER, ZCONTAINER2 INTEGER, ZGUARDIANFLAGS INTEGER, ZISALL INTEGER, ZINFO INTEGER, ZME INTEGER, Z21_ME INTEGER, ZCREATIONDATE TIMESTAMP, ZCREATIONDATEYEARLESS FLOAT, ZMODIFICATIONDATE TIMESTAMP, ZMODIFICATIONDATEYEARLESS FLOAT, ZBIRTHDAY TIMESTAMP, ZBIRTHDAYYEARLESS FLOAT, ZLASTSYNCDATE TIMESTAMP, ZEXTERNALCOLLECTIONPATH VARCHAR, ZEXTERNALFILENAME VARCHAR, ZEXTERNALHASH VARCHAR, ZEXTERNALIMAGEURI VARCHAR, ZEXTERNALMODIFICATIONTAG VARCHAR, ZEXTERNALURI VARCHAR, ZEXTERNALUUID VARCHAR, ZUNIQUEID VARCHAR, ZNAME VARCHAR, ZNAMENORMALIZED VARCHAR, ZTMPREMOTELOCATION VARCHAR, ZCROPRECT VARCHAR, ZCROPRECTID VARCHAR, ZDEPARTMENT VARCHAR, ZDOWNTIMEWHITELIST VARCHAR, ZFIRSTNAME VARCHAR, ZIDENTITYUNIQUEID VARCHAR, ZIMAGEREFERENCE VARCHAR, ZIMAGETYPE VARCHAR, ZJOBTITLE VARCHAR, ZLASTNAME VARCHAR, ZLINKID VARCHAR, ZMAIDENNAME VARCHAR, ZMIDDLENAME VARCHAR, ZNICKNAME VARCHAR, ZORGANIZATION VARCHAR, ZPHONEMEDATA VARCHAR, ZPHONETICFIRSTNAME VARCHAR, ZPHONETICLASTNAME VARCHAR, ZPHONETICMIDDLENAME VARCHAR, ZPHONETICORGANIZATION VARCHAR, ZPREFERREDAPPLEPERSONAIDENTIFIER VARCHAR, ZPREFERREDLIKENESSSOURCE VARCHAR, ZSORTINGFIRSTNAME VARCHAR, ZSORTINGLASTNAME VARCHAR, ZSUFFIX VARCHAR, ZTITLE VARCHAR, ZTMPHOMEPAGE VARCHAR, ZASSISTANTVALIDITY VARCHAR, ZCREATEDVERSION VARCHAR, ZLASTDOTMACACCOUNT VARCHAR, ZLASTSAVEDVERSION VARCHAR, ZSYNCANCHOR VARCHAR, ZNAME1 VARCHAR, ZREMOTELOCATION VARCHAR, ZSERIALNUMBER VARCHAR, ZEXTERNALREPRESENTATION BLOB, ZMODIFIEDUNIQUEIDSDATA BLOB, ZSEARCHELEMENTDATA BLOB, ZCROPRECTHASH BLOB, ZIMAGEDATA BLOB, ZIMAGEHASH BLOB, ZTHUMBNAILIMAGEDATA BLOB );
CREATE INDEX ZABCDRECORD_Z_ENT_INDEX ON ZABCDRECORD (Z_ENT);
CREATE TABLE ZABCDPHONENUMBER ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZISPRIMARY INTEGER, ZISPRIVATE INTEGER, ZORDERINGINDEX INTEGER, ZOWNER INTEGER, Z21_OWNER INTEGER, ZAREACODE VARCHAR, ZCOUNTRYCODE VARCHAR, ZEXTENSION VARCHAR, ZFULLNUMBER VARCHAR, ZLABEL VARCHAR, ZLASTFOURDIGITS VARCHAR, ZLOCALNUMBER VARCHAR, ZUNIQUEID VARCHAR );
CREATE INDEX ZABCDPHONENUMBER_ZOWNER_INDEX ON ZABCDPHONENUMBER (ZOWNER);
CREATE TABLE ZABCDEMAILADDRESS ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, ZISPRIMARY INTEGER, ZISPRIVATE INTEGER, ZORDERINGINDEX INTEGER, ZOWNER INTEGER, Z21_OWNER INTEGER, ZADDRESS VARCHAR, ZADDRESSNORMALIZED VARCHAR, ZLABEL VARCHAR, ZUNIQUEID VARCHAR );
CREATE INDEX ZABCDEMAILADDRESS_ZOWNER_INDEX ON ZABCDEMAILADDRESS (ZOWNER);
)SQL";

struct Person {
    int entity;
    std::optional<std::string> first;
    std::optional<std::string> last;
    std::optional<std::string> organization;
    std::optional<std::string> groupName;
    std::vector<std::string> phones;
    std::vector<std::string> emails;
};

class AddressBook {
public:
    explicit AddressBook(const fs::path& path) : m_path(path)
    {
        fs::create_directories(path.parent_path());
        for (const char* suffix : {"", "-wal", "-shm"})
            fs::remove(path.string() + suffix);
        auto db = Database::open(path.string(), Database::Mode::ReadWriteCreate);
        if (!db)
            throw std::runtime_error("sample address book: " + db.error());
        m_db = std::move(*db);
        exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
        exec(kSchema);
    }

    void exec(const std::string& sql)
    {
        if (auto done = m_db.exec(sql); !done)
            throw std::runtime_error("sample address book: " + done.error());
    }

    void entities(const std::vector<std::pair<int, std::pair<std::string, int>>>& entities)
    {
        for (const auto& [number, entity] : entities) {
            auto insert = prepare("INSERT INTO Z_PRIMARYKEY (Z_ENT, Z_NAME, Z_SUPER, Z_MAX) VALUES (?, ?, ?, 0)");
            insert.bindInt(1, number);
            insert.bindText(2, entity.first);
            insert.bindInt(3, entity.second);
            insert.step();
        }
    }

    void add(const Person& person)
    {
        auto record =
            prepare("INSERT INTO ZABCDRECORD (Z_PK, Z_ENT, Z_OPT, ZFIRSTNAME, ZLASTNAME, ZORGANIZATION, ZNAME, "
                    "ZUNIQUEID) VALUES (?, ?, 1, ?, ?, ?, ?, ?)");
        const int key = ++m_records;
        record.bindInt(1, key);
        record.bindInt(2, person.entity);
        bind(record, 3, person.first);
        bind(record, 4, person.last);
        bind(record, 5, person.organization);
        bind(record, 6, person.groupName);
        record.bindText(7, "SAMPLE-" + std::to_string(key) + ":ABPerson");
        record.step();
        int order = 0;
        for (const std::string& phone : person.phones) {
            auto insert =
                prepare("INSERT INTO ZABCDPHONENUMBER (Z_PK, Z_ENT, Z_OPT, ZORDERINGINDEX, ZOWNER, ZFULLNUMBER, "
                        "ZLABEL, ZLASTFOURDIGITS) VALUES (?, 14, 1, ?, ?, ?, '_$!<Mobile>!$_', ?)");
            insert.bindInt(1, ++m_phones);
            insert.bindInt(2, order++);
            insert.bindInt(3, key);
            insert.bindText(4, phone);
            insert.bindText(5, phone.size() >= 4 ? phone.substr(phone.size() - 4) : phone);
            insert.step();
        }
        order = 0;
        for (const std::string& email : person.emails) {
            auto insert =
                prepare("INSERT INTO ZABCDEMAILADDRESS (Z_PK, Z_ENT, Z_OPT, ZORDERINGINDEX, ZOWNER, ZADDRESS, "
                        "ZADDRESSNORMALIZED, ZLABEL) VALUES (?, 10, 1, ?, ?, ?, lower(?), '_$!<Home>!$_')");
            insert.bindInt(1, ++m_emails);
            insert.bindInt(2, order++);
            insert.bindInt(3, key);
            insert.bindText(4, email);
            insert.bindText(5, email);
            insert.step();
        }
    }

    void close() { closeKeepingWriteAheadLog(m_db, m_path); }

private:
    Statement prepare(const std::string& sql)
    {
        auto statement = m_db.prepare(sql);
        if (!statement)
            throw std::runtime_error("sample address book: " + statement.error());
        return std::move(*statement);
    }

    static void bind(Statement& statement, int position, const std::optional<std::string>& value)
    {
        if (value)
            statement.bindText(position, *value);
        else
            statement.bindNull(position);
    }

    fs::path m_path;
    Database m_db;
    int m_records = 0;
    int m_phones = 0;
    int m_emails = 0;
};

constexpr const char* kVCard = "BEGIN:VCARD\r\n"
                               "VERSION:3.0\r\n"
                               "PRODID:-//Apple Inc.//macOS 13.4//EN\r\n"
                               "N:Martin;Chlo\u00E9;;;\r\n"
                               "FN:Chlo\u00E9 Martin\r\n"
                               "item1.EMAIL;type=INTERNET;type=pref:chloe.martin@example.co.\r\n"
                               " uk\r\n"
                               "item1.X-ABLabel:_$!<Home>!$_\r\n"
                               "TEL;type=CELL;type=VOICE;type=pref:+44 7700 900123\r\n"
                               "END:VCARD\r\n"
                               "BEGIN:VCARD\r\n"
                               "VERSION:3.0\r\n"
                               "N:Okafor;Ngozi;;;\r\n"
                               "FN:Ngozi Okafor\r\n"
                               "TEL;type=HOME:+234 802 123 4567\r\n"
                               "END:VCARD\r\n";
} // namespace

fs::path addressBookPath(const fs::path& home)
{
    return home / "Library/Application Support/AddressBook/AddressBook-v22.abcddb";
}

fs::path addressBookSourcePath(const fs::path& home)
{
    return home / "Library/Application Support/AddressBook/Sources/4F1C2A3B-5D6E-4F70-8192-A3B4C5D6E7F8/"
                  "AddressBook-v22.abcddb";
}

fs::path sampleVCardPath(const fs::path& home)
{
    return home / "Documents/Contacts/friends.vcf";
}

void buildContacts(const fs::path& home, const SampleOptions&)
{
    {
        AddressBook local(addressBookPath(home));
        local.exec("BEGIN");
        local.entities({{10, {"ABCDEmailAddress", 0}},
                        {14, {"ABCDPhoneNumber", 0}},
                        {16, {"ABCDRecord", 0}},
                        {17, {"ABCDAbstractGroup", 16}},
                        {18, {"ABCDGroup", 17}},
                        {21, {"ABCDContact", 16}},
                        {22, {"ABCDSubscribedContact", 21}},
                        {23, {"ABCDInfo", 16}},
                        {24, {"CNCDContainer", 16}}});
        local.add({24, {}, {}, {}, std::string("Local"), {}, {}});
        local.add({23, {}, {}, {}, {}, {}, {}});
        local.add({21, std::string("Alice"), std::string("Smith"), {}, {}, {"(555) 123-4567"}, {"alice@example.com"}});
        local.add({21, std::string("Bob"), std::string("Baker"), {}, {}, {}, {"Bob@Example.com"}});
        local.add({21, std::string("Jonas"), std::string("Weber"), {}, {}, {"+49 151 12345678"}, {}});
        local.add({21, {}, {}, std::string("Apple Inc."), {}, {"1-800-MY-APPLE"}, {}});
        // A group record in the same table: never a person, whatever it is called.
        local.add({18, {}, {}, {}, std::string("+15551234567"), {}, {}});
        local.exec("COMMIT");
        local.exec("PRAGMA wal_checkpoint(TRUNCATE)");
        // Added after the checkpoint: only in the -wal file, as a running Contacts app leaves it.
        local.add({22, std::string("Ren\u00E9e"), std::string("Dupont"), {}, {}, {}, {"Ren\u00E9e.Dupont@Exemple.fr"}});
        local.close();
    }
    {
        // An account's own store numbers its entities differently.
        AddressBook account(addressBookSourcePath(home));
        account.entities({{10, {"ABCDEmailAddress", 0}},
                          {14, {"ABCDPhoneNumber", 0}},
                          {16, {"ABCDRecord", 0}},
                          {21, {"ABCDAddressBookSource", 16}},
                          {22, {"ABCDContact", 16}},
                          {24, {"ABCDInfo", 16}}});
        account.add({21, {}, {}, {}, std::string("iCloud"), {}, {}});
        account.add({22, {}, std::string("Nguyen"), {}, {}, {"555-987-6543"}, {}});
        account.close();
    }
    writeSampleFile(sampleVCardPath(home), kVCard);
}

} // namespace varnholt::sample
