#include "sample-home/BackupBuilder.h"
#include "sample-home/SampleHome.h"

#include <CLI/CLI.hpp>
#include <iostream>

int main(int argc, char** argv)
{
    CLI::App app{"Writes a sample Mac home folder with Messages, Notes, Voice Memos and Contacts data.",
                 "varnholt-sample-home"};
    std::string out;
    std::string scale = "small";
    unsigned seed = 1;
    std::string backup;
    app.add_option("--out", out, "Folder to write the home into (created)")->required();
    app.add_option("--scale", scale, "small (demo, tests) or large (benchmarks)")
        ->check(CLI::IsMember({"small", "large"}));
    app.add_option("--seed", seed, "Seed for generated content");
    app.add_option("--backup", backup, "Also write an iPhone backup folder holding the same data (created)");
    CLI11_PARSE(app, argc, argv);

    varnholt::sample::SampleOptions options;
    options.scale = scale == "large" ? varnholt::sample::Scale::large : varnholt::sample::Scale::small;
    options.seed = seed;
    try {
        varnholt::sample::buildSampleHome(out, options);
        if (!backup.empty())
            varnholt::sample::buildBackupOfHome(out, backup);
    } catch (const std::exception& e) {
        std::cerr << "varnholt-sample-home: " << e.what() << "\n";
        return 1;
    }
    std::cout << "Sample home written to " << out << "\n";
    return 0;
}
