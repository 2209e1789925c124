#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace varnholt::test {

// One note as Notes itself exported it through its scripting (the RhetTbull answer keys).
struct AnswerNote {
    std::string name, folder, account, plaintext, body;
    bool locked = false;
};
std::vector<AnswerNote> readAnswerKey(const std::filesystem::path& file);

// The RhetTbull stores beside their answer keys, oldest macOS first.
const std::vector<std::pair<std::string, std::string>>& rhetTbullStores();

// The cells of every <table> in an HTML text, row by row, their tags dropped.
using TableCells = std::vector<std::vector<std::vector<std::string>>>;
TableCells tableCells(const std::string& html);

// A home whose Notes container holds a copy of `store` as NoteStore.sqlite; with `wholeContainer`,
// a copy of the whole folder the store lies in.
std::filesystem::path homeWithStore(const std::filesystem::path& home, const std::filesystem::path& store,
                                    bool wholeContainer = false);

} // namespace varnholt::test
