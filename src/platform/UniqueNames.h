#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace varnholt {

// Hands out names of one folder so that no file of an export replaces another. Names are
// compared without case and in one Unicode normal form: the export may be copied to a Mac
// volume, where "Notes", "notes" and "NOTES" are one file. A clash is told apart by a number,
// " (2)", " (3)"..., or by an identifier of the item, " (id)", " (id-2)"..., before the extension.
class UniqueNames {
public:
    // Whether a name is held by something these claims did not hand out (a file already there).
    using TakenElsewhere = std::function<bool(const std::string& name)>;

    explicit UniqueNames(TakenElsewhere takenElsewhere = {});

    // stem + extension when free, otherwise the first free of stem + " (2)" + extension, " (3)"...
    std::string claim(std::string_view stem, std::string_view extension = {});
    // stem + extension when free, otherwise the first free of stem + " (" + identifier + ")" +
    // extension, then " (identifier-2)", " (identifier-3)"...
    std::string claimWithIdentifier(std::string_view stem, std::string_view extension, std::string_view identifier);

    // What two names share when a case-insensitive volume takes them for one.
    static std::string key(std::string_view name);

private:
    std::string claimFirstFree(std::string_view stem, std::string_view extension,
                               const std::function<std::string(int)>& suffix);

    std::unordered_set<std::string> m_taken; // keys
    TakenElsewhere m_takenElsewhere;
};

} // namespace varnholt
