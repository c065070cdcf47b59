// CFDSolver: the modular flame solver on a fixed grid with finite differences at the
// grid points.
#pragma once

#include "gridsolver.hpp"

namespace pyrandel {

struct CFDSolver {
    GRIDSOLVER_MEMBERS(CFDSolver)
};

}  // namespace pyrandel
