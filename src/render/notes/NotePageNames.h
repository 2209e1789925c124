#pragma once

#include "platform/UniqueNames.h"

#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace varnholt::notesapp {

// Names of the standard method's folders and pages: accounts, folders and titles through the
// file-name rule (trailing blanks dropped, "-" for what it replaces), and no two pages of a folder
// sharing a name, nor a page taking the name of one already there.
class NotePageNames {
public:
    // Whether a page of this name (with ".html") is already in the folder.
    using PageExists = std::function<bool(const std::filesystem::path& page)>;

    explicit NotePageNames(PageExists exists) : m_exists(std::move(exists)) {}

    // An account's or folder's name as a folder.
    static std::string folder(const std::string& name);
    // An attachment's file name in a note's attachment folder.
    static std::string attachment(const std::string& name);
    // The next page's name in `folder`, without ".html".
    std::string claimPage(const std::filesystem::path& folder, const std::string& title);

private:
    PageExists m_exists;
    std::map<std::string, UniqueNames> m_books;
};

} // namespace varnholt::notesapp
