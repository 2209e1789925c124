// Damaged databases in place of the real ones: truncated, a page overwritten with noise, a
// wrong header, empty, a folder. Every export must end: with an error that says what is wrong,
// or with everything the database still holds — never a crash, never a partial export
// reported as complete.

#include "platform/Database.h"
#include "platform/Files.h"
#include "sample-home/ContactsSample.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/NotesSample.h"
#include "sample-home/SampleHome.h"
#include "support/ExportRun.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fmt/format.h>
#include <functional>
#include <iostream>
#include <random>
#include <sys/stat.h>

using namespace varnholt;
using namespace varnholt::test;
namespace fs = std::filesystem;

namespace {
struct Target {
    enum class Role { source, names };
    std::string name;
    fs::path (*path)(const fs::path& home);
    ExportMethod method;
    Role role = Role::source;
};

fs::path noteStorePath(const fs::path& home)
{
    return sample::notesContainer(home) / "NoteStore.sqlite";
}

const std::vector<Target>& targets()
{
    static const std::vector<Target> kTargets{
        {"chat.db", &sample::messagesDatabasePath, ExportMethod::messages},
        {"NoteStore.sqlite (fast method)", &noteStorePath, ExportMethod::notesFast},
        {"NoteStore.sqlite (standard method)", &noteStorePath, ExportMethod::notesStandard},
        {"AddressBook-v22.abcddb", &sample::addressBookPath, ExportMethod::messages, Target::Role::names},
        {"Sources/.../AddressBook-v22.abcddb", &sample::addressBookSourcePath, ExportMethod::messages,
         Target::Role::names},
    };
    return kTargets;
}

// Damage is done to a database that holds everything in its main file, as after the app quit.
void foldWriteAheadLog(const fs::path& path)
{
    auto db = Database::open(path.string(), Database::Mode::ReadWriteCreate);
    ASSERT_TRUE(db.has_value());
    ASSERT_TRUE(db->exec("PRAGMA wal_checkpoint(TRUNCATE); PRAGMA journal_mode=DELETE;").has_value());
}

void overwritePage(const fs::path& path, std::uintmax_t page, unsigned seed)
{
    std::string bytes = readFile(path).value();
    const std::uintmax_t pageSize = 4096;
    const std::uintmax_t pages = bytes.size() / pageSize;
    page = std::min(page, pages) - 1;
    std::mt19937 random(seed);
    for (std::uintmax_t i = page * pageSize; i < (page + 1) * pageSize && i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(random() & 0xFF);
    ASSERT_TRUE(writeFile(path, bytes).has_value());
}

struct Damage {
    std::string name;
    std::function<void(const fs::path&)> apply;
};

std::uintmax_t pagesOf(const fs::path& path)
{
    return fs::file_size(path) / 4096;
}

const std::vector<Damage>& damages()
{
    using P = const fs::path&;
    static const std::vector<Damage> kDamages{
        {"truncated at 50 bytes", [](P path) { fs::resize_file(path, 50); }},
        {"truncated at 1000 bytes", [](P path) { fs::resize_file(path, 1000); }},
        {"truncated to half", [](P path) { fs::resize_file(path, fs::file_size(path) / 2); }},
        {"truncated by one byte", [](P path) { fs::resize_file(path, fs::file_size(path) - 1); }},
        {"page 2 overwritten with random bytes", [](P path) { overwritePage(path, 2, 2); }},
        {"a middle page overwritten with random bytes", [](P path) { overwritePage(path, pagesOf(path) / 2 + 1, 3); }},
        {"the last page overwritten with random bytes", [](P path) { overwritePage(path, pagesOf(path), 4); }},
        {"wrong header",
         [](P path) {
             std::string bytes = readFile(path).value();
             bytes.replace(0, 16, std::string("SQLite format 2\0", 16));
             ASSERT_TRUE(writeFile(path, bytes).has_value());
         }},
        {"empty file", [](P path) { fs::resize_file(path, 0); }},
        {"a folder in its place",
         [](P path) {
             fs::remove(path);
             fs::create_directory(path);
         }},
    };
    return kDamages;
}

class CorruptDatabase : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new TempDir;
        // Every damaged home sits where the undamaged one was built: the sample stores some
        // attachment paths whole, and they must keep pointing into the home.
        sample::buildSampleHome(home());
        for (const Target& target : targets())
            foldWriteAheadLog(target.path(home()));
        fs::copy(home(), *s_dir / "pristine", fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        for (ExportMethod method : {ExportMethod::messages, ExportMethod::notesFast, ExportMethod::notesStandard}) {
            const fs::path output = *s_dir / ("reference-" + std::to_string(int(method)));
            ASSERT_TRUE(runExport(method, home(), output).succeeded());
            s_reference[int(method)] = allText(output);
        }
    }
    static void TearDownTestSuite() { delete s_dir; }

    static fs::path home() { return *s_dir / "home"; }

    // Damages one database of a fresh copy of the home and exports it.
    static ExportOutcome exportDamaged(const Target& target, const Damage& damage, const fs::path& output)
    {
        fs::remove_all(home());
        fs::copy(*s_dir / "pristine", home(), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        damage.apply(target.path(home()));
        return runExport(target.method, home(), output);
    }

    static inline TempDir* s_dir = nullptr;
    static inline std::string s_reference[8];
};
} // namespace

TEST_F(CorruptDatabase, SourceDatabasesFailClearlyOrExportEverything)
{
    for (size_t t = 0; t < targets().size(); ++t) {
        const Target& target = targets()[t];
        if (target.role != Target::Role::source)
            continue;
        for (size_t d = 0; d < damages().size(); ++d) {
            const Damage& damage = damages()[d];
            SCOPED_TRACE(target.name + ", " + damage.name);
            const fs::path output = *s_dir / fmt::format("out-{}-{}", t, d);
            const ExportOutcome outcome = exportDamaged(target, damage, output);
            std::cout << "[ corrupt ] " << target.name << ", " << damage.name << ": "
                      << (outcome.succeeded() ? "complete export"
                                              : outcome.messages.substr(0, outcome.messages.find('\n')))
                      << std::endl;
            if (outcome.succeeded()) {
                // Damage SQLite never had to read (free pages, slack) may leave the data whole.
                EXPECT_TRUE(allText(output) == s_reference[int(target.method)])
                    << "a damaged database was reported as fully exported but the export differs from the "
                       "undamaged one: "
                    << outcome.messages;
            } else {
                EXPECT_EQ(outcome.exitCode, 1);
                const std::string& told = outcome.told;
                const std::string file = target.name.substr(0, target.name.find(' '));
                // The standard method's child says why on its own standard error; the export gives its code.
                EXPECT_TRUE(told.find("database") != std::string::npos || told.find(file) != std::string::npos ||
                            told.find("Script exited with code 1") != std::string::npos)
                    << "the error does not say that the database failed: " << outcome.messages;
            }
        }
    }
}

TEST_F(CorruptDatabase, DamagedAddressBooksCostTheNamesButNeverAMessage)
{
    for (size_t t = 0; t < targets().size(); ++t) {
        const Target& target = targets()[t];
        if (target.role != Target::Role::names)
            continue;
        for (size_t d = 0; d < damages().size(); ++d) {
            const Damage& damage = damages()[d];
            SCOPED_TRACE(target.name + ", " + damage.name);
            const fs::path output = *s_dir / fmt::format("out-{}-{}", t, d);
            const ExportOutcome outcome = exportDamaged(target, damage, output);
            ASSERT_TRUE(outcome.succeeded()) << outcome.messages;
            // Every message is there; names that came from the damaged book may be missing.
            const std::string exported = allText(output);
            for (const char* text :
                 {"Hi! Are we still on for Friday?", "D'accord, merci Ren\u00E9e !", "Bonjour ! \u00C0 bient\u00F4t"})
                EXPECT_NE(exported.find(text), std::string::npos) << text;
            if (exported != s_reference[int(ExportMethod::messages)]) {
                EXPECT_NE(outcome.messages.find("Cannot read the address book"), std::string::npos)
                    << "names were lost without a word: " << outcome.messages;
            }
        }
    }
}
