// The time rules of a fetch, apart from the clock: an overall deadline for
// small files, a stall rule for downloads, and a size ceiling. Each wait for
// the network is cut to what the rules leave, so that no single wait can
// outlast them.
#pragma once

#include <cstdint>

namespace http {

struct FetchLimits {
    uint32_t totalMs = 0;        // the whole fetch, from opening to the last byte; 0: none
    uint32_t stallWindowMs = 0;  // a download fails when less than stallMinBytes...
    uint64_t stallMinBytes = 0;  // ...arrive in any stretch of stallWindowMs; 0: no rule
    uint64_t maxBytes = 0;       // the body may not be longer; 0: no ceiling
};

// The limits of what the launcher fetches.
inline constexpr uint64_t kKiB = 1024, kMiB = 1024 * kKiB;
FetchLimits SmallFileLimits(uint64_t maxBytes);  // configuration, notice, its picture: 10 s in all
FetchLimits DownloadLimits(uint64_t maxBytes);   // updates and game clients: 1 KB per 20 s
inline constexpr uint64_t kConfigMaxBytes = 64 * kKiB;
inline constexpr uint64_t kNoticeMaxBytes = 64 * kKiB;
inline constexpr uint64_t kPictureMaxBytes = 2 * kMiB;
inline constexpr uint64_t kUpdateMaxBytes = 64 * kMiB;
inline constexpr uint64_t kGameClientMaxBytes = 1024 * kMiB;

// Times in milliseconds of any monotonic clock.
class FetchClock {
public:
    FetchClock(const FetchLimits& limits, uint64_t startMs);

    // Counts bytes that arrived at nowMs.
    void Arrived(uint64_t bytes, uint64_t nowMs);
    // The deadline has passed, or a stall window ended with too little data.
    bool Expired(uint64_t nowMs) const;
    // The body announced or received is over the ceiling.
    bool TooLong(uint64_t bytes) const { return m_limits.maxBytes && bytes > m_limits.maxBytes; }
    // The time-out for the next wait for the network: perReadMs cut to the time left
    // before a rule could end the fetch (at least 1 ms).
    uint32_t NextTimeoutMs(uint32_t perReadMs, uint64_t nowMs) const;

private:
    FetchLimits m_limits;
    uint64_t m_start;
    uint64_t m_windowStart;
    uint64_t m_windowBytes = 0;
};

}  // namespace http
