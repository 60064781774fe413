#pragma once

#include <QString>

#include <cstdint>

namespace qorn {

// The document state of the open pattern: gauge, aspects derived from it, the modified flag,
// the pattern's file and the drag or selection rectangle.
class qrnobj {
public:
    QString savefile;
    bool selected = false;
    bool chgflg = false;
    int16_t smpx = 0;
    int16_t smpy = 0;
    int16_t empx = 0;
    int16_t empy = 0;

    int16_t mee() const { return mee_; }
    int16_t dan() const { return dan_; }
    // Gauges outside 10..200 throw Error(err::InvalidValue, "invalid value") and change nothing.
    void setMee(int v);
    void setDan(int v);
    // Rows per stitch and stitches per row; 0 until both gauge values have been set.
    float asp1() const { return asp1_; }
    float asp2() const { return asp2_; }

    static constexpr int kMinGauge = 10;
    static constexpr int kMaxGauge = 200;

private:
    void checkGauge(int v) const;

    int16_t mee_ = 0;
    int16_t dan_ = 0;
    float asp1_ = 0.0f;
    float asp2_ = 0.0f;
};

} // namespace qorn
