#include "platform/PasswordFile.h"

namespace varnholt {

tl::expected<std::vector<std::string>, DomainError> readPasswordFile(const std::filesystem::path& path,
                                                                     const ReadabilityProbe& canRead)
{
    auto cannotRead = [&](const std::string& reason) {
        return tl::unexpected(DomainError("PasswordFile", 1,
                                          "Could not read the password file " + path.string() + ": " + reason +
                                              ". Check the path and that you may read the file.",
                                          ErrorKind::badInput));
    };
    auto text = readFile(path);
    if (!text)
        return cannotRead(text.error().description());
    if (canRead && !canRead(path.string()))
        return cannotRead("permission denied");
    std::vector<std::string> passwords;
    std::size_t start = 0;
    while (start < text->size()) {
        std::size_t end = text->find('\n', start);
        if (end == std::string::npos)
            end = text->size();
        std::string line = text->substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            passwords.push_back(std::move(line));
        start = end + 1;
    }
    if (passwords.empty())
        return tl::unexpected(DomainError(
            "PasswordFile", 2, "The password file " + path.string() + " holds no password. Write one password a line.",
            ErrorKind::badInput));
    return passwords;
}

} // namespace varnholt
