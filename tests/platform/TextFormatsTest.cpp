#include "platform/ByteCount.h"
#include "platform/DiskSpace.h"
#include "platform/Files.h"
#include "platform/Iso8601.h"
#include "platform/OutputFile.h"
#include "platform/Percent.h"
#include "support/TempDir.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace varnholt;

TEST(Iso8601, FormatsUtcWithWholeSecondsAndAppleEpoch)
{
    EXPECT_EQ(formatIso8601(0.0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(formatIso8601(kAppleReferenceOffset), "2001-01-01T00:00:00Z");
    EXPECT_EQ(formatIso8601(1709647402.9), "2024-03-05T14:03:22Z");
    EXPECT_EQ(formatIso8601(-1.5), "1969-12-31T23:59:58Z");
    EXPECT_EQ(formatIso8601(std::numeric_limits<double>::infinity()), "9999-12-31T23:59:59Z");
    EXPECT_EQ(formatIso8601(std::nan("")), "1970-01-01T00:00:00Z");
}

TEST(ByteCount, ShortDecimalSizes)
{
    EXPECT_EQ(formatByteCount(0), "Zero KB");
    EXPECT_EQ(formatByteCount(1), "1 byte");
    EXPECT_EQ(formatByteCount(999), "999 bytes");
    EXPECT_EQ(formatByteCount(1000), "1 KB");
    EXPECT_EQ(formatByteCount(12345), "12 KB");
    EXPECT_EQ(formatByteCount(3'400'000), "3.4 MB");
    EXPECT_EQ(formatByteCount(1'250'000'000), "1.25 GB");
    EXPECT_EQ(formatByteCount(999'999), "1 MB");
}

TEST(Percent, TruncatesAndSurvivesBadFractions)
{
    EXPECT_EQ(percentOf(0.999), 99);
    EXPECT_EQ(percentOf(1.0), 100);
    EXPECT_EQ(percentOf(std::nan("")), 0);
    EXPECT_EQ(percentOf(std::numeric_limits<double>::infinity()), 100);
    EXPECT_EQ(percentOf(-3.0), 0);
    EXPECT_EQ(percentOf(1e300), 100);
}

TEST(Files, WithinChecksAndAtomicWrites)
{
    EXPECT_TRUE(isWithin("/out", "/out/a/b.txt"));
    EXPECT_TRUE(isWithin("/out/", "/out/a"));
    EXPECT_FALSE(isWithin("/out", "/out/../etc/passwd"));
    EXPECT_FALSE(isWithin("/out", "/outside/x"));
    EXPECT_FALSE(isWithin("/out", "/etc"));

    test::TempDir dir;
    const auto file = dir / "f.json";
    ASSERT_TRUE(writeFileAtomically(file, "first"));
    ASSERT_TRUE(writeFileAtomically(file, "second"));
    EXPECT_EQ(*readFile(file), "second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary left behind";

    ASSERT_TRUE(writeFile(dir / "plain", "x"));
    auto blocked = createDirectories(dir / "plain" / "sub");
    ASSERT_FALSE(blocked);
    EXPECT_NE(blocked.error().description().find("plain"), std::string::npos);
    EXPECT_FALSE(writeFileAtomically(dir / "missing-folder" / "f", "x"));
}

TEST(OutputFile, WritesInPiecesOfAnySizeAndReportsAFullDisk)
{
    test::TempDir dir;
    std::string expected;
    for (const OutputFile::Replace replace : {OutputFile::Replace::inPlace, OutputFile::Replace::atomically}) {
        auto file = OutputFile::create(dir / "big", replace);
        ASSERT_TRUE(file);
        expected.clear();
        for (size_t size : {size_t{1}, size_t{70000}, size_t{65535}, size_t{3}, size_t{200000}, size_t{0}}) {
            const std::string piece(size, static_cast<char>('a' + size % 26));
            file->write(piece);
            expected += piece;
        }
        ASSERT_TRUE(file->commit());
        EXPECT_EQ(*readFile(dir / "big"), expected);
    }
    auto blocked = OutputFile::create(dir / "missing-folder" / "f", OutputFile::Replace::atomically);
    ASSERT_FALSE(blocked);
    EXPECT_EQ(blocked.error().description().rfind("Could not create", 0), 0u);

    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full on this machine";
    auto full = OutputFile::create("/dev/full", OutputFile::Replace::inPlace);
    ASSERT_TRUE(full);
    full->write(std::string(100000, 'x'));
    EXPECT_TRUE(full->failed());
    auto committed = full->commit();
    ASSERT_FALSE(committed);
    // Which disk is full, and how much is left on it, is part of the error every front end shows.
    EXPECT_EQ(committed.error().description().rfind(
                  "Could not write \u201c/dev/full\u201d: No space left on device (the disk mounted at /", 0),
              0u)
        << committed.error().description();
    EXPECT_EQ(committed.error().kind(), ErrorKind::diskFull);
    EXPECT_TRUE(std::filesystem::exists("/dev/full"));
}

TEST(DiskSpace, NamesTheMountPointAndFreeSpaceOfAPathNotMadeYet)
{
    test::TempDir dir;
    const DiskSpace space = diskSpaceAt(dir / "not/made/yet");
    ASSERT_FALSE(space.mountPoint.empty());
    EXPECT_TRUE(isWithin(space.mountPoint, dir.path())) << space.mountPoint;
    ASSERT_TRUE(space.available);
    // Other programs write meanwhile: the figure itself may move.
    const std::string described = describeDiskSpace(dir / "not/made/yet");
    EXPECT_EQ(described.rfind("the disk mounted at " + space.mountPoint.string() + " has ", 0), 0u) << described;
    EXPECT_TRUE(described.ends_with(" free")) << described;
}
