#include "exchange/ArchiveCache.h"

#include "exchange/DailyPriceFile.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <zip.h>

namespace kelvarin::exchange {

namespace {

// A growable byte buffer behind minizip's file calls. minizip seeks back to
// patch each local header once the member's CRC and sizes are known.
struct MemoryFile {
    std::string bytes;
    std::size_t position = 0;
};

voidpf OpenMemory(voidpf opaque, const void*, int) {
    return opaque;
}

uLong ReadMemory(voidpf, voidpf stream, void* buffer, uLong size) {
    auto* file = static_cast<MemoryFile*>(stream);
    const std::size_t available = file->bytes.size() - std::min(file->position, file->bytes.size());
    const std::size_t count = std::min<std::size_t>(size, available);
    std::memcpy(buffer, file->bytes.data() + file->position, count);
    file->position += count;
    return static_cast<uLong>(count);
}

uLong WriteMemory(voidpf, voidpf stream, const void* buffer, uLong size) {
    auto* file = static_cast<MemoryFile*>(stream);
    if (file->position + size > file->bytes.size())
        file->bytes.resize(file->position + size);
    std::memcpy(file->bytes.data() + file->position, buffer, size);
    file->position += size;
    return size;
}

ZPOS64_T TellMemory(voidpf, voidpf stream) {
    return static_cast<MemoryFile*>(stream)->position;
}

long SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* file = static_cast<MemoryFile*>(stream);
    std::size_t base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
        base = file->position;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
        base = file->bytes.size();
    file->position = base + static_cast<std::size_t>(offset);
    return 0;
}

int CloseMemory(voidpf, voidpf) {
    return 0;
}
int ErrorMemory(voidpf, voidpf) {
    return 0;
}

zip_fileinfo FileInfoFor(const TradingDate& date) {
    zip_fileinfo info{};
    // The exchange publishes after the close of trading.
    info.tmz_date.tm_hour = 18;
    info.tmz_date.tm_min = 30;
    info.tmz_date.tm_mday = date.Day();
    info.tmz_date.tm_mon = date.Month() - 1;
    info.tmz_date.tm_year = static_cast<uInt>(date.Year());
    // FILE_ATTRIBUTE_ARCHIVE, as files packed on the exchange's DOS side carry.
    info.external_fa = 0x20;
    return info;
}

void Check(int result, const char* what) {
    if (result != ZIP_OK)
        throw std::runtime_error(std::string("building a zip archive: ") + what + " failed (" +
                                 std::to_string(result) + ")");
}

} // namespace

std::string ArchiveBuilder::Build(const TradingDate& date, const std::vector<ZipMember>& members) {
    MemoryFile file;
    zlib_filefunc64_def io{};
    io.zopen64_file = OpenMemory;
    io.zread_file = ReadMemory;
    io.zwrite_file = WriteMemory;
    io.ztell64_file = TellMemory;
    io.zseek64_file = SeekMemory;
    io.zclose_file = CloseMemory;
    io.zerror_file = ErrorMemory;
    io.opaque = &file;

    zipFile zip = zipOpen2_64("memory", APPEND_STATUS_CREATE, nullptr, &io);
    if (zip == nullptr)
        throw std::runtime_error("building a zip archive: cannot start it");
    const zip_fileinfo info = FileInfoFor(date);
    int result = ZIP_OK;
    for (const ZipMember& member : members) {
        result = zipOpenNewFileInZip(zip, member.name.c_str(), &info, nullptr, 0, nullptr, 0,
                                     nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION);
        if (result != ZIP_OK)
            break;
        result = zipWriteInFileInZip(zip, member.content.data(),
                                     static_cast<unsigned>(member.content.size()));
        if (result != ZIP_OK)
            break;
        result = zipCloseFileInZip(zip);
        if (result != ZIP_OK)
            break;
    }
    const int closed = zipClose(zip, nullptr);
    Check(result, "adding a member");
    Check(closed, "finishing the directory");
    return std::move(file.bytes);
}

ArchiveCache::ArchiveCache(const MarketGenerator& market, std::size_t capacityBytes)
    : m_market(market), m_capacityBytes(capacityBytes) {}

std::string ArchiveCache::BuildArchive(const MarketGenerator& market, std::size_t day) {
    const std::vector<DailyQuote> quotes = market.QuotesOn(day);
    // Roughly one counter in eight is quoted in a foreign currency; the
    // exchange lists those again in a file of their own.
    std::vector<DailyQuote> foreign;
    for (std::size_t i = 0; i < quotes.size(); i += 8)
        foreign.push_back(quotes[i]);
    const std::string& date = market.IdOf(day);
    return ArchiveBuilder::Build(market.DateOf(day),
                                 {{"SESPRICE.DAT", DailyPriceFile::Render(date, quotes)},
                                  {"SESPRIFD.DAT", DailyPriceFile::Render(date, foreign)}});
}

std::shared_ptr<const std::string> ArchiveCache::Get(std::size_t day) {
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_entries.find(day);
        if (found != m_entries.end()) {
            m_ages.splice(m_ages.begin(), m_ages, found->second.age);
            return found->second.bytes;
        }
    }
    // Built outside the lock so other days are served meanwhile; two threads
    // asking for the same new day both build it, which is harmless.
    auto bytes = std::make_shared<const std::string>(BuildArchive(m_market, day));

    std::lock_guard lock(m_mutex);
    if (m_entries.count(day) != 0 || bytes->size() > m_capacityBytes)
        return bytes;
    m_ages.push_front(day);
    m_entries.emplace(day, Entry{bytes, m_ages.begin()});
    m_heldBytes += bytes->size();
    while (m_heldBytes > m_capacityBytes) {
        const std::size_t oldest = m_ages.back();
        m_heldBytes -= m_entries.at(oldest).bytes->size();
        m_entries.erase(oldest);
        m_ages.pop_back();
    }
    return bytes;
}

} // namespace kelvarin::exchange
