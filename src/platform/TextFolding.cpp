#include "platform/TextFolding.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace varnholt {

std::string foldCaseAndDiacritics(const std::string& text)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfd = icu::Normalizer2::getNFDInstance(status);
    icu::UnicodeString decomposed;
    if (U_SUCCESS(status))
        decomposed = nfd->normalize(icu::UnicodeString::fromUTF8(text), status);
    if (U_FAILURE(status))
        decomposed = icu::UnicodeString::fromUTF8(text);
    icu::UnicodeString stripped;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 c = decomposed.char32At(i);
        if (u_charType(c) != U_NON_SPACING_MARK)
            stripped.append(c);
        i += U16_LENGTH(c);
    }
    stripped.foldCase();
    std::string folded;
    stripped.toUTF8String(folded);
    return folded;
}

bool containsIgnoringCaseAndDiacritics(const std::string& haystack, const std::string& needle)
{
    return foldCaseAndDiacritics(haystack).find(foldCaseAndDiacritics(needle)) != std::string::npos;
}

} // namespace varnholt
