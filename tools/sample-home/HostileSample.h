#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnholt::sample {

// Conversation, note and folder names that try to leave the output folder, hide in control
// characters, turn text around, or outgrow any file system's limit on a name.
const std::vector<std::string>& hostileNames();
// Message and note texts that would run script if an export copied them into HTML as markup.
const std::vector<std::string>& hostileTexts();
// What the files outside the home hold; an export that copies them gives itself away.
inline constexpr const char* kOutsideSecret = "SECRET FROM OUTSIDE THE HOME";

// The folder beside the home that hostile links and attachment names point into.
std::filesystem::path outsideFolder(const std::filesystem::path& home);

// The small sample home made hostile: its Messages conversations plus conversations named and
// filled from the lists above, attachments named with ".." and absolute paths outside the home
// or linked out of it; a Notes store of notes and folders named and filled the same way, with
// script links and attachment names that climb out; the sample recordings plus links out of
// the home, to a folder outside it, and in loops. Also writes outsideFolder(home).
void buildHostileHome(const std::filesystem::path& home);

} // namespace varnholt::sample
