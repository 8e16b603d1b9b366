// Capture dates of the files phones and cameras write, made here with Debian's own encoders (heif-enc,
// ffmpeg, ImageMagick) and tagged with exiftool or Exiv2.
#include "CaptureDateReader.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <exiv2/exiv2.hpp>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <time.h>

#include "PhotoMetadataService.h"
#include "ScopedTimeZone.h"
#include "TestDates.h"
#include "TestDir.h"
#include "TinyJpeg.h"

namespace {

namespace fs = std::filesystem;

/// Runs a shell command quietly; the test fails when it does.
void run(const std::string &command)
{
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
}

const char *const exifDates = "'-DateTimeOriginal=2021:04:11 09:08:07' '-OffsetTimeOriginal=+02:00'";

/// The little-endian TIFF structure that raw formats share: a header with `magic` (42 for TIFF), 8 bytes that
/// some makers fill (`makerBytes`), IFD0 at offset 16 pointing at an EXIF IFD that holds 09:08:07 at +02:00.
std::string rawTiff(std::uint16_t magic, const std::string &makerBytes = std::string(8, '\0'))
{
    std::string bytes;
    const auto u16 = [&bytes](std::uint32_t value) {
        bytes += static_cast<char>(value & 0xFF);
        bytes += static_cast<char>(value >> 8 & 0xFF);
    };
    const auto u32 = [&u16](std::uint32_t value) {
        u16(value & 0xFFFF);
        u16(value >> 16);
    };
    const auto entry = [&](std::uint32_t tag, std::uint32_t type, std::uint32_t count, std::uint32_t value) {
        u16(tag);
        u16(type);
        u32(count);
        u32(value);
    };
    bytes += "II";
    u16(magic);
    u32(16);
    bytes += makerBytes;
    u16(1); // IFD0 at 16: the EXIF pointer only
    entry(0x8769, 4, 1, 34);
    u32(0);
    u16(2); // EXIF IFD at 34: DateTimeOriginal and OffsetTimeOriginal, texts at 64 and 84
    entry(0x9003, 2, 20, 64);
    entry(0x9011, 2, 7, 84);
    u32(0);
    bytes += std::string("2021:04:11 09:08:07\0+02:00\0\0", 28);
    return bytes;
}

/// A Canon CR3: ISO media of brand "crx " whose movie box holds Canon's metadata box, in which CMT2 is a TIFF
/// whose first IFD is the EXIF IFD.
std::string cr3Bytes()
{
    const auto box = [](const char *type, const std::string &payload) {
        const std::size_t size = 8 + payload.size();
        std::string bytes;
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes += static_cast<char>(size >> shift & 0xFF);
        return bytes + type + payload;
    };
    // "II", 42, IFD at 8 with two entries, the texts at 38 and 58.
    const std::string exif = std::string("II\x2A\0\x08\0\0\0\x02\0", 10)
        + std::string("\x03\x90\x02\0\x14\0\0\0\x26\0\0\0", 12) + std::string("\x11\x90\x02\0\x07\0\0\0\x3A\0\0\0", 12)
        + std::string(4, '\0') + std::string("2021:04:11 09:08:07\0+02:00\0\0", 28);
    const std::string canonUuid("\x85\xC0\xB6\x87\x82\x0F\x11\xE0\x81\x11\xF4\xCE\x46\x2B\x6A\x48", 16);
    return box("ftyp", std::string("crx \0\0\0\x01crx isom", 16))
        + box("moov", box("uuid", canonUuid + box("CMT2", exif)));
}

/// A Fujifilm raw: the RAF header pointing at the embedded JPEG preview, whose first segment holds the EXIF.
std::string rafBytes()
{
    const std::string tiff = rawTiff(42);
    const std::size_t segment = 2 + 6 + tiff.size();
    const std::string preview = std::string("\xFF\xD8\xFF\xE1", 4) + static_cast<char>(segment >> 8)
        + static_cast<char>(segment & 0xFF) + std::string("Exif\0\0", 6) + tiff + "\xFF\xD9";
    std::string header = "FUJIFILMCCD-RAW 0201FF383501";
    header.resize(160, '\0');
    const auto putBigEndian = [&header](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i)
            header[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (24 - 8 * i));
    };
    putBigEndian(84, 160);
    putBigEndian(88, static_cast<std::uint32_t>(preview.size()));
    return header + preview;
}

/// A short clip made by ffmpeg with `options`, in H.264 unless they name another codec.
fs::path clip(const TestDir &dir, const std::string &name, const std::string &options)
{
    const fs::path file = dir.path() / name;
    const std::string codec = options.find("-c:v") == std::string::npos ? "-c:v libx264 -pix_fmt yuv420p " : "";
    run("ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=32x32:rate=5 -t 0.4 " + codec + options + " -y "
        + file.string());
    return file;
}

const std::string recorded = "-metadata creation_time=2021-04-11T07:08:07Z"; // 09:08:07 at +02:00

TEST(CaptureDateFormatsTest, photosAndVideosGiveTheirRecordedDates)
{
    TestDir dir;
    const ScopedTimeZone zone("UTC");
    const auto taken = utc(2021, 4, 11, 7, 8, 7); // 09:08:07 at +02:00
    struct Case {
        const char *label;
        std::function<fs::path()> make;
        std::optional<TimePoint> expected;
    };
    const std::vector<Case> cases = {
        { "HEIC from heif-enc, EXIF by exiftool",
            [&] {
                run("convert -size 64x64 xc:red " + (dir.path() / "src.png").string());
                run("heif-enc -q 50 " + (dir.path() / "src.png").string() + " -o " + (dir.path() / "a.heic").string());
                run(std::string("exiftool -q -overwrite_original ") + exifDates + " "
                    + (dir.path() / "a.heic").string());
                return dir.path() / "a.heic";
            },
            taken },
        { "AVIF",
            [&] {
                run("convert -size 64x64 xc:red -sampling-factor 4:2:0 " + (dir.path() / "src.jpg").string());
                run("heif-enc -A " + (dir.path() / "src.jpg").string() + " -o " + (dir.path() / "a.avif").string());
                run(std::string("exiftool -q -overwrite_original ") + exifDates + " "
                    + (dir.path() / "a.avif").string());
                return dir.path() / "a.avif";
            },
            taken },
        { "HEIC without EXIF",
            [&] {
                run("heif-enc -q 50 " + (dir.path() / "src.png").string() + " -o "
                    + (dir.path() / "bare.heif").string());
                return dir.path() / "bare.heif";
            },
            std::nullopt },
        // Damaged files give no date, without reading past their end: cut short, or with a box that claims more
        // bytes than the file holds.
        { "HEIC cut short",
            [&] {
                return dir.createFile(
                    "cut.heic", dir.read("a.heic").substr(0, fs::file_size(dir.path() / "a.heic") / 2));
            },
            std::nullopt },
        { "HEIC whose metadata box runs past the end",
            [&] {
                std::string bytes = dir.read("a.heic");
                bytes[static_cast<unsigned char>(bytes[3])] = '\x7F'; // the size of the box after the file type box
                return dir.createFile("long.heic", bytes);
            },
            std::nullopt },
        { "CR3 cut inside its metadata", [&] { return dir.createFile("cut.CR3", cr3Bytes().substr(0, 100)); },
            std::nullopt },
        { "CR3 whose movie box runs past the end",
            [&] { return dir.createFile("long.CR3", cr3Bytes().replace(24, 4, "\0\0\x10\0", 4)); }, std::nullopt },
        { "TIFF-based raw (DNG, NEF, ARW, PEF)", [&] { return dir.createFile("a.NEF", rawTiff(42)); }, taken },
        { "CR2: TIFF with Canon's marker",
            [&] { return dir.createFile("a.CR2", rawTiff(42, std::string("CR\x02\0\0\0\0\0", 8))); }, taken },
        { "ORF: Olympus' magic", [&] { return dir.createFile("a.ORF", rawTiff(0x4F52)); }, taken },
        { "RW2: Panasonic's magic", [&] { return dir.createFile("a.RW2", rawTiff(0x0055)); }, taken },
        { "CR3: ISO media with Canon's metadata boxes", [&] { return dir.createFile("a.CR3", cr3Bytes()); }, taken },
        { "RAF: header, embedded JPEG and sensor part", [&] { return dir.createFile("a.RAF", rafBytes()); }, taken },
        { "MP4 with the QuickTime creation date text (its own offset wins)",
            [&] {
                const fs::path file = clip(dir, "a.mp4", "-metadata creation_time=2030-01-01T00:00:00Z");
                run("exiftool -q -overwrite_original '-Keys:CreationDate=2021:04:11 09:08:07+02:00' " + file.string());
                return file;
            },
            taken },
        { "MOV with only the movie header's time (UTC)", [&] { return clip(dir, "a.mov", recorded); }, taken },
        { "MOV whose movie box follows a media box larger than one read (noise does not compress)",
            [&] {
                const fs::path file = dir.path() / "long.mov";
                run("ffmpeg -nostdin -loglevel error -f lavfi -i anoisesrc=d=3 -c:a pcm_s16le " + recorded + " -y "
                    + file.string());
                return file;
            },
            taken },
        { "MOV from a camera without a clock (1970)",
            [&] { return clip(dir, "zero.mov", "-metadata creation_time=1970-01-01T00:00:00Z"); }, std::nullopt },
        { "MOV without any time", [&] { return clip(dir, "none.m4v", "-f mp4"); }, std::nullopt },
        { "Matroska DateUTC", [&] { return clip(dir, "a.mkv", recorded); }, taken },
        { "WebM DateUTC", [&] { return clip(dir, "a.webm", "-c:v libvpx " + recorded); }, taken },
        { "a JPEG named .mov is read as the JPEG it is",
            [&] {
                const fs::path file = dir.createFile("photo.jpg", tinyJpeg());
                run(std::string("exiftool -q -overwrite_original ") + exifDates + " " + file.string());
                fs::rename(file, dir.path() / "photo.mov");
                return dir.path() / "photo.mov";
            },
            taken },
        { "an MP4 named .jpg is read as the clip it is",
            [&] {
                fs::copy_file(dir.path() / "a.mov", dir.path() / "clip.jpg");
                return dir.path() / "clip.jpg";
            },
            taken },
    };
    for (const Case &c : cases) {
        const fs::path file = c.make();
        if (::testing::Test::HasFatalFailure())
            return;
        EXPECT_EQ(describe(CaptureDateReader::read(file)), describe(c.expected)) << c.label;
    }
}

TEST(CaptureDateFormatsTest, videoDateTexts)
{
    const ScopedTimeZone zone("UTC");
    const std::vector<std::pair<const char *, std::optional<TimePoint>>> cases = {
        { "2021-04-11T09:08:07+0200", utc(2021, 4, 11, 7, 8, 7) },
        { "2021-04-11T09:08:07+02:00", utc(2021, 4, 11, 7, 8, 7) },
        { "2021-04-11T09:08:07-05", utc(2021, 4, 11, 14, 8, 7) },
        { "2021-04-11T07:08:07.000000Z", utc(2021, 4, 11, 7, 8, 7) },
        { "2021:04:11 07:08:07", utc(2021, 4, 11, 7, 8, 7) }, // no zone: the current one
        { "1970-06-01T00:00:00Z", std::nullopt },
        { "1904-01-01T00:00:00Z", std::nullopt },
        { "2021-04-11T09:08:07+2", std::nullopt },
        { "2021-04-11T09:08:07 +02:00", std::nullopt },
        { "2021-04-11", std::nullopt },
        { "", std::nullopt },
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(describe(CaptureDateReader::parseVideoDateText(text)), describe(expected)) << text;
}

/// Bytes this thread has read through read(2) and pread(2) so far.
std::int64_t bytesReadByThisThread()
{
    std::ifstream io("/proc/thread-self/io");
    std::string key;
    std::int64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:")
            return value;
    }
    return -1;
}

TEST(CaptureDateFormatsTest, specialFilesAndHugeMetadataNeitherHangNorReadEverything)
{
    TestDir dir;
    const ScopedTimeZone zone("UTC");
    // A FIFO and a device node with photo and video extensions: refused without blocking.
    const fs::path fifo = dir.path() / "pipe.heic";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path device = dir.path() / "null.jpg";
    ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 3)), 0);
    fs::create_symlink(fifo, dir.path() / "link.mov");
    for (const fs::path &path : { fifo, device, dir.path() / "link.mov" })
        EXPECT_EQ(describe(CaptureDateReader::read(path)), "none") << path;

    // A clip whose metadata block holds 100 MB: the date is not read past the budget.
    const fs::path big = clip(dir, "big.mp4", recorded);
    writeFile(dir.path() / "comment.txt", std::string(100 * 1024 * 1024, 'x'));
    run("exiftool -q -overwrite_original '-QuickTime:Comment<=" + (dir.path() / "comment.txt").string() + "' "
        + big.string());
    ASSERT_GT(fs::file_size(big), 100u * 1024 * 1024);
    const std::int64_t before = bytesReadByThisThread();
    (void)CaptureDateReader::read(big);
    const std::int64_t read = bytesReadByThisThread() - before;
    EXPECT_LE(read, CaptureDateReader::readBudget + 1024 * 1024);
}

} // namespace
