#include "export/DefaultOutputPath.h"
#include "model/ExporterType.h"

#include <ctime>
#include <gtest/gtest.h>

using namespace varnholt;

TEST(ExporterType, RawValuesRoundTripExactlyAndTheFullDiskAccessSources)
{
    for (ExporterType t : kAllExporterTypes)
        EXPECT_EQ(exporterTypeFromRawValue(rawValue(t)), t);
    EXPECT_EQ(rawValue(ExporterType::voiceMemos), "VoiceMemos");
    EXPECT_FALSE(exporterTypeFromRawValue("Voice Memos"));
    EXPECT_FALSE(exporterTypeFromRawValue("notes"));

    EXPECT_TRUE(requiresFDA(ExporterType::messages));
    EXPECT_TRUE(requiresFDA(ExporterType::safari));
    EXPECT_FALSE(requiresFDA(ExporterType::notes));
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

    EXPECT_EQ(defaultOutputPath(ExporterType::voiceMemos, moment, "/home/ann"),
              "/home/ann/voice_memos_export_20250131_142503");
    EXPECT_EQ(defaultOutputFolderName(ExporterType::messages, moment), "messages_export_20250131_142503");
    EXPECT_EQ(defaultOutputPath(ExporterType::notes, moment, "/h"),
              defaultOutputPath(ExporterType::notes, moment + std::chrono::milliseconds(50), "/h"));
}
