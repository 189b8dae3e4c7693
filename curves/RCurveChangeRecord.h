#ifndef WYX_CURVES_RCURVECHANGERECORD_H
#define WYX_CURVES_RCURVECHANGERECORD_H

// The changes of a function curve accumulated since they were last delivered to its
// listeners: which kinds of change, how many, and the range of key indexes touched.

#include <cstdint>

class RCurveChangeRecord {
public:
    // Change kinds, ORed together.
    static constexpr uint32_t DefaultChanged = 1;
    static constexpr uint32_t KeysChanged = 16;
    static constexpr uint32_t SelectionChanged = 256;
    static constexpr uint32_t CurveDestroyed = 512;

    // No change: kinds 0, count 0, range -1..-1.
    void Reset();
    // Records one change at a key index; index -1 marks the whole curve, and the mark stays
    // until the record is reset.
    void Add(uint32_t kind, int index);

    uint32_t GetKinds() const { return kinds_; }
    uint32_t GetCount() const { return count_; }
    // -1 when the whole curve changed.
    int GetFirstIndex() const { return first_; }
    int GetLastIndex() const { return last_; }
    bool IsEmpty() const { return count_ == 0; }

private:
    uint32_t kinds_ = 0;
    int first_ = -1;
    int last_ = -1;
    uint32_t count_ = 0;
};

#endif
