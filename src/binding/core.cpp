#include "core.hpp"

#include <cstdarg>
#include <exception>
#include <ios>
#include <new>
#include <stdexcept>
#include <typeinfo>

namespace bind {

Globals g;

void raise(PyObject* type, const char* msg) {
    PyErr_SetString(type, msg);
    throw Error{};
}

void raisef(PyObject* type, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    PyErr_FormatV(type, fmt, ap);
    va_end(ap);
    throw Error{};
}

static std::vector<Name*>& name_registry() {
    static std::vector<Name*> r;
    return r;
}

Name::Name(const char* t) : text(t) { name_registry().push_back(this); }

bool intern_all() {
    for (Name* n : name_registry()) {
        if (n->obj) continue;
        n->obj = PyUnicode_InternFromString(n->text);
        if (!n->obj) return false;
    }
    return true;
}

// Integer conversion in the manner of the interpreter's `int()` for numbers,
// refusing objects without `__int__`/`__index__`.
static Ref to_pylong(PyObject* o) {
    if (PyLong_Check(o)) return Ref::borrow(o);
    PyNumberMethods* nb = Py_TYPE(o)->tp_as_number;
    PyObject* r = nullptr;
    if (nb && nb->nb_int) r = nb->nb_int(o);
    else if (nb && nb->nb_index) r = nb->nb_index(o);
    else raise(PyExc_TypeError, "an integer is required");
    if (!r) fail();
    if (!PyLong_Check(r)) {
        PyErr_Format(PyExc_TypeError, "__int__ returned non-int (type %.200s)", Py_TYPE(r)->tp_name);
        Py_DECREF(r);
        fail();
    }
    return Ref(r);
}

long as_long(PyObject* o) {
    Ref l = to_pylong(o);
    long v = PyLong_AsLong(l.get());
    if (v == -1 && PyErr_Occurred()) fail();
    return v;
}

int as_int(PyObject* o) {
    long v = as_long(o);
    if (v < INT32_MIN || v > INT32_MAX) raise(PyExc_OverflowError, "value too large to convert to int");
    return (int)v;
}

size_t as_size_t(PyObject* o) {
    Ref l = to_pylong(o);
    if (_PyLong_Sign(l.get()) < 0) raise(PyExc_OverflowError, "can't convert negative value to size_t");
    size_t v = PyLong_AsSize_t(l.get());
    if (v == (size_t)-1 && PyErr_Occurred()) fail();
    return v;
}

int64_t as_index64(PyObject* o) {
    Ref l = Ref::steal(PyNumber_Index(o));
    long long v = PyLong_AsLongLong(l.get());
    if (v == -1 && PyErr_Occurred()) fail();
    return (int64_t)v;
}

template <class E, class Conv>
static void fill_impl(std::vector<E>& out, PyObject* it, Conv conv) {
    Ref iter = Ref::steal(PyObject_GetIter(it));
    std::vector<E> tmp;
    while (PyObject* item = PyIter_Next(iter.get())) {
        Ref hold(item);
        tmp.push_back(conv(item));
    }
    if (PyErr_Occurred()) fail();
    out.swap(tmp);
}

void fill_from_iterable(std::vector<double>& out, PyObject* it) { fill_impl(out, it, as_double); }
void fill_from_iterable(std::vector<int>& out, PyObject* it) { fill_impl(out, it, as_int); }

Ref tuple_of(std::initializer_list<PyObject*> items) {
    Ref t = Ref::steal(PyTuple_New((Py_ssize_t)items.size()));
    Py_ssize_t i = 0;
    for (PyObject* o : items) {
        Py_INCREF(o);
        PyTuple_SET_ITEM(t.get(), i++, o);
    }
    return t;
}

static Name n_np("np");

Ref np() {
    PyObject* m = g.module_dict ? PyDict_GetItemWithError(g.module_dict, n_np) : nullptr;
    if (!m) {
        if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", n_np.obj);
        fail();
    }
    return Ref::borrow(m);
}

void add_traceback(const char* qualname, const char* file, int line) { _PyTraceback_Add(qualname, file, line); }

void add_traceback_here(const char* qualname, const std::source_location where) {
    std::string f = where.file_name();
    size_t k = f.rfind("/src/");
    if (k != std::string::npos) f = f.substr(k + 5);
    _PyTraceback_Add(qualname, f.c_str(), (int)where.line());
}

void write_unraisable(const char* qualname) {
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    if (!type) return;  // nothing to report
    PyErr_NormalizeException(&type, &value, &tb);
    if (tb && value) PyException_SetTraceback(value, tb);
    // Print the traceback ourselves: PyErr_Print would exit on SystemExit.
    Py_XINCREF(type);
    Py_XINCREF(value);
    Py_XINCREF(tb);
    PyErr_Display(type, value, tb);
    PyErr_Clear();
    // The context first, so that a failure to make it cannot replace the exception.
    PyObject* ctx = PyUnicode_FromString(qualname);
    PyErr_Clear();
    PyErr_Restore(type, value, tb);
    PyErr_WriteUnraisable(ctx ? ctx : Py_None);
    Py_XDECREF(ctx);
    Py_XDECREF(type);
    Py_XDECREF(value);
    Py_XDECREF(tb);
    PyErr_Clear();
}

void add_hint(const char* hint) {
    PyObject *type, *value, *tb;
    PyErr_Fetch(&type, &value, &tb);
    if (type) {
        PyErr_NormalizeException(&type, &value, &tb);
        // Only a plain message: an exception built with other arguments keeps them.
        Ref args(value ? PyObject_GetAttrString(value, "args") : nullptr);  // nullable: no throw here
        PyObject* msg = args && PyTuple_Check(args.get()) && PyTuple_GET_SIZE(args.get()) == 1
                            ? PyTuple_GET_ITEM(args.get(), 0) : nullptr;
        if (msg && PyUnicode_Check(msg)) {
            Ref tail(PyUnicode_FromFormat(": %s", hint));
            if (tail && PyUnicode_Tailmatch(msg, tail.get(), 0, PY_SSIZE_T_MAX, 1) == 0) {
                Ref text(PyUnicode_Concat(msg, tail.get()));
                Ref new_args(text ? PyTuple_Pack(1, text.get()) : nullptr);
                if (new_args) PyObject_SetAttrString(value, "args", new_args.get());
            }
        }
        PyErr_Clear();  // a failure above leaves the message as it was
    }
    PyErr_Restore(type, value, tb);
}

void set_from_cpp_exception() {
    try {
        throw;
    } catch (Error&) {
        if (!PyErr_Occurred()) PyErr_SetString(PyExc_RuntimeError, "Unknown exception");
    } catch (const std::bad_alloc& e) {
        PyErr_SetString(PyExc_MemoryError, e.what());
    } catch (const std::bad_cast& e) {
        PyErr_SetString(PyExc_TypeError, e.what());
    } catch (const std::bad_typeid& e) {
        PyErr_SetString(PyExc_TypeError, e.what());
    } catch (const std::domain_error& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const std::invalid_argument& e) {
        PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const std::ios_base::failure& e) {
        PyErr_SetString(PyExc_IOError, e.what());
    } catch (const std::out_of_range& e) {
        PyErr_SetString(PyExc_IndexError, e.what());
    } catch (const std::overflow_error& e) {
        PyErr_SetString(PyExc_OverflowError, e.what());
    } catch (const std::range_error& e) {
        PyErr_SetString(PyExc_ArithmeticError, e.what());
    } catch (const std::underflow_error& e) {
        PyErr_SetString(PyExc_ArithmeticError, e.what());
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_RuntimeError, e.what());
    } catch (...) {
        PyErr_SetString(PyExc_RuntimeError, "Unknown exception");
    }
}

}  // namespace bind
