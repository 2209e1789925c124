#include "support/CliRun.h"

#include "cli/CommandLine.h"
#include "support/TraceCapture.h"

#include <sstream>

namespace varnholt::test {

CliRun runCli(std::vector<std::string> args,
              std::function<std::optional<std::string>(const std::string& prompt)> askPassword)
{
    args.insert(args.begin(), "varnholt");
    std::ostringstream out, err;
    const TraceCapture trace;
    CliRun run;
    run.status = cli::run(args, {out, err, false, std::move(askPassword)});
    run.out = out.str();
    run.err = err.str();
    run.trace = trace.lines();
    return run;
}

} // namespace varnholt::test
