#include "platform/UniqueNames.h"

#include <algorithm>
#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace varnholt {

UniqueNames::UniqueNames(TakenElsewhere takenElsewhere) : m_takenElsewhere(std::move(takenElsewhere)) {}

std::string UniqueNames::key(std::string_view name)
{
    if (std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        std::string lowered(name);
        for (char& c : lowered)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return lowered;
    }
    // A Mac volume stores "é" and "e" + U+0301 as one name, and ignores case beyond ASCII too.
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_SUCCESS(status)) {
        icu::UnicodeString decomposed = nfd->normalize(text, status);
        if (U_SUCCESS(status))
            text = std::move(decomposed);
    }
    text.foldCase();
    std::string folded;
    text.toUTF8String(folded);
    return folded;
}

std::string UniqueNames::claim(std::string_view stem, std::string_view extension)
{
    return claimFirstFree(stem, extension, [](int attempt) { return " (" + std::to_string(attempt) + ")"; });
}

std::string UniqueNames::claimWithIdentifier(std::string_view stem, std::string_view extension,
                                             std::string_view identifier)
{
    return claimFirstFree(stem, extension, [identifier](int attempt) {
        std::string suffix = " (" + std::string(identifier);
        if (attempt > 2)
            suffix += "-" + std::to_string(attempt - 1);
        return suffix + ")";
    });
}

std::string UniqueNames::claimFirstFree(std::string_view stem, std::string_view extension,
                                        const std::function<std::string(int)>& suffix)
{
    std::string name = std::string(stem) + std::string(extension);
    for (int attempt = 2;; ++attempt) {
        std::string nameKey = key(name);
        if (!m_taken.count(nameKey) && !(m_takenElsewhere && m_takenElsewhere(name))) {
            m_taken.insert(std::move(nameKey));
            return name;
        }
        name = std::string(stem) + suffix(attempt) + std::string(extension);
    }
}

} // namespace varnholt
