#include "MessagesTestSupport.h"

#include "platform/TextFolding.h"
#include "sample-home/ContactsSample.h"
#include "sample-home/MessagesSample.h"
#include "sources/contacts/PhoneNumberIndex.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>

namespace varnholt::test {

namespace fs = std::filesystem;

void buildMessagesHome(const fs::path& home)
{
    sample::SampleOptions options;
    sample::buildMessages(home, options);
    sample::buildContacts(home, options);
}

std::string bytesOf(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeBytes(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string readText(const fs::path& path)
{
    return bytesOf(path);
}

std::vector<std::string> filesBelow(const fs::path& folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file())
            files.push_back(it->path().lexically_relative(folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

std::map<std::string, std::pair<std::string, long long>> fingerprint(const fs::path& folder)
{
    std::map<std::string, std::pair<std::string, long long>> prints;
    for (const std::string& file : filesBelow(folder)) {
        struct stat info {};
        ::stat((folder / file).c_str(), &info);
        prints[file] = {bytesOf(folder / file),
                        static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
    }
    return prints;
}

void FakeContactsStore::requestAccess(AccessCallback callback)
{
    ++requests;
    // Answer from another thread, as the platform may.
    std::thread([callback, granted = grantOnRequest, error = requestError] { callback(granted, error); }).join();
}

tl::expected<std::vector<Contact>, std::string>
FakeContactsStore::contactsMatchingPhoneNumber(const std::string& number)
{
    phoneQueries.push_back(number);
    if (searchError)
        return tl::unexpected(*searchError);
    std::vector<Contact> found;
    for (const Contact& person : people)
        for (const std::string& phone : person.phoneNumbers)
            if (PhoneNumberIndex::sameNumber(number, phone)) {
                found.push_back(person);
                break;
            }
    return found;
}

tl::expected<void, std::string> FakeContactsStore::enumerateContactsWithEmailContaining(const std::string& text,
                                                                                        const ContactVisitor& visitor)
{
    if (searchError)
        return tl::unexpected(*searchError);
    for (const Contact& person : people)
        for (const std::string& email : person.emailAddresses)
            if (containsIgnoringCaseAndDiacritics(email, text)) {
                bool stop = false;
                visitor(person, stop);
                if (stop)
                    return {};
                break;
            }
    return {};
}

} // namespace varnholt::test
