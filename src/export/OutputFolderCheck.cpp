#include "export/OutputFolderCheck.h"

#include "platform/Files.h"

#include <filesystem>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
// The path with every link that exists resolved; the missing tail (an output folder not made yet)
// is kept as written.
fs::path resolved(const fs::path& path)
{
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    const fs::path canonical = fs::weakly_canonical(ec ? path : absolute, ec);
    return (ec ? absolute : canonical).lexically_normal();
}
} // namespace

std::optional<std::string> outputFolderProblem(const Source& source, const std::string& outputFolder)
{
    if (source.root().empty() || outputFolder.empty())
        return std::nullopt;
    const fs::path root = resolved(source.root());
    const fs::path output = resolved(outputFolder);
    if (!isWithin(root, output))
        return std::nullopt;
    return "The output folder " + outputFolder + " is inside the source " + source.root() +
           ", and Varnholt never writes into the data it reads. Choose an output folder outside it.";
}

} // namespace varnholt
