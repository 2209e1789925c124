#include "sources/MacHomeSource.h"

#include "sources/SourceData.h"

#include <algorithm>
#include <array>
#include <filesystem>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
constexpr const char* kAddressBookFolder = "/Library/Application Support/AddressBook";
constexpr const char* kAddressBookName = "AddressBook-v22.abcddb";

bool isPresent(const fs::path& path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}
} // namespace

MacHomeSource::MacHomeSource(std::string home) : m_home(std::move(home)) {}

SourceDescription MacHomeSource::describe() const
{
    SourceDescription description;
    description.kind = SourceKind::macHome;
    description.title = "Mac home folder " + m_home;
    description.stores = describeStores(*this);
    return description;
}

std::string MacHomeSource::accessProbe(ExporterType type) const
{
    const std::vector<std::string> locations = sourceDataLocations(type, *this);
    return locations.empty() ? std::string() : locations.front();
}

std::string MacHomeSource::messagesDatabase() const
{
    return m_home + "/Library/Messages/chat.db";
}

std::string MacHomeSource::messagesAttachments() const
{
    return m_home + "/Library/Messages/Attachments";
}

std::vector<std::string> MacHomeSource::contactsDatabases() const
{
    // The local book first, then every account's book in name order, so names resolve the same
    // way on every run.
    const std::string folder = m_home + kAddressBookFolder;
    std::vector<std::string> databases;
    if (const std::string local = folder + "/" + kAddressBookName; isPresent(local))
        databases.push_back(local);
    std::vector<std::string> accounts;
    std::error_code ec;
    for (fs::directory_iterator it(folder + "/Sources", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string candidate = (it->path() / kAddressBookName).string();
        if (isPresent(candidate))
            accounts.push_back(candidate);
    }
    std::sort(accounts.begin(), accounts.end());
    databases.insert(databases.end(), accounts.begin(), accounts.end());
    return databases;
}

std::string MacHomeSource::notesContainer() const
{
    return m_home + "/Library/Group Containers/group.com.apple.notes";
}

std::string MacHomeSource::notesStore() const
{
    return notesContainer() + "/NoteStore.sqlite";
}

std::vector<std::string> MacHomeSource::recordingFolders() const
{
    static const std::array<const char*, 6> kSuffixes{
        "/Library/Group Containers/group.com.apple.VoiceMemos.shared/Recordings",
        "/Library/Recordings",
        "/Library/Application Support/com.apple.voicememos/Recordings",
        "/Library/Mobile Documents/com~apple~CloudDocs/Voice Memos",
        "/Library/Mobile Documents/iCloud~com~apple~VoiceMemos/Documents",
        "/iCloud Drive/Voice Memos",
    };
    std::vector<std::string> folders;
    for (const char* suffix : kSuffixes)
        folders.push_back(m_home + suffix);
    return folders;
}

} // namespace varnholt
