#include "pipeline/RowBlocks.h"

#include "app/CrashPoint.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <sys/uio.h>

namespace kelvarin {

namespace {

// A multiple of the 2 MiB huge page.
constexpr std::size_t RegionSize = std::size_t{8} << 20;
constexpr std::size_t FirstBlock = 256;
constexpr std::size_t LargestBlock = std::size_t{16} << 10;

// One writev takes at most IOV_MAX parts.
constexpr int MostParts = IOV_MAX;

bool WriteParts(int fd, iovec* parts, int count) {
    // A write step like any other, so the fault tests can fail it.
    if (const int fault = count > 0 ? WriteStepFault() : 0; fault != 0) {
        errno = fault;
        return false;
    }
    while (count > 0) {
        const ssize_t written = ::writev(fd, parts, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        auto done = static_cast<std::size_t>(written);
        while (count > 0 && done >= parts->iov_len) {
            done -= parts->iov_len;
            ++parts;
            --count;
        }
        if (count > 0) {
            parts->iov_base = static_cast<char*>(parts->iov_base) + done;
            parts->iov_len -= done;
        }
    }
    return true;
}

} // namespace

RowBlocks::~RowBlocks() {
    for (char* region : m_regions)
        ::munmap(region, RegionSize);
}

std::size_t RowBlocks::AddChain() {
    m_chains.emplace_back();
    return m_chains.size() - 1;
}

RowBlocks::Block RowBlocks::Carve(std::size_t size) {
    if (m_region == m_regions.size() || m_carved + size > RegionSize) {
        if (m_region < m_regions.size())
            ++m_region;
        m_carved = 0;
        if (m_region == m_regions.size()) {
            void* region = ::mmap(nullptr, RegionSize, PROT_READ | PROT_WRITE,
                                  MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
            if (region == MAP_FAILED)
                throw std::bad_alloc();
            // Only advice: where huge pages are off or run out, small ones do.
            ::madvise(region, RegionSize, MADV_HUGEPAGE);
            m_regions.push_back(static_cast<char*>(region));
        }
    }
    const Block block{m_regions[m_region] + m_carved, size};
    m_carved += size;
    m_held += size;
    return block;
}

void RowBlocks::Append(std::size_t chain, std::string_view bytes) {
    Chain& rows = m_chains[chain];
    while (!bytes.empty()) {
        if (rows.size == rows.capacity) {
            const std::size_t size = rows.blocks.empty()
                                         ? FirstBlock
                                         : std::min(rows.blocks.back().size * 2, LargestBlock);
            rows.blocks.push_back(Carve(size));
            rows.capacity += size;
        }
        const Block& last = rows.blocks.back();
        const std::size_t used = last.size - (rows.capacity - rows.size);
        const std::size_t part = std::min(bytes.size(), last.size - used);
        std::memcpy(last.data + used, bytes.data(), part);
        rows.size += part;
        bytes.remove_prefix(part);
    }
}

bool RowBlocks::Write(int fd, std::size_t chain, std::size_t from, std::size_t to,
                      std::string_view prefix) const {
    iovec parts[MostParts];
    int count = 0;
    if (!prefix.empty())
        parts[count++] = {const_cast<char*>(prefix.data()), prefix.size()};
    std::size_t start = 0;
    for (const Block& block : m_chains[chain].blocks) {
        const std::size_t first = std::max(from, start);
        const std::size_t last = std::min(to, start + block.size);
        start += block.size;
        if (first >= last)
            continue;
        parts[count++] = {block.data + (first - (start - block.size)), last - first};
        if (count == MostParts) {
            if (!WriteParts(fd, parts, count))
                return false;
            count = 0;
        }
    }
    return WriteParts(fd, parts, count);
}

void RowBlocks::Clear() {
    m_chains.clear();
    m_region = 0;
    m_carved = 0;
    m_held = 0;
}

} // namespace kelvarin
