#include "cls.hpp"

#include <algorithm>
#include <cstring>
#include <memory>

namespace bind {

// ------------------------------------------------------------------- fields

void cannot_convert(PyObject* v, PyTypeObject* t) {
    if (!t) raise(PyExc_SystemError, "Missing type object");
    raisef(PyExc_TypeError, "Cannot convert %.200s to %.200s", Py_TYPE(v)->tp_name, t->tp_name);
}

void expected_exact(PyObject* v, const char* what) {
    raisef(PyExc_TypeError, "Expected %.16s, got %.200s", what, Py_TYPE(v)->tp_name);
}

void no_attribute(PyObject* self, const char* name) {
    raisef(PyExc_AttributeError, "'%.50s' object has no attribute '%.400s'", Py_TYPE(self)->tp_name, name);
}

Ref Opt::value(PyObject* self, const char* name) const {
    if (!p_) no_attribute(self, name);
    return hold();
}

void out_of_range(long long i, size_t n) {
    raisef(PyExc_IndexError, "index %lld is out of range for a native array of size %zu", i, n);
}

static void type_test(PyObject* v, PyTypeObject* t) {
    if (v == Py_None) return;
    if (!t || !PyObject_TypeCheck(v, t)) cannot_convert(v, t);
}

static void exact_test(PyObject* v, PyTypeObject* t, const char* what) {
    if (v == Py_None || Py_IS_TYPE(v, t)) return;
    expected_exact(v, what);
}

// The old object is released last: its teardown may run code that reads the field.
static void set_object(PyObject* self, const Field& f, PyObject* v) {
    PyObject*& slot = f.ref<PyObject*>(self);
    PyObject* old = slot;
    slot = v == Py_None ? Py_XNewRef(f.none()) : Py_NewRef(v);
    Py_XDECREF(old);
}

void store_field(PyObject* self, const Field& f, PyObject* v) {
    switch (f.kind) {
        case Kind::Double: f.ref<double>(self) = as_double(v); break;
        case Kind::Int: f.ref<int>(self) = as_int(v); break;
        case Kind::Index: f.ref<int64_t>(self) = as_index64(v); break;
        case Kind::Switch: f.ref<bool>(self) = as_bool(v); break;
        case Kind::Object: set_object(self, f, v); break;
        case Kind::NDArray:
            type_test(v, (PyTypeObject*)g.ndarray);
            set_object(self, f, v);
            break;
        case Kind::List:
            exact_test(v, &PyList_Type, "list");
            set_object(self, f, v);
            break;
        case Kind::Dict:
            exact_test(v, &PyDict_Type, "dict");
            set_object(self, f, v);
            break;
        case Kind::Typed:
            type_test(v, f.type);
            set_object(self, f, v);
            break;
        case Kind::IntVec: fill_from_iterable(f.ref<std::vector<int>>(self), v); break;
        case Kind::DoubleVec: fill_from_iterable(f.ref<std::vector<double>>(self), v); break;
        case Kind::OptObject: f.ref<Opt>(self) = Ref::borrow(v); break;
    }
}

Ref load_field(PyObject* self, const Field& f) {
    switch (f.kind) {
        case Kind::Double: return py(f.ref<double>(self));
        case Kind::Int: return py(f.ref<int>(self));
        case Kind::Index: return py(f.ref<int64_t>(self));
        case Kind::Switch: return py(f.ref<bool>(self));
        case Kind::IntVec: return list_of(f.ref<std::vector<int>>(self));
        case Kind::DoubleVec: return list_of(f.ref<std::vector<double>>(self));
        default: {
            PyObject* o = f.ref<PyObject*>(self);
            return Ref::borrow(o ? o : Py_None);
        }
    }
}

struct FieldSlot {
    const Field* f;
    const char* cls;
};

static PyObject* field_get(PyObject* self, void* closure) {
    auto* s = static_cast<FieldSlot*>(closure);
    try {
        return load_field(self, *s->f).release();
    } catch (...) {
        set_from_cpp_exception();
    }
    return error_exit(s->cls, (std::string(s->f->name) + ".__get__").c_str());
}

static int field_set(PyObject* self, PyObject* v, void* closure) {
    auto* s = static_cast<FieldSlot*>(closure);
    try {
        if (!v) {
            if (!s->f->is_object()) raise(PyExc_NotImplementedError, "__del__");
            set_object(self, *s->f, Py_None);
            return 0;
        }
        store_field(self, *s->f, v);
        return 0;
    } catch (...) {
        set_from_cpp_exception();
    }
    return error_exit_int(s->cls, (std::string(s->f->name) + (v ? ".__set__" : ".__del__")).c_str());
}

// An ATTR field: reading or deleting it unset raises AttributeError.
static PyObject* attr_get(PyObject* self, void* closure) {
    const Field* f = static_cast<FieldSlot*>(closure)->f;
    const Opt& o = f->ref<Opt>(self);
    if (!o) {
        PyErr_Format(PyExc_AttributeError, "'%.50s' object has no attribute '%.400s'", Py_TYPE(self)->tp_name,
                     f->name);
        return nullptr;
    }
    return o.hold().release();
}

static int attr_set(PyObject* self, PyObject* v, void* closure) {
    const Field* f = static_cast<FieldSlot*>(closure)->f;
    Opt& o = f->ref<Opt>(self);
    if (!v && !o) {
        PyErr_Format(PyExc_AttributeError, "'%.50s' object has no attribute '%.400s'", Py_TYPE(self)->tp_name,
                     f->name);
        return -1;
    }
    o = Ref::borrow(v);  // null: unset; the old value is released last
    return 0;
}

// --------------------------------------------------------------- arguments

const char* ArgName::c_str() const {
    if (text || !name) return text;
    const char* s = PyUnicode_AsUTF8(name);
    if (!s) fail();
    return s;
}

void check_arg_type(PyObject* o, PyTypeObject* t, ArgName argname) {
    if (o == Py_None) return;
    if (!t) raise(PyExc_SystemError, "Missing type object");
    if (PyObject_TypeCheck(o, t)) return;
    raisef(PyExc_TypeError, "Argument '%.200s' has incorrect type (expected %.200s, got %.200s)", argname.c_str(),
           t->tp_name, Py_TYPE(o)->tp_name);
}

void report_unraisable(const char* cls, const char* entry) { write_unraisable(qualname(cls, entry).c_str()); }

std::string qualname(const char* cls, const char* member) {
    return std::string(module_name) + "." + cls + "." + member;
}

namespace {
struct Source {
    const char* cls;
    std::string file;  // relative to the source tree
    int line;
};
std::vector<Source>& sources() {
    static std::vector<Source> s;
    return s;
}
}  // namespace

void record_source(const char* cls, const std::source_location& where) {
    std::string f = where.file_name();
    size_t k = f.rfind("/src/");
    if (k != std::string::npos) f = f.substr(k + 5);
    for (Source& s : sources())
        if (std::strcmp(s.cls, cls) == 0) return;
    sources().push_back(Source{cls, f, (int)where.line()});
}

PyObject* error_exit(const char* cls, const char* member) {
    for (const Source& s : sources())
        if (std::strcmp(s.cls, cls) == 0) {
            add_traceback(qualname(cls, member).c_str(), s.file.c_str(), s.line);
            return nullptr;
        }
    add_traceback(qualname(cls, member).c_str(), "pyrandel/lib/_pyrandel.cpp", 1);
    return nullptr;
}

PyObject* null_result() {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "result missing without an exception");
    return nullptr;
}

void add_method_traceback(const ClassSpec& spec, int mid) {
    const char* m = PyUnicode_AsUTF8(spec.method_names[(size_t)mid]);
    if (!m) return;
    error_exit(spec.name, m);
}

int error_exit_int(const char* cls, const char* member) {
    error_exit(cls, member);
    return -1;
}

std::vector<PyObject*> param_names(const char* params) {
    std::vector<PyObject*> out;
    std::string s(params);
    size_t i = 0;
    while (i < s.size()) {
        while (i < s.size() && (s[i] == ' ' || s[i] == ',')) ++i;
        size_t j = i;
        while (j < s.size() && s[j] != ',' && s[j] != ' ') ++j;
        if (j > i) out.push_back(PyUnicode_InternFromString(s.substr(i, j - i).c_str()));
        i = j;
    }
    return out;
}

// "a, b, c" from a parameter text with any spacing.
static std::string joined_params(const char* params) {
    std::string text, p(params);
    for (size_t i = 0; i < p.size();) {
        while (i < p.size() && (p[i] == ' ' || p[i] == ',')) ++i;
        size_t j = i;
        while (j < p.size() && p[j] != ',' && p[j] != ' ') ++j;
        if (j > i) text += (text.empty() ? "" : ", ") + p.substr(i, j - i);
        i = j;
    }
    return text;
}

static const char* stored(std::string text) {
    static std::vector<std::unique_ptr<std::string>> store;
    store.push_back(std::make_unique<std::string>(std::move(text)));
    return store.back()->c_str();
}

const char* signature_doc(const char* name, const char* params, bool positional_only, const char* doc) {
    std::string p = joined_params(params);
    std::string text = std::string(name) + "($self" + (p.empty() ? "" : ", ") + p;
    text += positional_only ? ", /)\n--\n\n" : ")\n--\n\n";
    if (doc) text += doc;
    return stored(std::move(text));
}

[[noreturn]] static void bad_count(const char* fname, size_t n, Py_ssize_t given) {
    raisef(PyExc_TypeError, "%.200s() takes %.8s %zd positional argument%.1s (%zd given)", fname, "exactly",
           (Py_ssize_t)n, n == 1 ? "" : "s", given);
}

static Py_ssize_t find_param(const std::vector<PyObject*>& names, PyObject* key) {
    for (size_t j = 0; j < names.size(); ++j)
        if (names[j] == key) return (Py_ssize_t)j;
    for (size_t j = 0; j < names.size(); ++j) {
        int eq = PyUnicode_Compare(names[j], key);
        if (eq == 0) return (Py_ssize_t)j;
        if (eq == -1 && PyErr_Occurred()) fail();
    }
    return -1;
}

// Keyword pairs are given as (key, value) arrays of length nkw.
static void parse_common(const char* fname, const std::vector<PyObject*>& names, PyObject* const* args,
                         Py_ssize_t nargs, PyObject* const* keys, PyObject* const* values, Py_ssize_t nkw,
                         PyObject** out) {
    size_t n = names.size();
    if (nkw == 0) {
        if ((size_t)nargs != n) bad_count(fname, n, nargs);
        for (size_t j = 0; j < n; ++j) out[j] = args[j];
        return;
    }
    if ((size_t)nargs > n) bad_count(fname, n, nargs);
    for (size_t j = 0; j < n; ++j) out[j] = j < (size_t)nargs ? args[j] : nullptr;
    for (Py_ssize_t k = 0; k < nkw; ++k)
        if (!PyUnicode_Check(keys[k])) raisef(PyExc_TypeError, "%.200s() keywords must be strings", fname);
    // Missing parameters are reported first, in order, as the count of the first one.
    for (size_t j = (size_t)nargs; j < n; ++j) {
        for (Py_ssize_t k = 0; k < nkw && !out[j]; ++k)
            if (find_param(names, keys[k]) == (Py_ssize_t)j) out[j] = values[k];
        if (!out[j]) bad_count(fname, n, (Py_ssize_t)j);
    }
    for (Py_ssize_t k = 0; k < nkw; ++k) {
        Py_ssize_t j = find_param(names, keys[k]);
        if (j < 0) raisef(PyExc_TypeError, "%s() got an unexpected keyword argument '%U'", fname, keys[k]);
        if (j < nargs) raisef(PyExc_TypeError, "%s() got multiple values for keyword argument '%U'", fname, keys[k]);
    }
}

void parse_args(const char* fname, const std::vector<PyObject*>& names, PyObject* const* args, Py_ssize_t nargs,
                PyObject* kwnames, PyObject** out) {
    nargs = PyVectorcall_NARGS(nargs);
    Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
    PyObject* const* keys = nkw ? &PyTuple_GET_ITEM(kwnames, 0) : nullptr;
    parse_common(fname, names, args, nargs, keys, args + nargs, nkw, out);
}

void parse_tuple_args(const char* fname, const std::vector<PyObject*>& names, PyObject* args, PyObject* kw,
                      PyObject** out) {
    Py_ssize_t nargs = PyTuple_GET_SIZE(args);
    std::vector<PyObject*> keys, values;
    if (kw) {
        PyObject *k, *v;
        Py_ssize_t pos = 0;
        while (PyDict_Next(kw, &pos, &k, &v)) {
            keys.push_back(k);
            values.push_back(v);
        }
    }
    parse_common(fname, names, &PyTuple_GET_ITEM(args, 0), nargs, keys.data(), values.data(),
                 (Py_ssize_t)keys.size(), out);
}

// ---------------------------------------------------------------- pickling

static Name n_dict("__dict__");
static Name n_update("update");

static std::string checksum_text(const ClassSpec& spec, long got) {
    char buf[160];
    // "%x" of a Python int: a negative value keeps its sign after the prefix.
    snprintf(buf, sizeof buf, "Incompatible checksums (0x%s%lx vs (0x%07x, 0x%07x, 0x%07x) = (", got < 0 ? "-" : "",
             got < 0 ? 0ul - (unsigned long)got : (unsigned long)got, spec.checksums[0], spec.checksums[1],
             spec.checksums[2]);
    std::string s = buf;
    for (size_t i = 0; i < spec.sorted.size(); ++i) s += (i ? ", " : "") + std::string(spec.sorted[i]->name);
    return s + "))";
}

// The layout's state (and the instance dictionary, if any).
static PyObject* reduce_fields(PyObject* self, const ClassSpec& spec) {
    try {
        size_t n = spec.sorted.size();
        // An instance that can have a dictionary has one, even before its first attribute.
        Ref dict;
        if (_PyObject_GetDictPtr(self)) dict = Ref::steal(PyObject_GenericGetDict(self, nullptr));
        Ref state = Ref::steal(PyTuple_New((Py_ssize_t)(n + (dict ? 1 : 0))));
        bool use_setstate = (bool)dict;
        for (size_t i = 0; i < n; ++i) {
            const Field& f = *spec.sorted[i];
            if (f.is_object() && f.ref<PyObject*>(self) && f.ref<PyObject*>(self) != Py_None) use_setstate = true;
            PyTuple_SET_ITEM(state.get(), (Py_ssize_t)i, load_field(self, f).release());
        }
        if (dict) PyTuple_SET_ITEM(state.get(), (Py_ssize_t)n, dict.release());
        std::string fname = std::string("__pyx_unpickle_") + spec.name;
        // No module dictionary after a failed start-up: the restore function is not there.
        PyObject* fn = g.module_dict ? PyDict_GetItemString(g.module_dict, fname.c_str()) : nullptr;
        if (!fn) raisef(PyExc_NameError, "name '%s' is not defined", fname.c_str());
        Ref sum = py((long)spec.checksums[0]);
        if (use_setstate) {
            Ref a = tuple_of({(PyObject*)Py_TYPE(self), sum.get(), Py_None});
            return tuple_of({fn, a.get(), state.get()}).release();
        }
        Ref a = tuple_of({(PyObject*)Py_TYPE(self), sum.get(), state.get()});
        return tuple_of({fn, a.get()}).release();
    } catch (...) {
        set_from_cpp_exception();
    }
    return error_exit(spec.name, "__reduce__");
}

// With ATTR fields set, the trailing dictionary holds them (after the instance
// dictionary's items) and the reducer takes the state-setter form.
PyObject* reduce(PyObject* self, const ClassSpec& spec) {
    if (spec.attrs.empty()) return reduce_fields(self, spec);
    bool any = false;
    for (const Field* f : spec.attrs) any = any || (bool)f->ref<Opt>(self);
    if (!any) return reduce_fields(self, spec);
    try {
        Ref r = Ref::steal(reduce_fields(self, spec));
        bool three = PyTuple_GET_SIZE(r.get()) == 3;
        PyObject* args = PyTuple_GET_ITEM(r.get(), 1);
        PyObject* state = three ? PyTuple_GET_ITEM(r.get(), 2) : PyTuple_GET_ITEM(args, 2);
        Py_ssize_t n = (Py_ssize_t)spec.sorted.size();
        Ref d = PyTuple_GET_SIZE(state) > n ? Ref::steal(PyDict_Copy(PyTuple_GET_ITEM(state, n)))
                                            : Ref::steal(PyDict_New());
        for (const Field* f : spec.attrs)
            if (PyObject* v = f->ref<Opt>(self).get())
                if (PyDict_SetItemString(d.get(), f->name, v) < 0) fail();
        Ref st = Ref::steal(PyTuple_New(n + 1));
        for (Py_ssize_t i = 0; i < n; ++i) {
            PyObject* item = PyTuple_GET_ITEM(state, i);
            Py_INCREF(item);
            PyTuple_SET_ITEM(st.get(), i, item);
        }
        PyTuple_SET_ITEM(st.get(), n, d.release());
        Ref a = tuple_of({PyTuple_GET_ITEM(args, 0), PyTuple_GET_ITEM(args, 1), Py_None});
        return tuple_of({PyTuple_GET_ITEM(r.get(), 0), a.get(), st.get()}).release();
    } catch (...) {
        set_from_cpp_exception();
    }
    return error_exit(spec.name, "__reduce__");
}

void set_state(PyObject* self, const ClassSpec& spec, PyObject* state) {
    if (!PyTuple_Check(state)) raisef(PyExc_TypeError, "Expected %.16s, got %.200s", "tuple", Py_TYPE(state)->tp_name);
    size_t n = spec.sorted.size();
    Py_ssize_t len = PyTuple_GET_SIZE(state);
    for (size_t i = 0; i < n; ++i) {
        if ((Py_ssize_t)i >= len) raise(PyExc_IndexError, "tuple index out of range");
        store_field(self, *spec.sorted[i], PyTuple_GET_ITEM(state, (Py_ssize_t)i));
    }
    if (len > (Py_ssize_t)n) {
        PyObject** dp = _PyObject_GetDictPtr(self);
        if (dp) {
            Ref d = getattr(self, n_dict);
            Ref r = call_method(d.get(), n_update, PyTuple_GET_ITEM(state, (Py_ssize_t)n));
        }
    }
}

// ATTR fields found in the trailing dictionary go to their members, the rest
// to the instance dictionary as before.
void setstate(PyObject* self, const ClassSpec& spec, PyObject* state) {
    Py_ssize_t n = (Py_ssize_t)spec.sorted.size();
    if (spec.attrs.empty() || !PyTuple_Check(state) || PyTuple_GET_SIZE(state) <= n ||
        !PyDict_Check(PyTuple_GET_ITEM(state, n))) {
        set_state(self, spec, state);
        return;
    }
    Ref d = Ref::steal(PyDict_Copy(PyTuple_GET_ITEM(state, n)));
    std::vector<std::pair<const Field*, Ref>> found;
    for (const Field* f : spec.attrs) {
        PyObject* v = PyDict_GetItemString(d.get(), f->name);
        if (!v) continue;
        found.emplace_back(f, Ref::borrow(v));
        if (PyDict_DelItemString(d.get(), f->name) < 0) fail();
    }
    Ref st = Ref::steal(PyTuple_GetSlice(state, 0, n + 1));
    PyObject* old = PyTuple_GET_ITEM(st.get(), n);
    PyTuple_SET_ITEM(st.get(), n, d.release());
    Py_DECREF(old);
    set_state(self, spec, st.get());
    for (auto& [f, v] : found) f->ref<Opt>(self) = std::move(v);
}

// The class an instance of `t` is built as: the nearest static type (Python
// subclasses are heap types; the module's own are static).
static PyTypeObject* static_base(PyTypeObject* t) {
    while (t && PyType_HasFeature(t, Py_TPFLAGS_HEAPTYPE)) t = t->tp_base;
    return t;
}

// The base's allocator builds only the base's part: an instance of a module
// class derived from it (or of a Python subclass of one) must come through its
// own, as CPython's `tp_new` wrapper insists. `t` is a subtype of spec's class.
static void require_own_allocator(const ClassSpec& spec, PyTypeObject* t) {
    PyTypeObject* built = static_base(t);
    if (built != spec.type)
        raisef(PyExc_TypeError, "%s.__new__(%s) is not safe, use %s.__new__()", spec.type->tp_name, t->tp_name,
               built->tp_name);
}

// What a failed deep copy put into the memo is taken out again, so that no
// part of it stays reachable. The copy module only adds keys, and a dictionary
// keeps their order: the additions are the entries past its old size. In
// another mapping only the object's own entry is known.
class MemoMark {
public:
    MemoMark(PyObject* memo, PyObject* self)
        : memo_(memo), key_(Ref::steal(PyLong_FromVoidPtr(self))),
          size_(PyDict_Check(memo) ? PyDict_GET_SIZE(memo) : -1),
          old_(size_ >= 0 ? Ref::borrow(PyDict_GetItemWithError(memo, key_.get())) : Ref()) {
        if (!key_ || PyErr_Occurred()) fail();
    }
    PyObject* key() const { return key_.get(); }
    // With the copy's exception set; it is kept.
    void roll_back() const {
        PyObject *type, *value, *tb;
        PyErr_Fetch(&type, &value, &tb);
        std::vector<Ref> added;
        if (size_ >= 0) {
            Py_ssize_t pos = 0, i = 0;
            PyObject *k, *v;
            while (PyDict_Next(memo_, &pos, &k, &v))
                if (i++ >= size_) added.push_back(Ref::borrow(k));
        } else {
            added.push_back(key_);
        }
        for (const Ref& k : added)
            if (PyObject_DelItem(memo_, k.get()) < 0) PyErr_Clear();
        if (old_ && PyObject_SetItem(memo_, key_.get(), old_.get()) < 0) PyErr_Clear();
        PyErr_Restore(type, value, tb);
    }

private:
    PyObject* memo_;
    Ref key_;
    Py_ssize_t size_;
    Ref old_;
};

static Name n_reduce("__reduce__");
static Name n_reduce_ex("__reduce_ex__");
static Name n_setstate("__setstate__");
static Name n_deepcopy("deepcopy");
static Name n_reconstruct("_reconstruct");

// Deep copy through the pickle state, as copy.deepcopy would do with the
// reducer, except that a built-in method bound to an object already copied is
// bound to its copy: the strategy attributes of the copy run on the copy.
static PyObject* deepcopy_fields(PyObject* self, const ClassSpec& spec, PyObject* memo, PyObject* key) {
    try {
        Ref copy = Ref::steal(PyImport_ImportModule("copy"));
        PyTypeObject* tp = Py_TYPE(self);
        bool own_reduce = _PyType_Lookup(tp, n_reduce) == PyDict_GetItem(spec.type->tp_dict, n_reduce) &&
                          _PyType_Lookup(tp, n_reduce_ex) == _PyType_Lookup(&PyBaseObject_Type, n_reduce_ex);
        if (!own_reduce) {
            // A subclass that pickles itself its own way is copied its own way.
            Ref rv = call_method(self, n_reduce_ex, py(4).get());
            if (PyUnicode_Check(rv.get())) return Ref::borrow(self).release();  // a global: itself
            Ref fn = getattr(copy.get(), n_reconstruct);
            Ref args = Ref::steal(PySequence_Tuple(rv.get()));
            Ref head = tuple_of({self, memo});
            Ref all = Ref::steal(PySequence_Concat(head.get(), args.get()));
            return PyObject_Call(fn.get(), all.get(), nullptr);
        }
        Ref rv = Ref::steal(reduce_fields(self, spec));
        PyObject* state = PyTuple_GET_SIZE(rv.get()) == 3 ? PyTuple_GET_ITEM(rv.get(), 2)
                                                          : PyTuple_GET_ITEM(PyTuple_GET_ITEM(rv.get(), 1), 2);
        require_own_allocator(spec, tp);
        Ref y = Ref::steal(spec.type->tp_new(tp, g.empty_tuple, nullptr));
        // In the memo before its state is copied: a state that refers back to
        // the object refers to the copy.
        if (PyObject_SetItem(memo, key, y.get()) < 0) fail();
        Ref dc = getattr(copy.get(), n_deepcopy);
        Ref st = Ref::steal(PyObject_CallFunctionObjArgs(dc.get(), state, memo, nullptr));
        if (!PyTuple_Check(st.get())) raise(PyExc_TypeError, "deep copy of the state is not a tuple");
        Ref items = Ref::steal(PySequence_List(st.get()));
        for (Py_ssize_t i = 0; i < PyList_GET_SIZE(items.get()); ++i) {
            PyObject* v = PyList_GET_ITEM(items.get(), i);
            if (!PyCFunction_Check(v)) continue;
            PyObject* bound = PyCFunction_GET_SELF(v);
            if (!bound || PyModule_Check(bound)) continue;
            Ref k = Ref::steal(PyLong_FromVoidPtr(bound));
            PyObject* twin = PyObject_GetItem(memo, k.get());
            if (!twin) {
                if (!PyErr_ExceptionMatches(PyExc_KeyError)) fail();
                PyErr_Clear();
                continue;
            }
            Ref t(twin);
            Ref rebound = Ref::steal(PyObject_GetAttrString(twin, ((PyCFunctionObject*)v)->m_ml->ml_name));
            PyList_SetItem(items.get(), i, rebound.release());
        }
        Ref st2 = Ref::steal(PyList_AsTuple(items.get()));
        // The state-setter form goes through __setstate__, which a subclass may override.
        if (PyTuple_GET_SIZE(rv.get()) == 3 &&
            _PyType_Lookup(tp, n_setstate) != PyDict_GetItem(spec.type->tp_dict, n_setstate))
            call_method(y.get(), n_setstate, st2.get());
        else
            set_state(y.get(), spec, st2.get());
        return y.release();
    } catch (...) {
        set_from_cpp_exception();
    }
    return error_exit(spec.name, "__deepcopy__");
}

// The copy of the layout, then the ATTR fields, copied with the same memo.
static PyObject* deepcopy_all(PyObject* self, const ClassSpec& spec, PyObject* memo, PyObject* key) {
    if (spec.attrs.empty()) return deepcopy_fields(self, spec, memo, key);
    try {
        Ref y = Ref::steal(deepcopy_fields(self, spec, memo, key));
        if (!PyObject_TypeCheck(y.get(), spec.type)) return y.release();
        Ref copy = Ref::steal(PyImport_ImportModule("copy"));
        for (const Field* f : spec.attrs) {
            Ref v = f->ref<Opt>(self).hold();
            if (!v || f->ref<Opt>(y.get())) continue;  // a subclass's own copy set it already
            f->ref<Opt>(y.get()) = Ref::steal(PyObject_CallMethod(copy.get(), "deepcopy", "OO", v.get(), memo));
        }
        return y.release();
    } catch (...) {
        set_from_cpp_exception();
    }
    return error_exit(spec.name, "__deepcopy__");
}

// A copy that fails leaves the memo as it was.
PyObject* deepcopy(PyObject* self, const ClassSpec& spec, PyObject* memo) {
    try {
        MemoMark mark(memo, self);
        PyObject* y = deepcopy_all(self, spec, memo, mark.key());
        if (!y) mark.roll_back();
        return y;
    } catch (...) {
        set_from_cpp_exception();
    }
    return error_exit(spec.name, "__deepcopy__");
}

PyObject* restore(const ClassSpec& spec, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
    static std::vector<PyObject*> names = param_names("__pyx_type, __pyx_checksum, __pyx_state");
    std::string fname = std::string("__pyx_unpickle_") + spec.name;
    try {
        PyObject* a[3];
        parse_args(fname.c_str(), names, args, nargs, kwnames, a);
        long sum = as_long(a[1]);
        if (std::find(spec.checksums.begin(), spec.checksums.end(), (unsigned long)sum) == spec.checksums.end() ||
            sum < 0) {
            Ref pickle = Ref::steal(PyImport_ImportModule("pickle"));
            Ref err = getattr(pickle.get(), Ref::steal(PyUnicode_FromString("PickleError")).get());
            std::string msg = checksum_text(spec, sum);
            PyErr_SetString(err.get(), msg.c_str());
            fail();
        }
        PyObject* t = a[0];
        const char* own = spec.type->tp_name;
        if (!PyType_Check(t))
            raisef(PyExc_TypeError, "%s.__new__(X): X is not a type object (%s)", own, Py_TYPE(t)->tp_name);
        if (!PyType_IsSubtype((PyTypeObject*)t, spec.type))
            raisef(PyExc_TypeError, "%s.__new__(%s): %s is not a subtype of %s", own, ((PyTypeObject*)t)->tp_name,
                   ((PyTypeObject*)t)->tp_name, own);
        require_own_allocator(spec, (PyTypeObject*)t);
        Ref obj = Ref::steal(spec.type->tp_new((PyTypeObject*)t, g.empty_tuple, nullptr));
        if (a[2] != Py_None) set_state(obj.get(), spec, a[2]);
        return obj.release();
    } catch (...) {
        set_from_cpp_exception();
    }
    add_traceback_here((std::string(module_name) + "." + fname).c_str());
    return nullptr;
}

// ----------------------------------------------------------------- dispatch

// The class of the module that `t` is (itself or a class derived from `spec`'s).
static const ClassSpec* module_class(PyTypeObject* t, const ClassSpec& spec) {
    if (t == spec.type) return &spec;
    for (const ClassSpec* d : spec.subclasses)
        if (d->type == t) return d;
    return nullptr;
}

Route route(PyObject* self, ClassSpec& spec, int mid) {
    PyTypeObject* tp = Py_TYPE(self);
    // The module's own types are static: their bodies are fixed.
    if (!PyType_HasFeature(tp, Py_TPFLAGS_HEAPTYPE)) {
        const ClassSpec* s = module_class(tp, spec);
        return s ? Route{s, false} : Route{nullptr, true};
    }
    OverrideCache& c = spec.cache;
    int slot = -1;
    for (int i = 0; i < OverrideCache::slots; ++i)
        if (c.type[i] == tp && c.version[i] == tp->tp_version_tag &&
            PyType_HasFeature(tp, Py_TPFLAGS_VALID_VERSION_TAG)) {
            slot = i;
            break;
        }
    if (slot < 0) {
        slot = c.next;
        c.next = (c.next + 1) % OverrideCache::slots;
        // The class the instance is built as: the nearest static type.
        PyTypeObject* st = static_base(tp);
        const ClassSpec* concrete = st ? module_class(st, spec) : nullptr;
        auto& ov = c.overridden[slot];
        ov.assign(spec.method_names.size(), true);
        if (concrete)
            for (size_t m = 0; m < spec.method_names.size(); ++m)
                ov[m] = _PyType_Lookup(tp, spec.method_names[m]) != _PyType_Lookup(st, spec.method_names[m]);
        // The lookups above assign a valid version tag when they can.
        c.type[slot] = PyType_HasFeature(tp, Py_TPFLAGS_VALID_VERSION_TAG) ? tp : nullptr;
        c.version[slot] = tp->tp_version_tag;
        c.concrete[slot] = concrete;
        if (spec.hot && c.type[slot] && concrete && std::find(ov.begin(), ov.end(), true) == ov.end())
            *spec.hot = HotRoute{tp, tp->tp_version_tag, concrete};
    }
    if ((size_t)mid >= c.overridden[slot].size() || c.overridden[slot][(size_t)mid]) return {nullptr, true};
    const ClassSpec* concrete = c.concrete[slot];
    // An instance attribute shadows the method (non-data descriptor).
    if (PyObject** dp = _PyObject_GetDictPtr(self)) {
        if (*dp && PyDict_GET_SIZE(*dp) > 0) {
            Ref d = Ref::borrow(*dp);  // a key's __eq__ may replace the dictionary
            PyObject* v = PyDict_GetItemWithError(d.get(), spec.method_names[(size_t)mid]);
            if (v) return {nullptr, true};
            if (PyErr_Occurred()) fail();
        }
    }
    return {concrete, false};
}

void compose_bodies(ClassSpec& s, std::span<const BodyRow> rows) {
    // Inherit, replace, append: the base's bodies by id, the class's own over them.
    s.bodies = s.parent ? s.parent->bodies : std::vector<ErasedBody>{};
    s.bodies.resize((size_t)s.mid_count, nullptr);
    for (const BodyRow& r : rows)
        if (r.mid >= 0) s.bodies.at((size_t)r.mid) = r.body;
}

Ref call_strategy(PyObject* self, PyObject* attr, const ClassSpec& spec) {
    Ref hold = Ref::borrow(attr);
    // A strategy may be any callable, one of the model's own methods included,
    // so a loop through strategies ends in RecursionError.
    RecursionGuard guard(" while calling a Python object");
    if (const PyMethodDef* ml = bound_method_def(attr, self)) {
        for (const ClassSpec* s = &spec; s; s = s->parent)
            if (ml >= s->defs_begin && ml < s->defs_end && (ml->ml_flags & METH_NOARGS))
                return Ref::steal(ml->ml_meth(self, nullptr));
    }
    return call(attr);
}

// ----------------------------------------------------------------- readying

static bool publish(ClassSpec& spec, PyObject* module) {
    Py_INCREF(spec.type);
    if (PyModule_AddObject(module, spec.name, (PyObject*)spec.type) < 0) {
        Py_DECREF(spec.type);
        return false;
    }
    return true;
}

namespace {

// The type object's name, size, flags, signature, slots and base.
bool fill_type_slots(ClassSpec& spec) {
    PyTypeObject* t = spec.type;
    static std::vector<std::unique_ptr<std::string>> tp_names;
    tp_names.push_back(std::make_unique<std::string>(std::string(module_name) + "." + spec.name));
    t->tp_name = tp_names.back()->c_str();
    t->tp_basicsize = spec.basicsize;
    t->tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE | Py_TPFLAGS_HAVE_GC;
    // "CX(a, b)\n--\n\nCX(a, b)": the interpreter takes the class's signature from
    // the head and keeps the rest, the same text, as its __doc__.
    const ClassSpec* ctor = &spec;
    while (!ctor->init.slot && ctor->parent) ctor = ctor->parent;
    std::string sig = std::string(spec.name) + "(" + joined_params(ctor->init.params ? ctor->init.params : "") + ")";
    t->tp_doc = stored(sig + "\n--\n\n" + sig);
    t->tp_new = spec.tp_new;
    t->tp_dealloc = spec.dealloc;
    t->tp_traverse = spec.traverse;
    t->tp_clear = spec.clear;
    t->tp_init = spec.init.slot;
    t->tp_call = spec.call.slot;
    if (spec.parent) {
        // The base is readied earlier in the module's order.
        if (!PyType_HasFeature(spec.parent->type, Py_TPFLAGS_READY)) {
            PyErr_Format(PyExc_SystemError, "base of %s is not ready", spec.name);
            return false;
        }
        spec.base = spec.parent->type;
    }
    if (spec.base) t->tp_base = spec.base;
    return true;
}

// Every entry of the internal table is filled.
bool check_vtable(const ClassSpec& spec) {
    if (!spec.vtable) return true;
    auto* entries = static_cast<void* const*>(spec.vtable);
    for (size_t i = 0; i < spec.vtable_size / sizeof(void*); ++i)
        if (!entries[i]) {
            PyErr_Format(PyExc_SystemError, "entry %zu of the internal table of %s is empty", i, spec.name);
            return false;
        }
    return true;
}

// Base fields first, in declaration order; the pickled ones by character code; the ATTR ones.
void order_fields(ClassSpec& spec) {
    spec.all_fields.clear();
    if (spec.parent) spec.all_fields = spec.parent->all_fields;
    for (const Field& f : spec.fields) spec.all_fields.push_back(&f);
    spec.sorted.clear();
    for (const Field* f : spec.all_fields)
        if (f->pickled) spec.sorted.push_back(f);
    std::sort(spec.sorted.begin(), spec.sorted.end(),
              [](const Field* a, const Field* b) { return std::strcmp(a->name, b->name) < 0; });
    spec.attrs.clear();
    for (const Field* f : spec.all_fields)
        if (f->is_attr()) spec.attrs.push_back(f);
}

// The class's own exposed fields (a base's attributes are inherited), its
// properties, then its ATTR fields.
void fill_getsets(ClassSpec& spec) {
    auto* slots = new std::vector<FieldSlot>();  // lives as long as the type
    slots->reserve(spec.fields.size());
    spec.getsets.clear();
    for (const Field& f : spec.fields) {
        if (!f.exposed) continue;
        if (f.is_attr()) continue;
        slots->push_back(FieldSlot{&f, spec.name});
        spec.getsets.push_back(
            PyGetSetDef{f.name, field_get, f.writable ? field_set : nullptr, nullptr, &slots->back()});
    }
    for (PyGetSetDef* p = spec.props; p && p->name; ++p) spec.getsets.push_back(*p);
    for (const Field& f : spec.fields) {
        if (!f.is_attr()) continue;
        slots->push_back(FieldSlot{&f, spec.name});
        spec.getsets.push_back(PyGetSetDef{f.name, attr_get, attr_set, nullptr, &slots->back()});
    }
    spec.getsets.push_back(PyGetSetDef{nullptr, nullptr, nullptr, nullptr, nullptr});
    spec.type->tp_getset = spec.getsets.data();
}

// The method table, stored once: the class's methods, then pickling, copying and
// the constructor and call wrappers. Returns the number of the class's own methods.
size_t fill_methods(ClassSpec& spec) {
    size_t n_methods = 0;
    for (PyMethodDef* m = spec.methods; m && m->ml_name; ++m) ++n_methods;
    spec.all_methods.clear();
    spec.all_methods.reserve(n_methods + 6);
    for (size_t m = 0; m < n_methods; ++m) spec.all_methods.push_back(spec.methods[m]);
    spec.all_methods.push_back(
        PyMethodDef{"__reduce__", spec.reduce_fn, METH_NOARGS, "__reduce__($self, /)\n--\n\n"});
    spec.all_methods.push_back(
        PyMethodDef{"__setstate__", spec.setstate_fn, METH_O, "__setstate__($self, state, /)\n--\n\n"});
    spec.all_methods.push_back(
        PyMethodDef{"__deepcopy__", spec.deepcopy_fn, METH_O, "__deepcopy__($self, memo, /)\n--\n\n"});
    // In place of the slots' wrappers (METH_COEXIST), with the parameter names;
    // calls of the class and its instances still enter the slots.
    if (spec.init.method)
        spec.all_methods.push_back(PyMethodDef{"__init__", (PyCFunction)(void (*)())spec.init.method,
                                               METH_VARARGS | METH_KEYWORDS | METH_COEXIST,
                                               signature_doc("__init__", spec.init.params, false, nullptr)});
    if (spec.call.method)
        spec.all_methods.push_back(PyMethodDef{"__call__", (PyCFunction)(void (*)())spec.call.method,
                                               METH_FASTCALL | METH_KEYWORDS | METH_COEXIST,
                                               signature_doc("__call__", spec.call.params, false, nullptr)});
    spec.all_methods.push_back(PyMethodDef{nullptr, nullptr, 0, nullptr});
    spec.defs_begin = spec.all_methods.data();
    spec.defs_end = spec.defs_begin + n_methods;
    spec.type->tp_methods = spec.all_methods.data();
    return n_methods;
}

// Names by method id: the base's, then the class's own new methods; the class
// joins its bases' lists of subclasses.
bool record_method_ids(ClassSpec& spec, size_t n_methods) {
    spec.method_names.clear();
    size_t inherited = 0;
    if (spec.parent) {
        spec.method_names = spec.parent->method_names;
        inherited = spec.method_names.size();
    }
    size_t n_new = spec.mid_count ? (size_t)spec.mid_count - inherited : n_methods;
    for (size_t m = 0; m < n_new && m < n_methods; ++m) {
        PyObject* nm = PyUnicode_InternFromString(spec.all_methods[m].ml_name);
        if (!nm) return false;
        spec.method_names.push_back(nm);
    }
    for (ClassSpec* p = spec.parent; p; p = p->parent)
        if (std::find(p->subclasses.begin(), p->subclasses.end(), &spec) == p->subclasses.end())
            p->subclasses.push_back(&spec);
    return true;
}

// The internal table as the type's `__pyx_vtable__` capsule.
bool publish_vtable(const ClassSpec& spec) {
    if (!spec.vtable) return true;
    Ref cap(PyCapsule_New(spec.vtable, nullptr, nullptr));
    return cap && PyDict_SetItemString(spec.type->tp_dict, "__pyx_vtable__", cap.get()) == 0;
}

}  // namespace

bool ready(ClassSpec& spec, PyObject* module) {
    // A retried import after a failed one finds the type already readied.
    if (PyType_HasFeature(spec.type, Py_TPFLAGS_READY)) return publish(spec, module);
    if (!fill_type_slots(spec) || !check_vtable(spec)) return false;
    order_fields(spec);
    fill_getsets(spec);
    const size_t n_methods = fill_methods(spec);
    if (PyType_Ready(spec.type) < 0) return false;
    if (!record_method_ids(spec, n_methods) || !publish_vtable(spec)) return false;
    PyType_Modified(spec.type);
    return publish(spec, module);
}

bool publish_restore(ClassSpec& spec, PyObject* module) {
    spec.restore_name = std::string("__pyx_unpickle_") + spec.name;
    spec.restore_def = PyMethodDef{spec.restore_name.c_str(), (PyCFunction)(void (*)())spec.unpickle_fn,
                                   METH_FASTCALL | METH_KEYWORDS, nullptr};
    PyObject* modname = PyUnicode_FromString(module_name);
    if (!modname) return false;
    PyObject* fn = PyCFunction_NewEx(&spec.restore_def, module, modname);
    Py_DECREF(modname);
    if (!fn) return false;
    int r = PyDict_SetItemString(PyModule_GetDict(module), spec.restore_name.c_str(), fn);
    Py_DECREF(fn);
    return r == 0;
}

}  // namespace bind
