#include "convert/PythonBatch.h"

#include "convert/TemporaryOutput.h"
#include "platform/Files.h"
#include "platform/ProcessRunner.h"

#include <cstdio>

namespace varnholt {

tl::expected<ProcessResult, DomainError> PythonBatch::run(const std::vector<std::pair<std::string, std::string>>& files,
                                                          const std::filesystem::path& listBeside,
                                                          std::stop_token stop) const
{
    std::string list;
    for (const auto& [source, target] : files) {
        list.append(source).push_back('\0');
        list.append(target).push_back('\0');
    }
    TemporaryOutput listFile(listBeside);
    if (auto written = writeFile(listFile.path(), list); !written)
        return tl::unexpected(DomainError(
            "PythonBatch", 1, "Could not write the list of files to convert: " + written.error().description(),
            written.error().kind()));
    ProcessSpec spec;
    spec.executable = python;
    spec.arguments = {"-c", script, listFile.path().string()};
    spec.environment = environment;
    spec.timeLimit = timeLimitPerFile * static_cast<long>(std::max<size_t>(files.size(), 1));
    spec.stopToken = std::move(stop);
    return ProcessRunner::run(spec);
}

void PythonBatch::removeLeftovers(const std::vector<std::pair<std::string, std::string>>& files)
{
    for (const auto& file : files)
        std::remove((file.second + ".part").c_str());
}

const char* PythonBatch::readJobsScript()
{
    return R"PY(import os
with open(sys.argv[1], "rb") as job_list:
    fields = job_list.read().split(b"\0")
jobs = [(os.fsdecode(fields[i]), os.fsdecode(fields[i + 1])) for i in range(0, len(fields) - 1, 2)]
)PY";
}

} // namespace varnholt
