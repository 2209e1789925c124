// Inputs the fuzzers found, kept as plain cases: names must stay within their limits whatever
// they start with.

#include "render/messages/ConversationFileNames.h"
#include "platform/PathComponent.h"

#include <gtest/gtest.h>

using namespace varnholt;

TEST(NameLimits, ALeadingDotNeverTakesANamePastItsLimit)
{
    for (const std::string& name : {std::string(300, '.') + "x", "." + std::string(300, 'e'),
                                    ".\xE3\x80\x8C" + std::string(200, 'e'), ".." + std::string(178, 'a') + "\xE6\x9D\xB1"}) {
        const std::string component = safePathComponent(name, "Untitled");
        EXPECT_LE(component.size(), 180u) << name.substr(0, 20);
        EXPECT_EQ(component.front(), '_');
        EXPECT_LE(sanitizeFilename(name).size(), ConversationFileNames::kMaxNameBytes);
    }
    // Cut on a character boundary: the last character is whole.
    const std::string cut = safePathComponent("." + std::string(178, 'a') + "\xE6\x9D\xB1", "Untitled");
    EXPECT_EQ(cut, "_." + std::string(178, 'a'));
}
