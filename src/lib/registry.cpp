#include "registry.hpp"

#include "../csootmodel/sootmodel.hpp"
#include "../extensions/gas/sootgas.hpp"
#include "../extensions/pahgrowth/crosslinkmerge.hpp"
#include "../extensions/pahgrowth/crosslinkmod.hpp"
#include "../extensions/pahgrowth/dimercoalmod.hpp"
#include "../extensions/pahgrowth/reactdim.hpp"
#include "../extensions/sootmodels/monodisperse.hpp"
#include "../extensions/sootwrapper/sootwrapper.hpp"
#include "../extensions/surfacereactions/surfacereactionsbase.hpp"

namespace pyrandel {

// One line per class, in its place in the module's order.
static const SpecOf classes[] = {
    &CSootModel::spec,
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
};

std::span<const SpecOf> registry() { return classes; }

}  // namespace pyrandel
