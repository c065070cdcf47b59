#include "registry.hpp"

#include "../csootmodel/sootmodel.hpp"
#include "../extensions/flame/tempflame.hpp"
#include "../extensions/flame/tempflameopt.hpp"
#include "../extensions/flame/cfdflamesolver.hpp"
#include "../extensions/flame/cfvflamesolver.hpp"
#include "../extensions/gas/sootgas.hpp"
#include "../extensions/pahgrowth/crosslinkmerge.hpp"
#include "../extensions/reactors/constuvsoot.hpp"
#include "../extensions/reactors/pfrsoot.hpp"
#include "../extensions/reactors/psrsoot.hpp"
#include "../extensions/pahgrowth/crosslinkmod.hpp"
#include "../extensions/pahgrowth/dimercoalmod.hpp"
#include "../extensions/pahgrowth/reactdim.hpp"
#include "../extensions/sootmodels/monodisperse.hpp"
#include "../extensions/sootwrapper/sootwrapper.hpp"
#include "../extensions/surfacereactions/frenklachhaca.hpp"
#include "../flame/cflamesolver.hpp"
#include "../flame/cflamesolver_opt.hpp"
#include "../reactor/cpfr.hpp"
#include "../reactor/cpfrsoot.hpp"

namespace pyrandel {

// One line per class, in its place in the module's order.
static const SpecOf classes[] = {
    &CSootModel::spec,
    &CPFROde::spec,
    &CPFRSootOde::spec,
    &CFlameSolver::spec,
    &CFlameSolverOpt::spec,
    &CSootWrapper::spec,
    &CSootGas::spec,
    &CPAHGrowthBase::spec,
    &CReactDim::spec,
    &CDimerCoal::spec,
    &CDimerCoalMod::spec,
    &CCrossLink::spec,
    &CCrossLinkMod::spec,
    &CCrossLinkMerge::spec,
    &CSurfaceReactionsBase::spec,
    &CFrenklachHACA::spec,
    &CSootModelBase::spec,
    &CMonodisperseSootModel::spec,
    &ReactorBase::spec,
    &CPFRSoot::spec,
    &CPSRSoot::spec,
    &CConstUVSoot::spec,
    &CTempFlameSolver::spec,
    &CTempFlameSolverOpt::spec,
    &CFVSolver::spec,
    &CFDSolver::spec,
};

std::span<const SpecOf> registry() { return classes; }

}  // namespace pyrandel
