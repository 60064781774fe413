#include "error.h"

namespace qorn {

int trapErrors(const std::function<void()>& work) noexcept {
    try {
        work();
        return 0;
    } catch (const Error& e) {
        return e.number();
    } catch (const std::bad_alloc&) {
        return err::NoMemory;
    } catch (...) {
        return err::Internal;
    }
}

} // namespace qorn
