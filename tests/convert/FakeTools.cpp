#include "FakeTools.h"

#include "platform/Files.h"

#include <stdexcept>
#include <sys/stat.h>

namespace varnholt::test {

void writeScript(const std::filesystem::path& path, const std::string& body)
{
    std::filesystem::create_directories(path.parent_path());
    if (!writeFile(path, "#!/bin/sh\n" + body + "\n") || ::chmod(path.c_str(), 0755) != 0)
        throw std::runtime_error("cannot write " + path.string());
}

ConversionTools noTools()
{
    return ConversionTools{};
}

} // namespace varnholt::test
