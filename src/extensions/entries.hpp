// Error handling of internal table entries by their result kind: an entry that
// returns a number or nothing cannot pass an exception on, so it reports it as
// unraisable under its qualified name and gives 0; an entry that returns an
// object passes the exception on with a traceback entry under its name.
#pragma once

#include "../binding/cls.hpp"

namespace pyrandel {

template <class R, class F>
R report_unraisable(const char* cls, const char* name, F&& f) {
    try {
        if constexpr (std::is_void_v<R>) {
            f();
            return;
        } else {
            return f();
        }
    } catch (...) {
        bind::set_from_cpp_exception();
    }
    bind::write_unraisable(bind::qualname(cls, name).c_str());
    if constexpr (!std::is_void_v<R>) return R{};
}

template <class F>
bind::Ref propagate(const char* cls, const char* name, F&& f) {
    try {
        f();
        return bind::none();
    } catch (bind::Error&) {
    } catch (...) {
        bind::set_from_cpp_exception();
    }
    bind::error_exit(cls, name);
    throw bind::Error{};
}

}  // namespace pyrandel
