// CSootModel: the four strategy selectors and their name properties.
#include "sootmodel.hpp"

namespace pyrandel {

using bind::Name;
using bind::Ref;

namespace {

// Codes are compared with Python equality, so enumeration members, ints and
// equal floats all select the same entry.
bool equals(PyObject* v, int code) {
    Ref c = bind::py((int64_t)code);
    int r = PyObject_RichCompareBool(v, c.get(), Py_EQ);
    if (r < 0) bind::fail();
    return r != 0;
}

bool equals(PyObject* v, const char* text) {
    Ref s = Ref::steal(PyUnicode_FromString(text));
    int r = PyObject_RichCompareBool(v, s.get(), Py_EQ);
    if (r < 0) bind::fail();
    return r != 0;
}

// The hooks of each PAH-growth variant, by code 1 to 5.
struct VariantSteps {
    Name inception_N_agg, inception_C_tot, inception_H_tot, PAH_growth_update, create_PAH_dimer, scrub;
};
#define VARIANT(suffix)                                                                         \
    VariantSteps {                                                                              \
        Name("inception_N_agg_" suffix), Name("inception_C_tot_" suffix),                       \
            Name("inception_H_tot_" suffix), Name("PAH_growth_update_" suffix),                 \
            Name("create_PAH_dimer_" suffix), Name("update_scrub_wdot_PAH_growth_" suffix)      \
    }
VariantSteps variants[5] = {VARIANT("reactived"), VARIANT("slfclsn"), VARIANT("slfclsn_lump"),
                            VARIANT("crosslinking"), VARIANT("irrevd")};
#undef VARIANT

const char* const variant_names[5] = {"reactive_dimerization", "self_collision", "self_collision_lump",
                                      "cross_linking", "irreversible_dimerization"};

Name n_alpha_steps[3] = {Name("alpha_constant"), Name("alpha_empirical"), Name("alpha_ctoh_based")};
Name n_t_f_titania("t_f_titania");
Name n_t_f_silica("t_f_silica");
Name n_t_f_md_derived("t_f_md_derived");
Name n_sintering("N_pri_coales_sintering");
Name n_merge("N_pri_coales_merge");
Name n_beta_coag_validation("beta_coag_validation");
Name n_beta_coag_hm("beta_coag_hm");
Name n_diffus_coeff_const("diffus_coeff_const");
Name n_diffus_coeff_morph("diffus_coeff_morph");

}  // namespace

void CSootModel::_set_PAH_growth_model_impl(PyObject* model) {
    for (int k = 1; k <= 5; ++k) {
        if (!equals(model, k)) continue;
        VariantSteps& v = variants[k - 1];
        bind_step(inception_N_agg, v.inception_N_agg);
        bind_step(inception_C_tot, v.inception_C_tot);
        bind_step(inception_H_tot, v.inception_H_tot);
        bind_step(PAH_growth_update, v.PAH_growth_update);
        bind_step(create_PAH_dimer, v.create_PAH_dimer);
        bind_step(update_scrub_wdot_PAH_growth, v.scrub);
        PAH_growth_model = k;
        return;
    }
    // An unknown code selects nothing.
}

void CSootModel::_set_alpha_model_impl(PyObject* alpha_type) {
    _alpha_model = bind::as_int(alpha_type);
    for (int k = 0; k <= 2; ++k)
        if (equals(alpha_type, k)) {
            bind_step(alpha, n_alpha_steps[k]);
            return;
        }
    bind::raise(PyExc_ValueError, "Error in _set_alpha_model function!");
}

void CSootModel::_set_coales_type_impl(PyObject* coales_type) {
    soot_coales_type.set(coales_type);

    if (equals(coales_type, 0)) {
        As_coales = 0.0;
        Ea_coales = 0.0;
        t_coales = bind::none();
        N_pri_coales = bind::none();
        coalescence_enabled = false;
    } else if (equals(coales_type, 1)) {
        As_coales = 7.44e16;
        Ea_coales = 33100.0;
        bind_step(t_coales, n_t_f_titania);
        bind_step(N_pri_coales, n_sintering);
        coalescence_enabled = true;
    } else if (equals(coales_type, 2)) {
        As_coales = 1.1e-14;
        Ea_coales = 180000.0;
        d_crit_coales = 2.5e-9;
        bind_step(t_coales, n_t_f_silica);
        bind_step(N_pri_coales, n_sintering);
        coalescence_enabled = true;
    } else if (equals(coales_type, 3)) {
        As_coales = 0.0;
        Ea_coales = 0.0;
        bind_step(t_coales, n_t_f_md_derived);
        bind_step(N_pri_coales, n_sintering);
        coalescence_enabled = true;
    } else if (equals(coales_type, 4)) {
        bind_step(N_pri_coales, n_merge);
        coalescence_enabled = true;
    }
    // An unknown code is recorded and changes nothing else.
}

void CSootModel::_set_validation_case_impl(PyObject* validation) {
    if (equals(validation, 1)) {
        validation_case = 1;
        bind_step(beta_coag, n_beta_coag_validation);
        bind_step(diffus_coeff, n_diffus_coeff_const);
    } else if (equals(validation, 0)) {
        validation_case = 0;
        bind_step(beta_coag, n_beta_coag_hm);
        bind_step(diffus_coeff, n_diffus_coeff_morph);
    } else {
        bind::raise(PyExc_ValueError, "Error in _set_validation_case function!");
    }
}

// ------------------------------------------------------------ name properties

namespace {

Ref text(const char* s) { return Ref::steal(PyUnicode_FromString(s)); }

// The name of `code` among the codes first, first + 1, ...; ValueError `error` outside.
template <size_t N>
Ref name_of(int code, const char* const (&names)[N], int first, const char* error) {
    if (code >= first && code < first + (int)N) return text(names[code - first]);
    bind::raise(PyExc_ValueError, error);
}

// The first of `codes` whose name (names[code - first]) equals v; ValueError `error` when none does.
int code_named(PyObject* v, std::initializer_list<int> codes, const char* const* names, int first,
               const char* error) {
    for (int k : codes)
        if (equals(v, names[k - first])) return k;
    bind::raise(PyExc_ValueError, error);
}

}  // namespace

Ref CSootModel::get_PAH_growth_model_name() {
    return name_of(PAH_growth_model, variant_names, 1, "PAH growth model not set!");
}

void CSootModel::set_PAH_growth_model_name(PyObject* v) {
    int k = code_named(v, {1, 2, 3, 4, 5}, variant_names, 1, "Invalid PAH growth model!");
    _set_PAH_growth_model(bind::py(k).get());
}

namespace {
const char* const alpha_names[3] = {"constant", "empirical", "composition"};
const char* const coales_names[5] = {"disabled", "titania", "silica", "md-derived", "CtoH-based"};
}  // namespace

Ref CSootModel::get_alpha_model() { return name_of(_alpha_model, alpha_names, 0, "Invalid alpha model type!"); }

void CSootModel::set_alpha_model(PyObject* v) {
    int k = code_named(v, {0, 1, 2}, alpha_names, 0, "Invalid alpha model!");
    _set_alpha_model(bind::py(k).get());
}

Ref CSootModel::get_coalescence_type() {
    for (int k : {1, 2, 3, 4, 0})
        if (equals(soot_coales_type, k)) return text(coales_names[k]);
    bind::raise(PyExc_ValueError, "coalescence not set!");
}

void CSootModel::set_coalescence_type(PyObject* v) {
    int k = code_named(v, {1, 2, 3, 4, 0}, coales_names, 0, "Invalid coalescence type!");
    _set_coales_type(bind::py(k).get());
}

Ref CSootModel::get_validation() {
    if (validation_case == 0) return text("no_validation");
    if (validation_case == 1) return text("coagulation");
    bind::raise(PyExc_ValueError, "validation error!");
}

void CSootModel::set_validation(PyObject* v) {
    if (equals(v, "coagulation")) return _set_validation_case(bind::py(1).get());
    if (equals(v, "no_validation")) return _set_validation_case(bind::py(0).get());
    bind::raise(PyExc_ValueError, "Invalid validation case!");
}

}  // namespace pyrandel
