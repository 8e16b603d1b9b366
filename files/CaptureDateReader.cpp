#include "CaptureDateReader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <exiv2/exiv2.hpp>
#include <fcntl.h>
#include <libheif/heif.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

#include "Log.h"
#include "PhotoMetadataService.h"

namespace {

/// The one descriptor of the file being read, with a running count of the bytes read through it so that no
/// reader can pull more than `CaptureDateReader::readBudget` from one file.
class FileSource final {
public:
    FileSource(int fd, std::int64_t size)
        : m_fd(fd)
        , m_size(size)
    {
    }

    int fd() const { return m_fd; }
    std::int64_t size() const { return m_size; }

    /// Reads up to `count` bytes at `offset`; fewer at the end of the file, -1 on an error or when the
    /// budget is spent.
    std::int64_t readAt(void *buffer, std::int64_t count, std::int64_t offset)
    {
        if (offset < 0 || count < 0)
            return -1;
        count = std::min(count, m_size - offset); // below zero past the end: nothing is read
        if (m_bytesRead + count > CaptureDateReader::readBudget)
            return -1;
        std::int64_t done = 0;
        while (done < count) {
            const ssize_t got = ::pread(m_fd, static_cast<char *>(buffer) + done,
                static_cast<std::size_t>(count - done), static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return -1;
            if (got == 0)
                break;
            done += got;
        }
        m_bytesRead += done;
        return done;
    }

private:
    int m_fd;
    std::int64_t m_size;
    std::int64_t m_bytesRead = 0;
};

/// Closes a descriptor when leaving scope.
class Descriptor final {
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// ---- Photos through Exiv2 ----

/// Exiv2's input over the already opened descriptor: reads with pread within the budget, and maps the file
/// read-only for the TIFF-based formats, which parse from a mapping (only the pages touched are read).
class DescriptorIo final : public Exiv2::BasicIo {
public:
    explicit DescriptorIo(FileSource &source)
        : m_source(source)
    {
    }
    ~DescriptorIo() override { (void)munmap(); }

    int open() override
    {
        m_position = 0;
        m_eof = false;
        return 0;
    }
    int close() override { return munmap(); }
    long write(const Exiv2::byte *, long) override { return 0; }
    long write(Exiv2::BasicIo &) override { return 0; }
    int putb(Exiv2::byte) override { return EOF; }
    void transfer(Exiv2::BasicIo &) override { throw Exiv2::Error(Exiv2::kerCallFailed, "transfer"); }

    Exiv2::DataBuf read(long count) override
    {
        if (count < 0 || count > static_cast<long>(size()))
            throw Exiv2::Error(Exiv2::kerInvalidMalloc);
        Exiv2::DataBuf buffer(count);
        const long got = read(buffer.pData_, count);
        buffer.size_ = std::max(got, 0L);
        return buffer;
    }
    long read(Exiv2::byte *buffer, long count) override
    {
        const std::int64_t got = m_source.readAt(buffer, count, m_position);
        if (got < 0) {
            m_error = 1;
            return 0;
        }
        m_position += got;
        if (got < count)
            m_eof = true;
        return static_cast<long>(got);
    }
    int getb() override
    {
        Exiv2::byte byte = 0;
        return read(&byte, 1) == 1 ? byte : EOF;
    }
    int seek(long offset, Exiv2::BasicIo::Position from) override
    {
        const std::int64_t base = from == Exiv2::BasicIo::beg ? 0
            : from == Exiv2::BasicIo::cur                     ? m_position
                                                              : m_source.size();
        if (offset > LONG_MAX - base)
            return 1;
        const std::int64_t target = base + offset;
        if (target < 0 || target > m_source.size())
            return 1;
        m_position = target;
        m_eof = false;
        return 0;
    }
    Exiv2::byte *mmap(bool writable) override
    {
        if (writable)
            throw Exiv2::Error(Exiv2::kerCallFailed, "mmap");
        if (m_map == nullptr && m_source.size() > 0) {
            void *map
                = ::mmap(nullptr, static_cast<std::size_t>(m_source.size()), PROT_READ, MAP_PRIVATE, m_source.fd(), 0);
            if (map == MAP_FAILED)
                throw Exiv2::Error(Exiv2::kerCallFailed, "mmap");
            m_map = map;
        }
        return static_cast<Exiv2::byte *>(m_map);
    }
    int munmap() override
    {
        if (m_map != nullptr)
            ::munmap(m_map, static_cast<std::size_t>(m_source.size()));
        m_map = nullptr;
        return 0;
    }
    long tell() const override { return static_cast<long>(m_position); }
    std::size_t size() const override { return static_cast<std::size_t>(m_source.size()); }
    bool isopen() const override { return true; }
    int error() const override { return m_error; }
    bool eof() const override { return m_eof; }
    std::string path() const override { return "capture date source"; }

private:
    FileSource &m_source;
    std::int64_t m_position = 0;
    void *m_map = nullptr;
    int m_error = 0;
    bool m_eof = false;
};

void prepareExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Corrupt EXIF blocks would otherwise be reported on standard error for every file listed.
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        // The XMP toolkit's lazy set-up is not thread-safe; doing it once here makes later reads safe.
        (void)Exiv2::XmpParser::initialize();
        // ISO media images (CR3 and others) are read only once this is switched on; it is a process-wide flag,
        // so it is set here, before any read, under the once flag.
        Exiv2::enableBMFF(true);
    });
}

/// The text of the EXIF or TIFF tag `key`, when the file holds it as a string.
std::optional<std::string> exifText(const Exiv2::ExifData &exif, const Exiv2::ExifKey &key)
{
    // findKey, not operator[], which would insert an empty tag.
    const auto datum = exif.findKey(key);
    if (datum == exif.end())
        return std::nullopt;
    if (datum->typeId() != Exiv2::asciiString && datum->typeId() != Exiv2::string)
        return std::nullopt;
    std::string text = datum->toString();
    // A writer may pad the fixed-size field with NULs; the text ends at the first one.
    if (const auto nul = text.find('\0'); nul != std::string::npos)
        text.resize(nul);
    return text;
}

std::unique_ptr<icu::TimeZone> hostZone()
{
    // Looked up at each read so that a change of TZ during the run is seen.
    return std::unique_ptr<icu::TimeZone>(icu::TimeZone::detectHostTimeZone());
}

std::optional<TimePoint> captureDateFromExif(const Exiv2::ExifData &exif)
{
    static const Exiv2::ExifKey offsetKey("Exif.Photo.OffsetTimeOriginal");
    static const Exiv2::ExifKey originalKey("Exif.Photo.DateTimeOriginal");
    static const Exiv2::ExifKey digitizedKey("Exif.Photo.DateTimeDigitized");
    static const Exiv2::ExifKey tiffKey("Exif.Image.DateTime");

    std::unique_ptr<icu::TimeZone> currentZone;
    const auto current = [&currentZone]() -> const icu::TimeZone & {
        if (!currentZone)
            currentZone = hostZone();
        return *currentZone;
    };

    std::unique_ptr<icu::TimeZone> offsetZone;
    if (const auto offsetText = exifText(exif, offsetKey)) {
        if (const auto seconds = PhotoMetadataService::timeZoneFromExifOffset(*offsetText))
            offsetZone = PhotoMetadataService::fixedOffsetZone(*seconds);
    }
    for (const Exiv2::ExifKey *key : { &originalKey, &digitizedKey }) {
        if (const auto text = exifText(exif, *key)) {
            const auto date = PhotoMetadataService::parseExifDateText(*text, offsetZone ? *offsetZone : current());
            if (date)
                return date;
        }
    }
    // The offset belongs to the original capture time, not to the TIFF modification stamp.
    if (const auto text = exifText(exif, tiffKey))
        return PhotoMetadataService::parseExifDateText(*text, current());
    return std::nullopt;
}

std::optional<TimePoint> readWithExiv2(FileSource &source)
{
    prepareExiv2();
    try {
        Exiv2::BasicIo::AutoPtr io(new DescriptorIo(source));
        Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(io);
        if (image.get() == nullptr)
            return std::nullopt;
        // Reads the metadata segments only; pixel data is never decoded.
        image->readMetadata();
        return captureDateFromExif(image->exifData());
    } catch (...) {
        // Exiv2 throws for anything that is not a readable image (text, empty, truncated files): no date.
        return std::nullopt;
    }
}

// ---- Decoder libraries, loaded on first use ----

// libavformat and libheif are opened when the first video or HEIF photo is read, not linked: with their codecs
// and network libraries they add some 140 shared objects and about 45 ms to the start of every process, which
// a command line that renames a few thousand files would spend mostly on loading them. The headers still come
// from the packages, so the types and the library major versions are the ones built against.

/// A shared library opened for good; absent when it cannot be loaded (the reason goes to the log once).
void *openLibrary(const std::string &soname)
{
    void *handle = ::dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char *reason = ::dlerror();
        logMessage("Cannot load " + soname + ": " + (reason ? reason : "unknown error"));
    }
    return handle;
}

/// The function `name` of `library` as a pointer of type `Function`; null, and `missing` set, when either is
/// missing.
template <typename Function> Function symbol(void *library, const char *name, bool &missing)
{
    // POSIX guarantees that an object pointer from dlsym converts to a function pointer.
    const Function function = library == nullptr ? nullptr : reinterpret_cast<Function>(::dlsym(library, name));
    missing |= function == nullptr;
    return function;
}

// Declares the member `name`, loaded from `library`; the struct's `missing`, declared before, records a failure.
#define QUORVANE_LOADED(library, name) decltype(&::name) name = symbol<decltype(&::name)>(library, #name, missing)

/// The libheif functions the capture dates need, named as in libheif.
struct HeifLibrary {
    bool missing = false;
    void *library = openLibrary("libheif.so." + std::to_string(LIBHEIF_NUMERIC_VERSION >> 24));
    QUORVANE_LOADED(library, heif_init);
    QUORVANE_LOADED(library, heif_context_alloc);
    QUORVANE_LOADED(library, heif_context_free);
    QUORVANE_LOADED(library, heif_context_read_from_reader);
    QUORVANE_LOADED(library, heif_context_get_primary_image_handle);
    QUORVANE_LOADED(library, heif_image_handle_release);
    QUORVANE_LOADED(library, heif_image_handle_get_list_of_metadata_block_IDs);
    QUORVANE_LOADED(library, heif_image_handle_get_metadata_size);
    QUORVANE_LOADED(library, heif_image_handle_get_metadata);

    bool complete() const { return !missing; }
};

/// The libavformat and libavutil functions the capture dates need, named as in FFmpeg.
struct AvLibrary {
    bool missing = false;
    void *util = openLibrary("libavutil.so." AV_STRINGIFY(LIBAVUTIL_VERSION_MAJOR));
    void *format = util ? openLibrary("libavformat.so." AV_STRINGIFY(LIBAVFORMAT_VERSION_MAJOR)) : nullptr;
    QUORVANE_LOADED(util, av_log_set_level);
    QUORVANE_LOADED(util, av_max_alloc);
    QUORVANE_LOADED(util, av_malloc);
    QUORVANE_LOADED(util, av_free);
    QUORVANE_LOADED(util, av_freep);
    QUORVANE_LOADED(util, av_dict_get);
    QUORVANE_LOADED(format, avio_alloc_context);
    QUORVANE_LOADED(format, avio_context_free);
    QUORVANE_LOADED(format, avformat_alloc_context);
    QUORVANE_LOADED(format, av_find_input_format);
    QUORVANE_LOADED(format, avformat_open_input);
    QUORVANE_LOADED(format, avformat_close_input);

    bool complete() const { return !missing; }
};

#undef QUORVANE_LOADED

/// The loaded library, or null when it or one of its functions is missing (such files then have no capture
/// date). Loaded once, thread-safe.
template <typename Library> const Library *loaded()
{
    static const std::unique_ptr<Library> library = [] {
        auto candidate = std::make_unique<Library>();
        return candidate->complete() ? std::move(candidate) : nullptr;
    }();
    return library.get();
}

// ---- HEIF and AVIF through libheif ----

struct HeifInput {
    FileSource &source;
    std::int64_t position = 0;
};

heif_reader heifReader()
{
    heif_reader reader {};
    reader.reader_api_version = 1;
    reader.get_position = [](void *input) { return static_cast<HeifInput *>(input)->position; };
    reader.read = [](void *data, std::size_t size, void *opaque) {
        auto *input = static_cast<HeifInput *>(opaque);
        if (size > static_cast<std::size_t>(INT64_MAX))
            return 1;
        const auto wanted = static_cast<std::int64_t>(size);
        if (input->source.readAt(data, wanted, input->position) != wanted)
            return 1;
        input->position += wanted;
        return 0;
    };
    reader.seek = [](std::int64_t position, void *opaque) {
        auto *input = static_cast<HeifInput *>(opaque);
        if (position < 0 || position > input->source.size())
            return 1;
        input->position = position;
        return 0;
    };
    reader.wait_for_file_size = [](std::int64_t target, void *opaque) {
        return target <= static_cast<HeifInput *>(opaque)->source.size() ? heif_reader_grow_status_size_reached
                                                                         : heif_reader_grow_status_size_beyond_eof;
    };
    return reader;
}

/// The EXIF blocks attached to `handle`, decoded; the first one with a date wins.
std::optional<TimePoint> heifExifDate(const HeifLibrary &heif, const heif_image_handle *handle)
{
    std::array<heif_item_id, 8> ids {};
    const int count = heif.heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", ids.data(), ids.size());
    for (int i = 0; i < count; ++i) {
        const std::size_t size = heif.heif_image_handle_get_metadata_size(handle, ids[static_cast<std::size_t>(i)]);
        if (size < 8 || size > static_cast<std::size_t>(CaptureDateReader::readBudget))
            continue;
        std::vector<Exiv2::byte> block(size);
        if (heif.heif_image_handle_get_metadata(handle, ids[static_cast<std::size_t>(i)], block.data()).code
            != heif_error_Ok)
            continue;
        // The block starts with the big-endian offset of the TIFF header that follows it.
        const std::uint32_t skip = (std::uint32_t { block[0] } << 24) | (std::uint32_t { block[1] } << 16)
            | (std::uint32_t { block[2] } << 8) | std::uint32_t { block[3] };
        if (skip > size - 4)
            continue;
        try {
            Exiv2::ExifData exif;
            Exiv2::ExifParser::decode(exif, block.data() + 4 + skip, static_cast<std::uint32_t>(size - 4 - skip));
            if (const auto date = captureDateFromExif(exif))
                return date;
        } catch (...) {
            continue;
        }
    }
    return std::nullopt;
}

std::optional<TimePoint> readWithLibheif(FileSource &source)
{
    const HeifLibrary *heif = loaded<HeifLibrary>();
    if (heif == nullptr)
        return std::nullopt;
    prepareExiv2();
    static std::once_flag once;
    // libheif registers its plug-ins on first use, which is not safe from two threads at once.
    std::call_once(once, [heif] { (void)heif->heif_init(nullptr); });
    std::unique_ptr<heif_context, decltype(&heif_context_free)> context(
        heif->heif_context_alloc(), heif->heif_context_free);
    if (!context)
        return std::nullopt;
    HeifInput input { source };
    const heif_reader reader = heifReader();
    if (heif->heif_context_read_from_reader(context.get(), &reader, &input, nullptr).code != heif_error_Ok)
        return std::nullopt;
    heif_image_handle *primary = nullptr;
    if (heif->heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok
        || primary == nullptr)
        return std::nullopt;
    std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> owned(
        primary, heif->heif_image_handle_release);
    return heifExifDate(*heif, primary);
}

// ---- Videos through libavformat ----

struct AvInput {
    FileSource &source;
    std::int64_t position = 0;
};

int avRead(void *opaque, std::uint8_t *buffer, int size)
{
    auto *input = static_cast<AvInput *>(opaque);
    const std::int64_t got = input->source.readAt(buffer, size, input->position);
    if (got < 0)
        return AVERROR(EIO);
    if (got == 0)
        return AVERROR_EOF;
    input->position += got;
    return static_cast<int>(got);
}

std::int64_t avSeek(void *opaque, std::int64_t offset, int whence)
{
    auto *input = static_cast<AvInput *>(opaque);
    const std::int64_t size = input->source.size();
    if (whence & AVSEEK_SIZE)
        return size;
    const std::int64_t base = (whence & ~AVSEEK_FORCE) == SEEK_CUR ? input->position
        : (whence & ~AVSEEK_FORCE) == SEEK_END                     ? size
                                                                   : 0;
    if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0)
        return AVERROR(EINVAL);
    input->position = base + offset;
    return input->position;
}

enum class Container { exiv2, heif, quickTime, matroska };

std::optional<TimePoint> readWithLibavformat(FileSource &source, Container container)
{
    const AvLibrary *av = loaded<AvLibrary>();
    if (av == nullptr)
        return std::nullopt;
    static std::once_flag once;
    std::call_once(once, [av] {
        // The demuxers would otherwise report every damaged file on standard error.
        av->av_log_set_level(AV_LOG_QUIET);
        // A damaged count in a small file (the QuickTime metadata keys, for one) makes the demuxer ask for a
        // zeroed block of up to 4 GiB, which takes seconds and all memory. No metadata of a real recording
        // needs a block near this size; the process uses FFmpeg for nothing else.
        av->av_max_alloc(64 * 1024 * 1024);
    });

    constexpr int bufferSize = 64 * 1024;
    AvInput input { source };
    auto *buffer = static_cast<unsigned char *>(av->av_malloc(bufferSize));
    if (buffer == nullptr)
        return std::nullopt;
    AVIOContext *io = av->avio_alloc_context(buffer, bufferSize, 0, &input, &avRead, nullptr, &avSeek);
    if (io == nullptr) {
        av->av_free(buffer);
        return std::nullopt;
    }
    AVFormatContext *format = av->avformat_alloc_context();
    std::optional<TimePoint> result;
    if (format != nullptr) {
        format->pb = io;
        format->flags |= AVFMT_FLAG_CUSTOM_IO;
        // The demuxer is chosen from the content already seen, so nothing is probed.
        const AVInputFormat *demuxer = av->av_find_input_format(container == Container::matroska ? "matroska" : "mov");
        // On failure avformat_open_input frees the context itself.
        if (av->avformat_open_input(&format, nullptr, demuxer, nullptr) == 0) {
            const AVDictionaryEntry *recorded
                = av->av_dict_get(format->metadata, "com.apple.quicktime.creationdate", nullptr, 0);
            if (recorded != nullptr && container == Container::quickTime)
                result = CaptureDateReader::parseVideoDateText(recorded->value);
            // The movie header's creation time (UTC) or Matroska's DateUTC, as the demuxer writes them.
            const AVDictionaryEntry *created = av->av_dict_get(format->metadata, "creation_time", nullptr, 0);
            if (!result && created != nullptr) {
                result = CaptureDateReader::parseVideoDateText(created->value);
                // Matroska counts from 2001-01-01; a zero there is no date.
                constexpr TimePoint matroskaZero { std::chrono::sys_days { std::chrono::year { 2001 } / 1 / 1 } };
                if (container == Container::matroska && result == matroskaZero)
                    result.reset();
            }
            av->avformat_close_input(&format);
        }
    }
    av->av_freep(&io->buffer);
    av->avio_context_free(&io);
    return result;
}

// ---- Choosing the reader by content ----

bool sameBytes(const unsigned char *bytes, const char *text)
{
    return std::memcmp(bytes, text, std::strlen(text)) == 0;
}

Container containerOf(const unsigned char *head, std::int64_t length)
{
    // `head` is zero past `length`, and no signature holds a zero byte, so a short head matches only what it holds.
    if (sameBytes(head, "\x1A\x45\xDF\xA3"))
        return Container::matroska;
    const unsigned char *type = head + 4;
    if (sameBytes(type, "ftyp")) {
        static constexpr const char *heifBrands[]
            = { "heic", "heix", "hevc", "hevx", "heim", "heis", "hevm", "hevs", "mif1", "msf1", "avif", "avis" };
        const auto isHeif = [](const unsigned char *brand) {
            return std::any_of(std::begin(heifBrands), std::end(heifBrands),
                [brand](const char *known) { return sameBytes(brand, known); });
        };
        // Canon's CR3 and other ISO media images that Exiv2 reads.
        if (sameBytes(head + 8, "crx ") || sameBytes(head + 8, "jxl "))
            return Container::exiv2;
        const std::uint32_t boxSize = (std::uint32_t { head[0] } << 24) | (std::uint32_t { head[1] } << 16)
            | (std::uint32_t { head[2] } << 8) | std::uint32_t { head[3] };
        const std::int64_t end = std::min<std::int64_t>(boxSize, length);
        bool heif = isHeif(head + 8);
        for (std::int64_t at = 16; !heif && at + 4 <= end; at += 4)
            heif = isHeif(head + at);
        return heif ? Container::heif : Container::quickTime;
    }
    // QuickTime files older than the file type box start with one of these atoms.
    for (const char *atom : { "moov", "mdat", "wide", "free", "skip", "pnot" }) {
        if (sameBytes(type, atom))
            return Container::quickTime;
    }
    return Container::exiv2;
}

} // namespace

std::optional<TimePoint> CaptureDateReader::read(const std::filesystem::path &path)
{
    // One open: a path swapped for a FIFO or a link between a check and a second open cannot block or
    // redirect the read, and a FIFO opened without blocking is refused by the type check below.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.get() < 0)
        return std::nullopt;
    struct stat info { };
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    FileSource source(file.get(), static_cast<std::int64_t>(info.st_size));
    std::array<unsigned char, 256> head {};
    const std::int64_t length = source.readAt(head.data(), head.size(), 0);
    if (length <= 0)
        return std::nullopt;
    switch (containerOf(head.data(), length)) {
    case Container::heif:
        return readWithLibheif(source);
    case Container::quickTime:
        return readWithLibavformat(source, Container::quickTime);
    case Container::matroska:
        return readWithLibavformat(source, Container::matroska);
    case Container::exiv2:
        break;
    }
    return readWithExiv2(source);
}

std::optional<TimePoint> CaptureDateReader::parseVideoDateText(std::string_view text)
{
    // "yyyy-MM-ddTHH:mm:ss" (or with ":" in the date and a space before the time), then optional fractions
    // of a second, then "Z", "+hh:mm", "+hhmm", "+hh" or nothing.
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0'))
        text.remove_suffix(1);
    if (text.size() < 19)
        return std::nullopt;
    std::string exifShape(text.substr(0, 19));
    for (const std::size_t at : { std::size_t { 4 }, std::size_t { 7 } }) {
        if (exifShape[at] != '-' && exifShape[at] != ':')
            return std::nullopt;
        exifShape[at] = ':';
    }
    if (exifShape[10] != 'T' && exifShape[10] != ' ')
        return std::nullopt;
    exifShape[10] = ' ';
    std::string_view rest = text.substr(19);
    if (!rest.empty() && rest.front() == '.') {
        rest.remove_prefix(1);
        while (!rest.empty() && rest.front() >= '0' && rest.front() <= '9')
            rest.remove_prefix(1);
    }
    std::unique_ptr<icu::TimeZone> zone;
    if (rest == "Z") {
        zone = PhotoMetadataService::fixedOffsetZone(0);
    } else if (!rest.empty()) {
        std::string offset(rest);
        if (offset.size() == 3)
            offset += ":00";
        else if (offset.size() == 5)
            offset.insert(3, ":");
        const auto seconds = PhotoMetadataService::timeZoneFromExifOffset(offset);
        if (!seconds || offset[3] != ':')
            return std::nullopt;
        zone = PhotoMetadataService::fixedOffsetZone(*seconds);
    } else {
        zone = hostZone();
    }
    if (!zone)
        return std::nullopt;
    const auto date = PhotoMetadataService::parseExifDateText(exifShape, *zone);
    // Cameras without a clock write 1904-01-01 (the QuickTime epoch) or 1970.
    constexpr TimePoint firstKept { std::chrono::sys_days { std::chrono::year { 1971 } / 1 / 1 } };
    if (!date || *date < firstKept)
        return std::nullopt;
    return date;
}
