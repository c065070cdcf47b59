// CSootModel: the per-step protocol (initialize, gas and solution updates),
// the five process terms, the four source terms and the gas scrubbing.
#include "formulas.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;

namespace {

Name n_print("print");
Name n_index("index");

const char* const key_species[7] = {"C2H2", "H2", "H", "CO", "O2", "OH", "H2O"};

Ref zero_float() { return bind::py(0.0); }

}  // namespace

bind::Ref CSootModel::checkNameOfSpecies_impl() {
    // Held: comparing names may run code that replaces the field.
    Ref names = species_names.hold();
    for (const char* name : key_species) {
        Ref n = Ref::steal(PyUnicode_FromString(name));
        int r = PySequence_Contains(names.get(), n.get());
        if (r < 0) bind::fail();
        if (!r) bind::raisef(PyExc_ValueError, "%s does not exist in species list!", name);
    }
    PyObject* print = PyDict_GetItemWithError(PyEval_GetBuiltins(), n_print);
    if (!print) bind::fail();
    Ref line = Ref::steal(PyUnicode_FromString("Key species are found in species list"));
    bind::call(print, line.get());
    return bind::py(true);
}

void CSootModel::initialize_impl() {
    Ref ok = checkNameOfSpecies();
    if (!bind::as_bool(ok.get())) bind::raise(PyExc_ValueError, "Error in initializing the soot model!");
    int* indices[7] = {&C2H2_index, &H2_index, &H_index, &CO_index, &O2_index, &OH_index, &H2O_index};
    for (int k = 0; k < 7; ++k) {
        Ref n = Ref::steal(PyUnicode_FromString(key_species[k]));
        Ref names = species_names.hold();
        Ref i = bind::call_method(names.get(), n_index, n.get());
        *indices[k] = bind::as_int(i.get());
    }
    run(create_PAH_dimer);
}

// initialize() sizes every variant's p_dC_tot_dt_PAH_each and arrays of its own
// for the precursor lists; a model set up otherwise fails by an index past them or
// by arithmetic on a rate it never computed.
bool CSootModel::initialized_for_setup() const {
    const size_t n = PAH_indices.size();
    if (p_dC_tot_dt_PAH_each.size() != n) return false;
    switch (PAH_growth_model) {
        case 1: return p_phy_dimer_.size() == n * (n + 1) / 2;  // one per pair
        case 2: return a_inc.size() == n;
        case 3: return dimer_weight.size() == n;
        case 4: return p_PAH_radical_.size() == n;
        case 5: return dimer_PAH_1_id.size() == n;
        default: return true;
    }
}

const char* CSootModel::error_hint(const CSootModel& m, PyObject* type) {
    if (type != PyExc_IndexError && type != PyExc_TypeError) return nullptr;
    const size_t n = m.PAH_indices.size();
    if (type == PyExc_IndexError && (m.PAH_n_C.size() != n || m.PAH_n_H.size() != n))
        return "PAH_index_in_gas, PAH_Number_Carbon and PAH_Number_Hydrogen differ in length";
    if (!m.initialized_for_setup())
        return "initialize() has not run since the precursors or the PAH-growth variant were set; call initialize()";
    return nullptr;
}

void CSootModel::update_gas_impl(double T_, double P_, double density_, double viscosity_, double mean_MW_,
                                 bind::NDArray X_) {
    T = T_;
    P = P_;
    mean_MW = mean_MW_ / 1000;
    density = density_;
    viscosity = viscosity_;
    X.set(X_.o);
    scrub_wdot = bind::zeros_like_float(X_.o);
    p_lambda_gas = calc_lambda_gas();
}

void CSootModel::update_solution_impl(bind::NDArray solution) {
    {
        // The floor is taken only when it is strictly greater: NaN passes through.
        bind::Items s(solution.o);
        double v = s.get(N_agg_offset);
        N_agg = N_agg_min > v ? N_agg_min : v;
        v = s.get(N_pri_offset);
        N_pri = N_pri_min > v ? N_pri_min : v;
        v = s.get(C_tot_offset);
        C_tot = C_tot_min > v ? C_tot_min : v;
        v = s.get(H_tot_offset);
        H_tot = H_tot_min > v ? H_tot_min : v;
    }
    if (solution_in_one_pass()) return;

    p_d_p = d_p();
    p_d_m = d_m();
    p_d_g = d_g();
    p_A_tot = A_tot();

    run(PAH_growth_update);

    p_dC_tot_dt_HACA_alt = dC_tot_dt_HACA_alt();
    p_dH_tot_dt_HACA_alt = dH_tot_dt_HACA_alt();
    p_dH_tot_dt_carb = dH_tot_dt_carb();

    p_dC_tot_dt_O2 = dC_tot_dt_O2_alt();
    p_dC_tot_dt_OH = dC_tot_dt_OH_alt();
    p_dH_tot_dt_O2 = dH_tot_dt_O2_alt();
    p_dH_tot_dt_OH = dH_tot_dt_OH_alt();
}

// --------------------------------------------------------------- process terms

bind::Ref CSootModel::inception_impl(int i) {
    if (!inception_enabled) return zero_float();
    switch (i) {
        case 0:
        case 1: return run(inception_N_agg);
        case 2: return run(inception_C_tot);
        case 3: return run(inception_H_tot);
        default: return bind::none();
    }
}

namespace {

// A process that changes only C_tot and H_tot, at the rates C(m) and H(m).
template <double (*C)(const CSootModel&), double (*H)(const CSootModel&)>
Ref carbon_and_hydrogen(const CSootModel& m, bool enabled, int i) {
    if (!enabled) return zero_float();
    switch (i) {
        case 0:
        case 1: return zero_float();
        case 2: return bind::py(C(m));
        case 3: return bind::py(H(m));
        default: return bind::none();
    }
}

}  // namespace

bind::Ref CSootModel::growth_impl(int i) {
    return carbon_and_hydrogen<csm::growth_C_at, csm::growth_H_at>(*this, growth_enabled, i);
}
bind::Ref CSootModel::oxidation_impl(int i) {
    return carbon_and_hydrogen<csm::oxidation_C_at, csm::oxidation_H_at>(*this, oxidation_enabled, i);
}

bind::Ref CSootModel::coagulation_impl(int i) {
    if (!coagulation_enabled) return zero_float();
    switch (i) {
        case 0: return bind::py(N_agg_coag());
        case 1:
        case 2:
        case 3: return zero_float();
        default: return bind::none();
    }
}

bind::Ref CSootModel::coalescence_impl(int i) {
    if (!coalescence_enabled) return zero_float();
    switch (i) {
        case 1: return run(N_pri_coales);
        case 0:
        case 2:
        case 3: return zero_float();
        default: return bind::none();
    }
}

// ---------------------------------------------------------------- source terms

namespace {

// Python addition of two terms; plain doubles when both are floats.
Ref add_term(Ref a, Ref b) { return bind::add(a.get(), b.get()); }

// ((((inception + growth) + oxidation) + coagulation) + coalescence), each term
// asked for just before it is added, as in Python.
Ref source_term(CSootModel& m, int i) {
    Ref s;
    if (m.source_in_one_pass(i, s)) return s;
    s = m.inception(i);
    s = add_term(std::move(s), m.growth(i));
    s = add_term(std::move(s), m.oxidation(i));
    s = add_term(std::move(s), m.coagulation(i));
    return add_term(std::move(s), m.coalescence(i));
}

}  // namespace

bind::Ref CSootModel::S_N_agg_impl() { return source_term(*this, 0); }
bind::Ref CSootModel::S_N_pri_impl() { return source_term(*this, 1); }
bind::Ref CSootModel::S_C_tot_impl() { return source_term(*this, 2); }
bind::Ref CSootModel::S_H_tot_impl() { return source_term(*this, 3); }

// -------------------------------------------------------------------- scrubbing

namespace {

// The HACA and oxidation rows of the scrubbing, each value taken as it is
// written: `write(species, d)` adds d to scrub_wdot[species].
template <class W>
void surface_scrub_rows(const CSootModel& m, W write) {
    const double rho = m.density;
    if (m.growth_enabled && m.growth_HACA_enabled) {
        // Half a C2H2 per carbon atom added; the hydrogen not kept by soot returns as H.
        write(m.C2H2_index, -(rho * m.p_dC_tot_dt_HACA_alt / 2000));
        write(m.H_index, m.p_dC_tot_dt_HACA_alt * 0.875 * rho / 1000);
    }
    if (!m.oxidation_enabled) return;
    // O2: one CO and half an O2 per carbon atom removed; removed hydrogen forms H2 with gas-phase H.
    write(m.CO_index, m.p_dC_tot_dt_O2 * rho / (-1000));
    write(m.H2_index, rho * m.p_dH_tot_dt_O2 / (-1000));
    write(m.H_index, -(rho * m.p_dH_tot_dt_O2 / (-1000)));
    write(m.O2_index, -(m.p_dC_tot_dt_O2 * (-0.5) * rho / 1000));
    // OH: one CO and one OH per carbon atom removed; H2 gets half the atoms removed.
    write(m.CO_index, rho * m.p_dC_tot_dt_OH / (-1000));
    write(m.H2_index, (m.p_dH_tot_dt_OH + m.p_dC_tot_dt_OH) * (-0.5) * rho / 1000);
    write(m.OH_index, -(rho * m.p_dC_tot_dt_OH / (-1000)));
}

}  // namespace

void CSootModel::update_scrub_wdot_impl() {
    if (!scrubbing_enabled) return;
    run(update_scrub_wdot_PAH_growth);

    bind::Items w(scrub_wdot);
    // A float64 buffer: no code of the array runs between the rows, so one view serves them all.
    if (w.viewed()) return surface_scrub_rows(*this, [&](int i, double d) { w.add(i, d); });
    // Otherwise the field is read afresh for each row, as `self.scrub_wdot[i] += d` would.
    surface_scrub_rows(*this, [this](int i, double d) { bind::Items(scrub_wdot).add(i, d); });
}

}  // namespace pyrandel
