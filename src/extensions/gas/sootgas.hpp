// CSootGas: the modular framework's view of the caller's gas object, caching
// the gas state in SI units with molar amounts in mol.
#pragma once

#include "../../binding/cls.hpp"

namespace pyrandel {

struct CSootGas;

// Internal accessors the rate kernels call without a name lookup.
struct CSootGasVTable {
    double (*C)(CSootGas*, int i);
    double (*MW_c)(CSootGas*, int i);
    double (*calc_lambda_gas)(CSootGas*);
    double (*lambda_gas_c)(CSootGas*);
    double (*T_c)(CSootGas*);
    double (*P_c)(CSootGas*);
    double (*mu_c)(CSootGas*);
    double (*rho_c)(CSootGas*);
    int (*species_index)(CSootGas*, PyObject* name);
};

#define CSOOTGAS_METHODS(X)                          \
    X(update_thermo_TPUY, "T, P, UY", nullptr)       \
    X(update_thermo_TDUY, "T, D, UY", nullptr)       \
    X(update_thermo_TPX, "T, P, X", nullptr)         \
    X(update_thermo_TPXmw, "T, P, X", nullptr)       \
    X(update_thermo, "", nullptr)                    \
    X(update_transport_mix, "", nullptr)             \
    X(update_lambda_gas, "", nullptr)                \
    X(update_transport, "", nullptr)                 \
    X(update_transport_sutherland, "", nullptr)      \
    X(update, "T, P, X, rho, mu, mean_MW", nullptr)  \
    X(update_mean_MW, "mean_MW", nullptr)            \
    X(update_MWs, "MWs", nullptr)                    \
    X(set_species_indices, "species_index_dict", nullptr)

struct CSootGas {
    using Self = CSootGas;
    PyObject_HEAD
    const CSootGasVTable* vtab;

    PyObject* cantera_gas;
    std::vector<double> _X;
    std::vector<double> _MWs;
    PyObject* _MW_array;
    double _T;
    double _P;
    double _mean_MW;
    PyObject* _mu;
    PyObject* _rho;
    PyObject* _lambda_gas;
    PyObject* _species_index_dict;

    static constexpr const char* py_name = "CSootGas";
    static constexpr const char* doc = "CSootGas(cantera_gas)";
    static PyTypeObject type;
    static const CSootGasVTable vtable;
    static bind::ClassSpec& spec();
    static void on_new(CSootGas* self) { self->vtab = &vtable; }

    enum { CSOOTGAS_METHODS(BIND_ID) MID_count };
    CSOOTGAS_METHODS(BIND_DISPATCHER)

    void init_impl(PyObject* cantera_gas);

    void update_thermo_TPUY_impl(double T, double P, bind::NDArray UY);
    void update_thermo_TDUY_impl(double T, double D, bind::NDArray UY);
    void update_thermo_TPX_impl(double T, double P, bind::NDArray X);
    void update_thermo_TPXmw_impl(double T, double P, bind::DoubleBuf X);
    void update_thermo_impl();
    void update_transport_mix_impl();
    void update_lambda_gas_impl();
    void update_transport_impl();
    void update_transport_sutherland_impl();
    void update_impl(double T, double P, std::vector<double> X, double rho, double mu, double mean_MW);
    void update_mean_MW_impl(double mean_MW);
    void update_MWs_impl(bind::NDArray MWs);
    void set_species_indices_impl(PyObject* species_index_dict);

    // Internal accessors (bodies of the vtable entries); they raise, the
    // table entries report as unraisable.
    double C_impl(int i);
    double calc_lambda_gas_impl();

    // Properties.
    bind::Ref get_T();
    bind::Ref get_P();
    bind::Ref get_mean_MW();
    bind::Ref get_rho();
    bind::Ref get_mu();
    bind::Ref get_lambda_gas();
    bind::Ref get_MWs();
    bind::Ref get_MW_array();
    bind::Ref get_X_array();
    bind::Ref get_n_species();
    bind::Ref get_w_array();
    bind::Ref get_Y_array();
    bind::Ref get_h_mol_array();
    bind::Ref get_u_mol_array();
    bind::Ref get_h_mass_total();
    bind::Ref get_u_mass_total();
    bind::Ref get_cv_mass();
    bind::Ref get_state();

private:
    // The gas object, held for the call: its attributes may run code that replaces the field.
    bind::Ref gas() const { return bind::Ref::borrow(cantera_gas); }
    void read_X_from_gas();
    void read_rho_from_gas();
    void read_mean_MW_from_gas();
    void set_unnormalized(PyObject* UY);
};

}  // namespace pyrandel
