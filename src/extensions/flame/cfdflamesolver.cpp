#include "cfdflamesolver.hpp"

#include <climits>

#include "gridsolver_impl.hpp"

namespace pyrandel {

GRIDSOLVER_DEFINE(CFDSolver, FiniteDifference, (std::array<unsigned, 3>{0xaddc67c, 0x3cb1afb, 0xab2bb6d}))

}  // namespace pyrandel
