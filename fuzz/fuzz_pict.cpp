#include "fuzz_common.h"
#include "imaging/pict.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzOne(data, size, qorn::pict::read, qorn::pict::write);
}
