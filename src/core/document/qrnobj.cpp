#include "qrnobj.h"

#include "common/error.h"

namespace qorn {

void qrnobj::checkGauge(int v) const {
    if (v > kMaxGauge || v < kMinGauge) throw Error(err::InvalidValue, QStringLiteral("invalid value"));
}

// Both quotients are taken in double precision and stored as single, and only once the other
// gauge value is positive: a first assignment after creation leaves the aspects at 0.
void qrnobj::setMee(int v) {
    checkGauge(v);
    mee_ = static_cast<int16_t>(v);
    if (dan_ > 0) {
        asp1_ = static_cast<float>(double(dan_) / double(v));
        asp2_ = static_cast<float>(double(v) / double(dan_));
    }
}

void qrnobj::setDan(int v) {
    checkGauge(v);
    dan_ = static_cast<int16_t>(v);
    if (mee_ > 0) {
        asp1_ = static_cast<float>(double(v) / double(mee_));
        asp2_ = static_cast<float>(double(mee_) / double(v));
    }
}

} // namespace qorn
