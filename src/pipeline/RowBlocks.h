#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace kelvarin {

// The rows a batch gathers for each history file, as chains of blocks carved
// one after the other out of large regions of memory. A chain grows by a new
// block, never by moving what it holds; its blocks double in size up to a
// limit, so a history of one row holds little and a long one few blocks.
// Regions are kept from batch to batch, so a run touches fresh memory only
// for its largest batch, and the kernel is asked to back them with huge
// pages: on a virtual machine each fault of a small page costs more than
// filling it.
class RowBlocks {
public:
    RowBlocks() = default;
    ~RowBlocks();
    RowBlocks(const RowBlocks&) = delete;
    RowBlocks& operator=(const RowBlocks&) = delete;

    // A new empty chain; its number.
    std::size_t AddChain();
    void Append(std::size_t chain, std::string_view bytes);
    std::size_t Size(std::size_t chain) const { return m_chains[chain].size; }
    // Writes `prefix`, then bytes `from` to `to` of a chain, to `fd` with as
    // few calls as it takes, resuming after interrupted or short writes. On
    // failure errno tells the cause.
    bool Write(int fd, std::size_t chain, std::size_t from, std::size_t to,
               std::string_view prefix = {}) const;

    // The memory the chains' blocks take, used or not.
    std::size_t BytesHeld() const { return m_held; }
    // Every chain goes; the regions stay for the next batch.
    void Clear();

private:
    struct Block {
        char* data;
        std::size_t size;
    };
    struct Chain {
        std::vector<Block> blocks;
        std::size_t size = 0;     // bytes appended
        std::size_t capacity = 0; // bytes its blocks hold
    };

    Block Carve(std::size_t size);

    std::vector<Chain> m_chains;
    std::vector<char*> m_regions;
    std::size_t m_region = 0; // the region blocks are carved from
    std::size_t m_carved = 0; // bytes of it carved already
    std::size_t m_held = 0;
};

} // namespace kelvarin
