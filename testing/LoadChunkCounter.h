#pragma once
// Splits a test load longer than one load command can carry (a 16-bit count
// of 0.5-s samples) into successive commands that overlap by 600 samples, so
// the load never drops between them.

class LoadChunkCounter {
public:
    LoadChunkCounter() { Reset(); }

    void Reset() {
        m_current = -1;
        m_chunkIndex = 0;
    }
    bool IsActive() const { return m_current != -1; }
    bool IsZero() const { return m_current == 0; }
    void Decrement() { --m_current; }

    // The value of the next load command for a load of total samples. A total
    // below 1 leaves the counter idle and answers 0: there is no load to send
    // (the caller refuses it), and a negative count must never reach the
    // instrument as a 16-bit word.
    int NextLoadValue(int total);

    int Current() const { return m_current; }
    int ChunkIndex() const { return m_chunkIndex; }

    static constexpr int kChunkLength = 64800;  // 9 h: spacing of the commands
    static constexpr int kSendLimit = 65400;    // 9 h 5 min: the most one command carries

private:
    int m_current = -1;
    int m_chunkIndex = 0;
};
