#include "export/contract/ExportPasswords.h"

#include "platform/PasswordFile.h"

namespace varnholt {

std::vector<std::string> exportPasswords(const ExportOptions& options)
{
    std::vector<std::string> passwords;
    if (!options.passwordFile.empty()) {
        auto read = readPasswordFile(options.passwordFile);
        if (!read)
            throw read.error();
        passwords = std::move(*read);
    }
    passwords.insert(passwords.end(), options.passwords.begin(), options.passwords.end());
    return passwords;
}

} // namespace varnholt
