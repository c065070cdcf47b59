#include "pahcommon.hpp"

#include <algorithm>

#include "../../physics/constants.hpp"

namespace pyrandel {

using bind::Ref;

namespace {

bool counts_by_name(CPAHGrowthBase* m) {
    using B = bind::Class<CPAHGrowthBase>;
    return B::overridden(m, CPAHGrowthBase::MID_PAH_n_C) || B::overridden(m, CPAHGrowthBase::MID_PAH_n_H);
}

double item(const Ref& seq, int i) {
    Ref key = bind::py(i);
    Ref v = Ref::steal(PyObject_GetItem(seq.get(), key.get()));
    return bind::as_double(v.get());
}

}  // namespace

Counts::Counts(CPAHGrowthBase* m) : m_(m) {
    if (counts_by_name(m)) {
        nC_ = m->PAH_n_C();
        nH_ = m->PAH_n_H();
    }
}

double Counts::C(int i) const { return nC_ ? item(nC_, i) : m_->PAH_n_C_at(i); }
double Counts::H(int i) const { return nH_ ? item(nH_, i) : m_->PAH_n_H_at(i); }

void check_precursor_lists(const CSootWrapper* sw) {
    const size_t n = sw->PAH_indices.size();
    if (sw->PAH_n_C.size() < n || sw->PAH_n_H.size() < n)
        bind::raisef(PyExc_IndexError,
                     "precursor lists of unequal length: %zu indices, %zu carbon counts, %zu hydrogen counts", n,
                     sw->PAH_n_C.size(), sw->PAH_n_H.size());
}

bool StepGeometry::fill(const CPAHGrowthBase* m, PyTypeObject* own) {
    on = false;
    X_holds_PAHs = false;
    if (Py_TYPE(m) != own || !m->soot_wrapper) return false;
    const CSootWrapper* sw = m->soot_wrapper.o;
    CSootGas* g = sw->gas();
    if (!g || Py_TYPE(g) != &CSootGas::type || !PyBool_Check(sw->partial_particle_addition.get()) ||
        !PyFloat_CheckExact(g->_mu.get()) || !PyFloat_CheckExact(g->_lambda_gas.get()) ||
        !PyFloat_CheckExact(g->_rho.get()))
        return false;
    const size_t n = (size_t)std::max(m->n_PAHs, 0);
    if (sw->PAH_indices.size() < n || sw->PAH_n_C.size() < n || sw->PAH_n_H.size() < n) return false;
    T = g->_T;
    mu = PyFloat_AS_DOUBLE(g->_mu.get());
    lam = PyFloat_AS_DOUBLE(g->_lambda_gas.get());
    rho = PyFloat_AS_DOUBLE(g->_rho.get());
    if (kept.size() != n || mass.size() != n || diam.size() != n) [[unlikely]] {
        kept.assign(n, KeptPAHGeometry{});
        ++version;
        mass.assign(n, 0.0);
        diam.assign(n, 0.0);
    }
    const int* idx = sw->PAH_indices.data();
    const double *n_C = sw->PAH_n_C.data(), *n_H = sw->PAH_n_H.data(), *MWs = g->_MWs.data();
    const size_t n_MW = g->_MWs.size(), X_size = g->_X.size();
    bool in_X = true;
    for (size_t i = 0; i < n; ++i) {
        const int s = idx[i];
        if (s < 0 || (size_t)s >= n_MW) return false;
        in_X = in_X && (size_t)s < X_size;
        const double c = n_C[i], h = n_H[i];
        const double MW = MWs[s];
        KeptPAHGeometry& row = kept[i];
        const PAHGeometryInputs in{s, MW, c, h};
        // A kept row had a non-zero c + h, and mass and diam hold its values.
        if (!row.holds(in)) [[unlikely]] {
            if (c + h == 0.0) return false;
            const double mi = MW / constants.Av_const;
            const double rho_PAH = (constants.MW_carbon_const * c + constants.MW_hydrogen_const * h) * 171943.5197 / (c + h);
            row.keep(in, PAHGeometry{mi, std::pow(6.0 * (mi / rho_PAH) / constants.Pi_const, constants.one_third_const)});
            ++version;
            mass[i] = row.value().m;
            diam[i] = row.value().d;
        }
    }
    X_holds_PAHs = in_X;
    n_X = X_size;
    this->sw = sw;
    gas = g;
    return true;
}

double inverse_volume_root(const CPAHGrowthBase* m, PyObject* V_agg, double inv_v) {
    if (V_agg == Py_None)
        bind::raisef(PyExc_AttributeError, "'%.100s' object has no attribute 'V_agg'", Py_TYPE(m)->tp_name);
    if (PyFloat_CheckExact(V_agg)) {
        const double inv_V = bind::pydiv(1.0, PyFloat_AS_DOUBLE(V_agg));
        if (inv_v + inv_V < 0.0) bind::raise(PyExc_TypeError, "must be real number, not complex");
        return volume_root(inv_v, inv_V);
    }
    Ref one = bind::py(1.0), half = bind::py(0.5), a = bind::py(inv_v);
    Ref q = Ref::steal(PyNumber_TrueDivide(one.get(), V_agg));
    Ref s = Ref::steal(PyNumber_Add(a.get(), q.get()));
    Ref r = Ref::steal(PyNumber_Power(s.get(), half.get(), Py_None));
    return bind::as_double(r.get());
}

}  // namespace pyrandel
