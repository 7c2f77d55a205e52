// Optional output arguments of the feature operations: an output that is not given is skipped.
#pragma once

namespace devio {

template <class T, class V>
void set_out(T* out, V value) {
    if (out != nullptr) {
        *out = static_cast<T>(value);
    }
}

} // namespace devio
