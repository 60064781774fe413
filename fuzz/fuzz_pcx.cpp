#include "fuzz_common.h"
#include "imaging/pcx.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzOne(data, size, qorn::pcx::read, qorn::pcx::write);
}
