// Start-up of the extension module: two-phase initialisation, the class
// registry, the imported type checks, constants, restore functions and the
// enumerations.
#include "../binding/cls.hpp"  // Python.h first

#include <bit>
#include <cstdint>
#include <cstring>

#include "../binding/cls.hpp"
#include "../binding/numpy.hpp"
#include "../binding/results.hpp"
#include "../physics/constants.hpp"
#include "registry.hpp"

namespace pyrandel {

namespace {

int64_t first_interpreter = -1;
PyObject* the_module = nullptr;  // strong reference once execution has begun

using bind::fail;
using bind::Ref;

// ------------------------------------------------------------- type imports

struct ImportedType {
    const char* module;
    const char* name;
    Py_ssize_t size;
    bool warn_if_larger;
};

const ImportedType imported_types[] = {
    {"builtins", "type", 904, true},
    {"numpy", "dtype", 88, false},  // NumPy 2 shrank the public descriptor from 96 bytes
    {"numpy", "flatiter", 2632, false},
    {"numpy", "broadcast", 560, false},
    {"numpy", "ndarray", 96, false},
    {"numpy", "generic", 16, true},
    {"numpy", "number", 16, true},
    {"numpy", "integer", 16, true},
    {"numpy", "signedinteger", 16, true},
    {"numpy", "unsignedinteger", 16, true},
    {"numpy", "inexact", 16, true},
    {"numpy", "floating", 16, true},
    {"numpy", "complexfloating", 16, true},
    {"numpy", "flexible", 16, true},
    {"numpy", "character", 16, true},
    {"numpy", "ufunc", 232, false},
};

void import_types() {
    for (const ImportedType& it : imported_types) {
        Ref mod = Ref::steal(PyImport_ImportModule(it.module));
        Ref t = Ref::steal(PyObject_GetAttrString(mod.get(), it.name));
        if (!PyType_Check(t.get()))
            bind::raisef(PyExc_TypeError, "%.200s.%.200s is not a type object", it.module, it.name);
        auto* tp = (PyTypeObject*)t.get();
        Py_ssize_t basic = tp->tp_basicsize;
        Py_ssize_t item = tp->tp_itemsize;
        if (item && item < (Py_ssize_t)sizeof(void*)) item = sizeof(void*);
        if (basic + item < it.size)
            bind::raisef(PyExc_ValueError,
                         "%.200s.%.200s size changed, may indicate binary incompatibility. Expected %zd from C "
                         "header, got %zd from PyObject",
                         it.module, it.name, it.size, basic);
        if (it.warn_if_larger && basic > it.size) {
            if (PyErr_WarnFormat(PyExc_RuntimeWarning, 0,
                                 "%s.%s size changed, may indicate binary incompatibility. Expected %zd from C "
                                 "header, got %zd from PyObject",
                                 it.module, it.name, it.size, basic) < 0)
                fail();
        }
        if (std::strcmp(it.name, "ndarray") == 0) {
            Py_XDECREF(bind::g.ndarray);
            bind::g.ndarray = t.release();
        }
    }
    // The scalar type of results that NumPy's functions would give; without it
    // (a stand-in numpy) such results stay Python floats.
    Ref numpy = Ref::steal(PyImport_ImportModule("numpy"));
    PyObject* f64 = PyObject_GetAttrString(numpy.get(), "float64");
    if (!f64 || !PyType_Check(f64)) PyErr_Clear();
    else bind::set_float64_type(f64);
    Py_XDECREF(f64);
    bind::capture_numpy(numpy.get());
}

// `from <package-relative or absolute> name`, as the start-up imports do.
Ref import_relative_first(PyObject* globals, const char* name) {
    Ref n = Ref::steal(PyUnicode_FromString(name));
    PyObject* m = PyImport_ImportModuleLevelObject(n.get(), globals, nullptr, nullptr, 1);
    if (!m && PyErr_ExceptionMatches(PyExc_ImportError)) {
        PyErr_Clear();
        m = PyImport_ImportModuleLevelObject(n.get(), globals, nullptr, nullptr, 0);
    }
    return Ref::steal(m);
}

Ref import_from(PyObject* globals, const char* module, const char* name) {
    Ref n = Ref::steal(PyUnicode_FromString(module));
    Ref fromlist = Ref::steal(Py_BuildValue("(s)", name));
    PyObject* m = PyImport_ImportModuleLevelObject(n.get(), globals, nullptr, fromlist.get(), 1);
    if (!m && PyErr_ExceptionMatches(PyExc_ImportError)) {
        PyErr_Clear();
        m = PyImport_ImportModuleLevelObject(n.get(), globals, nullptr, fromlist.get(), 0);
    }
    Ref mod = Ref::steal(m);
    PyObject* v = PyObject_GetAttrString(mod.get(), name);
    if (!v) {
        if (PyErr_ExceptionMatches(PyExc_AttributeError)) {
            PyErr_Clear();
            Ref nm = Ref::steal(PyUnicode_FromString(name));
            PyErr_Format(PyExc_ImportError, "cannot import name %S", nm.get());
        }
        fail();
    }
    return Ref(v);
}

// ------------------------------------------------------------- enumerations

struct Member {
    const char* name;
    int value;
};
struct Enumeration {
    const char* name;
    std::initializer_list<Member> members;
};

const Enumeration enumerations[] = {
    {"DIFFUSION_COEFF_METHODS", {{"DIFF_MORPHOLOGY", 0}, {"DIFF_CONSTANT", 1}}},
    {"PAH_GROWTH_MODELS",
     {{"reactive_dimerization", 1},
      {"self_collision", 2},
      {"self_collision_lump", 3},
      {"cross_linking", 4},
      {"irrev_dimerization", 5}}},
    {"SOOT_COALES_TYPES", {{"no_coales", 0}, {"titania", 1}, {"silica", 2}, {"md_derived", 3}, {"ctoh_based", 4}}},
    {"TEMPERATURE_SOLVERS", {{"PROFILE_LENGTH", 0}, {"PROFILE_TIME", 1}, {"ENERGY_EQUATION", 2}, {"ISOTHERMAL", 3}}},
    {"VALIDATION_CASES", {{"no_validation", 0}, {"coagulation", 1}}},
    {"VI", {{"N_agg", 0}, {"N_pri", 1}, {"C_tot", 2}, {"H_tot", 3}}},
    {"boundary_type", {{"inlet", 0}, {"outlet", 1}}},
};

void create_enumerations(PyObject* dict, PyObject* ordered_dict, PyObject* int_enum) {
    for (const Enumeration& e : enumerations) {
        Ref pairs = Ref::steal(PyList_New(0));
        for (const Member& m : e.members) {
            Ref pair = Ref::steal(Py_BuildValue("(si)", m.name, m.value));
            if (PyList_Append(pairs.get(), pair.get()) < 0) fail();
        }
        Ref od = bind::call(ordered_dict, pairs.get());
        Ref name = Ref::steal(PyUnicode_FromString(e.name));
        Ref args = bind::tuple_of({name.get(), od.get()});
        Ref en = Ref::steal(PyObject_Call(int_enum, args.get(), nullptr));
        if (PyDict_SetItem(dict, name.get(), en.get()) < 0) fail();
        for (const Member& m : e.members) {
            Ref back = Ref::borrow(PyDict_GetItemWithError(dict, name.get()));
            if (!back) {
                if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name.get());
                fail();
            }
            Ref member = Ref::steal(PyObject_GetAttrString(back.get(), m.name));
            if (PyDict_SetItemString(dict, m.name, member.get()) < 0) fail();
        }
    }
}

// --------------------------------------------------------------- the steps

PyObject* module_create(PyObject* spec, PyModuleDef*) {
    int64_t id = PyInterpreterState_GetID(PyThreadState_Get()->interp);
    if (first_interpreter == -1) {
        if (id == -1) return nullptr;
        first_interpreter = id;
    } else if (id != first_interpreter) {
        PyErr_SetString(PyExc_ImportError,
                        "Interpreter change detected - this module can only be loaded into one interpreter per "
                        "process.");
        return nullptr;
    }
    if (the_module) {
        Py_INCREF(the_module);
        return the_module;
    }
    PyObject* name = PyObject_GetAttrString(spec, "name");
    if (!name) return nullptr;
    PyObject* mod = PyModule_NewObject(name);
    Py_DECREF(name);
    if (!mod) return nullptr;
    PyObject* d = PyModule_GetDict(mod);
    const char* copies[][2] = {{"loader", "__loader__"},
                               {"origin", "__file__"},
                               {"parent", "__package__"},
                               {"submodule_search_locations", "__path__"}};
    for (auto& c : copies) {
        PyObject* v = PyObject_GetAttrString(spec, c[0]);
        if (!v) {
            if (PyErr_ExceptionMatches(PyExc_AttributeError)) {
                PyErr_Clear();
                continue;
            }
            Py_DECREF(mod);
            return nullptr;
        }
        bool skip = std::strcmp(c[1], "__path__") == 0 && v == Py_None;
        int r = skip ? 0 : PyDict_SetItemString(d, c[1], v);
        Py_DECREF(v);
        if (r < 0) {
            Py_DECREF(mod);
            return nullptr;
        }
    }
    return mod;
}

const char* const qualified_module = "pyrandel.lib._pyrandel";

void exec_steps(PyObject* module, bool& added_sys_modules) {
    // Version check: the module is built for 3.11.
    const char* rt = Py_GetVersion();
    if (std::strncmp(rt, "3.11", 4) != 0) {
        char rtv[5] = {0};
        for (int i = 0, dots = 0; i < 4 && rt[i]; ++i) {
            if (rt[i] == '.' && ++dots > 1) break;
            if (rt[i] != '.' && (rt[i] < '0' || rt[i] > '9')) break;
            rtv[i] = rt[i];
        }
        if (PyErr_WarnFormat(PyExc_RuntimeWarning, 1,
                             "compiletime version %s of module '%.100s' does not match runtime version %s", "3.11",
                             qualified_module, rtv) < 0)
            fail();
    }
    if (!bind::g.empty_tuple) bind::g.empty_tuple = bind::check(PyTuple_New(0));

    Py_INCREF(module);
    the_module = module;
    PyObject* dict = PyModule_GetDict(module);
    bind::g.module_dict = dict;

    Ref builtins = Ref::steal(PyImport_ImportModule("builtins"));
    if (PyDict_SetItemString(dict, "__builtins__", builtins.get()) < 0) fail();

    if (!bind::intern_all()) fail();

    PyObject* sys_modules = PyImport_GetModuleDict();
    int has = PyDict_Contains(sys_modules, Ref::steal(PyUnicode_FromString(qualified_module)).get());
    if (has < 0) fail();
    if (!has) {
        if (PyDict_SetItemString(sys_modules, qualified_module, module) < 0) fail();
        added_sys_modules = true;
    }

    const char* needed_builtins[] = {"range",       "ValueError", "map",      "super", "TypeError", "ImportError",
                                     "MemoryError", "enumerate",  "Ellipsis", "id",    "IndexError"};
    for (const char* b : needed_builtins) {
        if (!PyObject_HasAttrString(builtins.get(), b)) {
            Ref n = Ref::steal(PyUnicode_FromString(b));
            bind::raisef(PyExc_NameError, "name '%U' is not defined", n.get());
        }
    }

    // Types need numpy.ndarray for their typed fields, which the type import sets.
    for (auto spec_of : registry()) {
        bind::ClassSpec& s = spec_of();
        if (!bind::ready(s, module)) fail();
    }
    import_types();

    Ref np = import_relative_first(dict, "numpy");
    if (PyDict_SetItemString(dict, "np", np.get()) < 0) fail();

    for (auto spec_of : registry())
        if (!bind::publish_restore(spec_of(), module)) fail();

    Ref test = Ref::steal(PyDict_New());
    if (PyDict_SetItemString(dict, "__test__", test.get()) < 0) fail();

    Ref od = import_from(dict, "collections", "OrderedDict");
    Ref ie = import_from(dict, "enum", "IntEnum");
    create_enumerations(dict, od.get(), ie.get());
}

int module_exec(PyObject* module) {
    if (the_module) {
        if (the_module == module) return 0;
        PyErr_SetString(PyExc_RuntimeError,
                        "Module '_pyrandel' has already been imported. Re-initialisation is not supported.");
        return -1;
    }
    bool added = false;
    try {
        exec_steps(module, added);
        return 0;
    } catch (...) {
        bind::set_from_cpp_exception();
    }
    if (the_module) {
        bind::add_traceback_here("init pyrandel.lib._pyrandel");
        Py_CLEAR(the_module);
        bind::g.module_dict = nullptr;
    }
    if (added) {
        // Do not leave a half-filled module behind for the next import.
        PyObject *t, *v, *tb;
        PyErr_Fetch(&t, &v, &tb);
        PyObject* sys_modules = PyImport_GetModuleDict();
        if (PyDict_GetItemString(sys_modules, qualified_module) == module &&
            PyDict_DelItemString(sys_modules, qualified_module) < 0)
            PyErr_Clear();
        PyErr_Restore(t, v, tb);
    }
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_ImportError, "init pyrandel.lib._pyrandel");
    return -1;
}

PyModuleDef_Slot slots[] = {
    {.slot = Py_mod_create, .value = (void*)module_create},
    {.slot = Py_mod_exec, .value = (void*)module_exec},
    {.slot = 0, .value = nullptr},
};

PyModuleDef moduledef = {
    .m_base = PyModuleDef_HEAD_INIT,
    .m_name = "_pyrandel",
    .m_doc = nullptr,
    .m_size = 0,
    .m_methods = nullptr,
    .m_slots = slots,
    .m_traverse = nullptr,
    .m_clear = nullptr,
    .m_free = nullptr,
};

}  // namespace
}  // namespace pyrandel

PyMODINIT_FUNC PyInit__pyrandel(void) { return PyModuleDef_Init(&pyrandel::moduledef); }
