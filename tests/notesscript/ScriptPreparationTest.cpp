#include "export/notesscript/ScriptPreparation.h"
#include "export/notesscript/ExportProgressText.h"

#include <gtest/gtest.h>

using namespace varnholt;

namespace {
const std::string kScript = "on run\n"
                            "\tset destRootPOSIX to \"/Users/tolvane/notes_export_\" & dateStamp & \"/\"\n"
                            "tell application \"Notes\"\n"
                            "repeat with n in notes of folder f\n"
                            "        set n_name to name of n\n"
                            "end repeat\n"
                            "tell application \"Notes\"\n"
                            "repeat with n in notes of folder f\n"
                            "        set n_name to name of n\n"
                            "end tell";
} // namespace

TEST(ScriptPreparation, WithoutLimitOnlyTheDestinationChanges)
{
    std::string expected = kScript;
    expected.replace(expected.find("\tset destRootPOSIX"), expected.find("tell") - expected.find("\tset destRootPOSIX"),
                     "set destRootPOSIX to \"/out/html/\"\n");
    EXPECT_EQ(prepareExportScript(kScript, "/out/html/", std::nullopt), expected);
}

TEST(ScriptPreparation, LimitInsertsBothCounterSchemes)
{
    EXPECT_EQ(prepareExportScript(kScript, "/out/", 3), "on run\n"
                                                        "set destRootPOSIX to \"/out/\"\n"
                                                        "set globalNoteCounter to 0\n"
                                                        "set globalDebugLimit to 3\n"
                                                        "tell application \"Notes\"\n"
                                                        "set noteCounter to 0\n"
                                                        "set debugLimit to 3\n"
                                                        "repeat with n in notes of folder f\n"
                                                        "    set noteCounter to noteCounter + 1\n"
                                                        "    if noteCounter > debugLimit then exit repeat\n"
                                                        "        set n_name to name of n\n"
                                                        "        set globalNoteCounter to globalNoteCounter + 1\n"
                                                        "        if globalNoteCounter > globalDebugLimit then return\n"
                                                        "end repeat\n"
                                                        "tell application \"Notes\"\n"
                                                        "repeat with n in notes of folder f\n"
                                                        "        set n_name to name of n\n"
                                                        "        set globalNoteCounter to globalNoteCounter + 1\n"
                                                        "        if globalNoteCounter > globalDebugLimit then return\n"
                                                        "end tell");
}

TEST(ScriptPreparation, ScriptWithoutHookLinesPassesThrough)
{
    const std::string plain = "display dialog \"hi\"\nset destRootPOSIX to \"/elsewhere/\"\n";
    EXPECT_EQ(prepareExportScript(plain, "/out/", 5), plain);
    EXPECT_EQ(prepareExportScript("", "/out/", 5), "");
}

TEST(ExportProgressText, EstimatesOnlyWhenTheCountGrows)
{
    ExportProgressText text(100);
    EXPECT_EQ(text.next(0, 0.0), "Exporting notes... (0/100)");
    EXPECT_EQ(text.next(0, 2.5), "Exporting notes... (0/100) \u2022 Preparing export...");
    EXPECT_EQ(text.next(10, 5.0), "Exporting notes... (10/100) \u2022 ~45 seconds remaining");
    EXPECT_EQ(text.next(10, 5.5), "Exporting notes... (10/100)");
    EXPECT_EQ(ExportProgressText::estimate(1, 100, 10.0), "~16 minutes remaining");
    EXPECT_EQ(ExportProgressText::estimate(1, 1000, 10.0), "~2.8 hours remaining");
}
