#pragma once

// The home both Notes benchmarks export: the large Notes sample (20,000 notes), built in `work`.
#include "sample-home/NotesSample.h"

#include <chrono>
#include <filesystem>
#include <fmt/format.h>
#include <iostream>

namespace bench {

inline std::filesystem::path buildLargeNotesHome(const std::filesystem::path& work)
{
    const std::filesystem::path home = work / "home";
    std::cout << "Building a home with the large Notes sample in " << home << " ...\n";
    const auto start = std::chrono::steady_clock::now();
    varnholt::sample::buildNotes(home, {varnholt::sample::Scale::large, 1});
    std::cout << fmt::format("  built in {:.2f} s\n",
                             std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return home;
}

} // namespace bench
