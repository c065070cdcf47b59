// CFVSolver: the modular flame solver on a fixed grid with finite volumes: the balance
// of a cell around each grid point.
#pragma once

#include "gridsolver.hpp"

namespace pyrandel {

struct CFVSolver {
    GRIDSOLVER_MEMBERS(CFVSolver)
};

}  // namespace pyrandel
