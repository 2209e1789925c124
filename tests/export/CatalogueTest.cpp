#include "export/DefaultOutputPath.h"
#include "model/ExportFormat.h"
#include "model/ExporterType.h"
#include "model/Presentation.h"

#include <ctime>
#include <gtest/gtest.h>
#include <regex>

using namespace varnholt;

TEST(ExporterType, RawValuesMatchExactly)
{
    std::vector<std::string> raws;
    for (ExporterType t : kAllExporterTypes)
        raws.emplace_back(rawValue(t));
    EXPECT_EQ(raws,
              (std::vector<std::string>{"Notes", "VoiceMemos", "Messages", "Photos", "Contacts", "Safari", "Health"}));
    EXPECT_EQ(exporterTypeFromRawValue("VoiceMemos"), ExporterType::voiceMemos);
    EXPECT_FALSE(exporterTypeFromRawValue("Voice Memos"));
    EXPECT_FALSE(exporterTypeFromRawValue("notes"));
    for (ExporterType t : kAllExporterTypes)
        EXPECT_EQ(exporterTypeFromRawValue(rawValue(t)), t);

    EXPECT_TRUE(requiresFDA(ExporterType::messages));
    EXPECT_TRUE(requiresFDA(ExporterType::safari));
    EXPECT_FALSE(requiresFDA(ExporterType::notes));
}

TEST(Presentation, ImplementedSourcesAndFallbacks)
{
    EXPECT_EQ(appTitle(ExporterType::voiceMemos), "Voice Memos Varnholt");
    EXPECT_EQ(appSubtitle(ExporterType::messages), "Export your iMessage conversations");
    EXPECT_EQ(iconColor(ExporterType::notes), (RgbColor{1.0, 0.8, 0.0}));
    for (ExporterType t : {ExporterType::photos, ExporterType::contacts, ExporterType::safari, ExporterType::health}) {
        EXPECT_EQ(appTitle(t), "Varnholt");
        EXPECT_EQ(appSubtitle(t), "Export your data");
        EXPECT_FALSE(iconColor(t)) << "accent colour";
        EXPECT_FALSE(isImplemented(t));
    }
    EXPECT_EQ(buttonText(ExporterType::contacts), "Export Contacts & Calendar");
    EXPECT_EQ(buttonText(ExporterType::health), "Export Health Data");
    EXPECT_EQ(buttonText(ExporterType::notes), "Export Notes");
    EXPECT_TRUE(isImplemented(ExporterType::notes) && isImplemented(ExporterType::voiceMemos) &&
                isImplemented(ExporterType::messages));
}

TEST(ExportFormat, FastModeShowsHtmlAsText)
{
    EXPECT_EQ(offeredFormats(NotesMethod::standard),
              (std::vector<ExportFormat>{ExportFormat::html, ExportFormat::markdown, ExportFormat::pdf,
                                         ExportFormat::rtf, ExportFormat::txt}));
    EXPECT_EQ(offeredFormats(NotesMethod::fast), (std::vector<ExportFormat>{ExportFormat::html, ExportFormat::json}));
    EXPECT_EQ(formatTitle(ExportFormat::html, NotesMethod::fast), "TXT");
    EXPECT_EQ(formatDescription(ExportFormat::html, NotesMethod::fast), "Plain text files (.txt)");
    EXPECT_EQ(formatTitle(ExportFormat::html, NotesMethod::standard), "HTML");
    EXPECT_EQ(formatDescription(ExportFormat::json, NotesMethod::fast), "NDJSON format for fast processing");
    EXPECT_EQ(defaultFormatSelection(), ExportFormatSet{ExportFormat::html});
    EXPECT_EQ(exportFormatFromRawValue("Markdown"), ExportFormat::markdown);
    EXPECT_FALSE(exportFormatFromRawValue("markdown"));
}

TEST(DefaultOutputPath, NamedAfterSourceAndLocalTime)
{
    std::tm local{};
    local.tm_year = 2025 - 1900;
    local.tm_mon = 0;
    local.tm_mday = 31;
    local.tm_hour = 14;
    local.tm_min = 25;
    local.tm_sec = 3;
    local.tm_isdst = -1;
    const auto moment = std::chrono::system_clock::from_time_t(std::mktime(&local)) + std::chrono::milliseconds(900);

    EXPECT_EQ(defaultOutputPath(ExporterType::notes, moment, "/home/ann"), "/home/ann/notes_export_20250131_142503");
    EXPECT_EQ(defaultOutputPath(ExporterType::voiceMemos, moment, "/home/ann"),
              "/home/ann/voice_memos_export_20250131_142503");
    EXPECT_EQ(defaultOutputFolderName(ExporterType::messages, moment), "messages_export_20250131_142503");
    EXPECT_EQ(defaultOutputFolderName(ExporterType::safari, moment), "safari_export_20250131_142503");
    EXPECT_EQ(defaultOutputFolderName(ExporterType::contacts, moment), "contacts_export_20250131_142503");
    EXPECT_EQ(defaultOutputPath(ExporterType::notes, moment, "/h"),
              defaultOutputPath(ExporterType::notes, moment + std::chrono::milliseconds(50), "/h"));
}
