#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace kelvarin::exchange {

// Misbehaviour the exchange is told to show, for tests of the downloader's
// handling of a bad server. Ids are archive ids as they appear in the index.
struct FaultPlan {
    std::set<std::string> missing;  // 404
    std::set<std::string> corrupt;  // bytes that are not a zip archive
    std::set<std::string> stall;    // half the body, then silence on an open connection
    std::set<std::string> cut;      // half the body without a length, then the connection closes
    std::set<std::string> error500; // 500
    std::set<std::string> unlisted; // no link in the index page; the archive is still served
    // Only the first this many days have been published, as on an evening
    // before the last: later days are neither listed nor served. 0 offers all.
    std::size_t offeredDays = 0;
    // Extra index links with arbitrary id text; each serves the first day's archive.
    std::vector<std::string> extraIds;
    // The index page (and "/redirect-loop") redirect to themselves.
    bool redirectLoop = false;
    // Delay before every reply.
    int slowMs = 0;
    // Further delay before the reply for one archive, in milliseconds, so a
    // client with several transfers under way sees them end out of order.
    std::map<std::string, int> delayMs;
    // The index page padded to at least this many MiB with unrelated markup.
    std::size_t indexSizeMib = 0;
};

} // namespace kelvarin::exchange
