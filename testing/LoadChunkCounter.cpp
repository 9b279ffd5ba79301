#include "testing/LoadChunkCounter.h"

int LoadChunkCounter::NextLoadValue(int total) {
    if (total < 1) {
        Reset();
        return 0;
    }
    // Widened: total is at most INT_MAX and the chunks handed out never pass it.
    long long rest = static_cast<long long>(total) - static_cast<long long>(m_chunkIndex) * kChunkLength;
    if (rest > kSendLimit) {
        m_current = kChunkLength;
        ++m_chunkIndex;
        return kSendLimit;
    }
    Reset();
    return static_cast<int>(rest);
}
