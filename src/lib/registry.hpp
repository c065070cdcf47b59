// The classes of the module, in the order in which start-up readies them.
#pragma once

#include "../binding/cls.hpp"  // Python.h first

#include <span>

namespace pyrandel {

using SpecOf = bind::ClassSpec& (*)();
std::span<const SpecOf> registry();

}  // namespace pyrandel
