#include "net/fetch_deadline.h"

#include <algorithm>

namespace http {

namespace {
constexpr uint32_t kSmallFileMs = 10000;
constexpr uint32_t kStallWindowMs = 20000;
constexpr uint64_t kStallMinBytes = 1024;
}  // namespace

FetchLimits SmallFileLimits(uint64_t maxBytes) { return {kSmallFileMs, 0, 0, maxBytes}; }

FetchLimits DownloadLimits(uint64_t maxBytes) { return {0, kStallWindowMs, kStallMinBytes, maxBytes}; }

FetchClock::FetchClock(const FetchLimits& limits, uint64_t startMs)
    : m_limits(limits), m_start(startMs), m_windowStart(startMs) {}

void FetchClock::Arrived(uint64_t bytes, uint64_t nowMs) {
    if (!m_limits.stallMinBytes) return;
    m_windowBytes += bytes;
    // A stretch that brought enough closes, and the next one starts now: the
    // rule asks for enough data in every stretch, not on average.
    if (m_windowBytes >= m_limits.stallMinBytes) {
        m_windowStart = nowMs;
        m_windowBytes = 0;
    }
}

bool FetchClock::Expired(uint64_t nowMs) const {
    if (m_limits.totalMs && nowMs - m_start >= m_limits.totalMs) return true;
    return m_limits.stallMinBytes && nowMs - m_windowStart >= m_limits.stallWindowMs;
}

uint32_t FetchClock::NextTimeoutMs(uint32_t perReadMs, uint64_t nowMs) const {
    uint64_t left = perReadMs;
    if (m_limits.totalMs) left = std::min<uint64_t>(left, m_start + m_limits.totalMs - std::min(nowMs, m_start + m_limits.totalMs));
    if (m_limits.stallMinBytes)
        left = std::min<uint64_t>(left, m_windowStart + m_limits.stallWindowMs -
                                            std::min(nowMs, m_windowStart + m_limits.stallWindowMs));
    return static_cast<uint32_t>(std::max<uint64_t>(left, 1));
}

}  // namespace http
