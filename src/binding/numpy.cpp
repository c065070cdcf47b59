#include "numpy.hpp"

#include <cmath>
#include <cstring>
#include <iterator>
#include <string>

namespace bind {

namespace {

Name n_interp("interp");
Name n_hstack("hstack");
Name n_empty("empty");
Name n_float64("float64");
Name n_sum("sum");
Name n_zeros("zeros");
Name n_zeros_like("zeros_like");
Name n_dot("dot");
Name n_pi("pi");
Name n_ones("ones");
Name n_grid("grid");
Name n_X("X");

Ref np_attr(PyObject* name) { return getattr(np().get(), name); }

// slice(None), made once.
PyObject* full_slice() {
    static PyObject* s = PySlice_New(nullptr, nullptr, nullptr);
    if (!s) fail();
    return s;
}

Ref index_pair(PyObject* first, PyObject* second) { return tuple_of({first, second}); }

bool plain_double_format(const char* f) {
    if (!f) return false;
    if (*f == '@' || *f == '=' || *f == '<') ++f;
    return f[0] == 'd' && f[1] == '\0';
}

}  // namespace

NumpyOwn numpy_own;

void capture_numpy(PyObject* numpy) {
    PyObject** slots[] = {&numpy_own.interp, &numpy_own.hstack, &numpy_own.empty, &numpy_own.float64,
                          &numpy_own.sum,    &numpy_own.zeros,  &numpy_own.zeros_like};
    PyObject* names[] = {n_interp, n_hstack, n_empty, n_float64, n_sum, n_zeros, n_zeros_like};
    bool all = true;
    for (size_t i = 0; i < std::size(slots); ++i) {
        PyObject* f = PyObject_GetAttr(numpy, names[i]);
        if (!f) {
            PyErr_Clear();
            all = false;
        }
        Py_XSETREF(*slots[i], f);
    }
    // A stand-in numpy without one of them: every call goes through `np`.
    if (!all)
        for (PyObject** s : slots) Py_CLEAR(*s);
}

// ------------------------------------------------------------- arithmetic

void FpWatch::report(int extra) {
    int flags = raised() | extra;
    if (flags) report_fp(flags);
}

// One NumPy scalar operation per condition raises the same condition inside
// NumPy, in the order NumPy checks them.
void report_fp(int flags) {
    Ref f64 = getattr(np().get(), n_float64);
    auto scalar = [&](double v) { return call(f64.get(), py(v).get()); };
    auto run = [&](binaryfunc op, double x, double y) {
        Ref a = scalar(x), b = scalar(y);
        Ref r = Ref::steal(op(a.get(), b.get()));
    };
    if (flags & FE_DIVBYZERO) run(PyNumber_TrueDivide, 1.0, 0.0);
    if (flags & FE_OVERFLOW) run(PyNumber_Multiply, 1e308, 10.0);
    if (flags & FE_UNDERFLOW) run(PyNumber_Multiply, 1e-308, 1e-308);
    if (flags & FE_INVALID) run(PyNumber_TrueDivide, 0.0, 0.0);
}

Ref f64(double v) {
    if (!numpy_own.float64) raise(PyExc_AttributeError, "module 'numpy' has no attribute 'float64'");
    return call(numpy_own.float64, py(v).get());
}

double np_pi() { return as_double(np_attr(n_pi).get()); }

// ------------------------------------------------------- float64 vectors

F64::F64(PyObject* o, bool writable) {
    if (plain_f64(o, writable, s_)) {
        Py_INCREF(o);  // keeps the memory, as an export would
        held_ = o;
        ok_ = true;
        return;
    }
    if (!g.ndarray || !Py_IS_TYPE(o, (PyTypeObject*)g.ndarray)) return;
    if (PyObject_GetBuffer(o, &v_, (writable ? PyBUF_WRITABLE : 0) | PyBUF_STRIDES | PyBUF_FORMAT) < 0) {
        PyErr_Clear();
        return;
    }
    const char* f = v_.format ? v_.format : "B";
    if (*f == '@' || *f == '=' || *f == '<') ++f;
    if (v_.ndim != 1 || v_.itemsize != (Py_ssize_t)sizeof(double) || f[0] != 'd' || f[1] != 0) {
        PyBuffer_Release(&v_);
        return;
    }
    exported_ = ok_ = true;
    s_ = F64Span{static_cast<char*>(v_.buf), v_.shape[0], v_.strides[0]};
}

bool same_size(std::initializer_list<const F64*> views, Py_ssize_t n) {
    for (const F64* v : views)
        if (!v->ok() || v->size() != n) return false;
    return true;
}

StateVector::StateVector(PyObject* y_) : y(y_), n(length(y_)), view(y_) {}

void StateVector::offset(const char* name, long v) const {
    if (v < 0 || v >= n)
        raisef(PyExc_IndexError, "%s = %ld lies outside the state vector of length %zd", name, v, n);
}

void StateVector::needs(const char* what, long end) const {
    if (end < 0 || end > n)
        raisef(PyExc_IndexError, "state vector of length %zd is shorter than %s = %ld", n, what, end);
}

double StateVector::at(Py_ssize_t i) const {
    if (view.ok()) {
        if (i < 0 || i >= view.size())
            raisef(PyExc_IndexError, "index %zd is out of bounds for axis 0 with size %zd", i, view.size());
        return view[i];
    }
    Ref k = py((int64_t)i);
    Ref e = Ref::steal(PyObject_GetItem(y, k.get()));
    return as_double(e.get());
}

double StateVector::div(Py_ssize_t i, double d) const {
    if (d != 0.0) return at(i) / d;
    Ref k = py((int64_t)i);
    Ref e = Ref::steal(PyObject_GetItem(y, k.get()));
    Ref q = Ref::steal(PyNumber_TrueDivide(e.get(), py(d).get()));
    return as_double(q.get());
}

// ----------------------------------------------------------- indexing

Ref slice(PyObject* y, Py_ssize_t a, Py_ssize_t b) {
    Ref lo = py((int64_t)a);
    Ref hi = b < 0 ? none() : py((int64_t)b);
    Ref s = Ref::steal(PySlice_New(lo.get(), hi.get(), nullptr));
    return Ref::steal(PyObject_GetItem(y, s.get()));
}

void assign(PyObject* r, Py_ssize_t a, Py_ssize_t b, PyObject* v) {
    Ref lo = py((int64_t)a);
    Ref hi = b < 0 ? none() : py((int64_t)b);
    Ref s = Ref::steal(PySlice_New(lo.get(), hi.get(), nullptr));
    if (PyObject_SetItem(r, s.get(), v) < 0) fail();
}

void set_entry(PyObject* r, Py_ssize_t i, double v) {
    F64 o(r, true);
    if (o.ok() && i >= 0 && i < o.size()) {
        o[i] = v;
        return;
    }
    Ref k = py((int64_t)i);
    Ref x = py(v);
    if (PyObject_SetItem(r, k.get(), x.get()) < 0) fail();
}

Ref column(PyObject* X, Py_ssize_t i) {
    Ref x = Ref::borrow(X);
    Ref k = py((int64_t)i);
    return Ref::steal(PyObject_GetItem(x.get(), index_pair(full_slice(), k.get()).get()));
}

void set_row(PyObject* X, Py_ssize_t i, PyObject* v) {
    Ref x = Ref::borrow(X);
    Ref k = py((int64_t)i);
    if (PyObject_SetItem(x.get(), index_pair(k.get(), full_slice()).get(), v) < 0) fail();
}

void set_column(PyObject* X, Py_ssize_t i, PyObject* v) {
    Ref x = Ref::borrow(X);
    Ref k = py((int64_t)i);
    if (PyObject_SetItem(x.get(), index_pair(full_slice(), k.get()).get(), v) < 0) fail();
}

void column_values(PyObject* X, Py_ssize_t j, std::vector<double>& out) {
    Py_buffer v;
    if (X != Py_None && PyObject_CheckBuffer(X) && PyObject_GetBuffer(X, &v, PyBUF_RECORDS_RO) == 0) {
        const bool plain = v.ndim == 2 && v.itemsize == (Py_ssize_t)sizeof(double) && plain_double_format(v.format);
        if (plain) {
            const Py_ssize_t rows = v.shape[0], cols = v.shape[1];
            if (j < 0 || j >= cols) {
                PyBuffer_Release(&v);
                raisef(PyExc_IndexError, "index %zd is out of bounds for axis 1 with size %zd", j, cols);
            }
            out.resize((size_t)rows);
            const char* base = static_cast<const char*>(v.buf) + j * v.strides[1];
            for (Py_ssize_t r = 0; r < rows; ++r) {
                double x;
                std::memcpy(&x, base + r * v.strides[0], sizeof x);
                out[(size_t)r] = x;
            }
            PyBuffer_Release(&v);
            return;
        }
        PyBuffer_Release(&v);
    } else {
        PyErr_Clear();
    }
    Ref col = column(X, j);
    fill_from_iterable(out, col.get());
}

void require_float64(PyObject* arr, const char* field) {
    if (arr == Py_None) return;
    Py_buffer v;
    bool ok = false;
    std::string fmt = "?";
    if (PyObject_CheckBuffer(arr) && PyObject_GetBuffer(arr, &v, PyBUF_RECORDS_RO) == 0) {
        ok = v.itemsize == (Py_ssize_t)sizeof(double) && plain_double_format(v.format);
        if (v.format) fmt = v.format;
        PyBuffer_Release(&v);
    } else {
        PyErr_Clear();
    }
    if (!ok)
        raisef(PyExc_TypeError, "%s must be an array of float64 (got an array of format '%s')", field, fmt.c_str());
}

void put(PyObject* arr, Py_ssize_t i, double v, const char* field) {
    Items it(arr);
    if (!it.direct()) require_float64(arr, field);
    it.set(i, v);
}

// -------------------------------------------------------- array functions

double interp(PyObject* x, double xd, PyObject* profile, const char* name) {
    Ref fn = np_attr(n_interp);
    if (fn.get() == numpy_own.interp && g.ndarray && Py_IS_TYPE(profile, (PyTypeObject*)g.ndarray)) {
        Py_buffer v;
        if (PyObject_GetBuffer(profile, &v, PyBUF_STRIDES | PyBUF_FORMAT) == 0) {
            const char* f = v.format ? v.format : "B";
            if (*f == '@' || *f == '=' || *f == '<') ++f;
            bool plain = v.ndim == 2 && v.shape[0] >= 2 && v.shape[1] >= 1 && v.itemsize == (Py_ssize_t)sizeof(double) &&
                         std::strcmp(f, "d") == 0;
            const Py_ssize_t n = plain ? v.shape[1] : 0;
            auto at = [&](Py_ssize_t r, Py_ssize_t j) {
                return *reinterpret_cast<const double*>(static_cast<const char*>(v.buf) + r * v.strides[0] +
                                                        j * v.strides[1]);
            };
            for (Py_ssize_t j = 1; plain && j < n; ++j) plain = at(0, j - 1) < at(0, j);
            if (plain) {
                double res;
                // NumPy's interpolation on increasing abscissae, operation for operation.
                if (n == 1) res = at(1, 0);
                else if (std::isnan(xd)) res = xd;
                else if (xd > at(0, n - 1)) res = at(1, n - 1);
                else if (xd < at(0, 0)) res = at(1, 0);
                else {
                    // The last abscissa not above x.
                    Py_ssize_t lo = 0, hi = n;
                    while (lo < hi) {
                        Py_ssize_t mid = lo + ((hi - lo) >> 1);
                        if (xd >= at(0, mid)) lo = mid + 1;
                        else hi = mid;
                    }
                    const Py_ssize_t j = lo - 1;
                    if (j == n - 1 || at(0, j) == xd) res = at(1, j);
                    else {
                        const double slope = (at(1, j + 1) - at(1, j)) / (at(0, j + 1) - at(0, j));
                        res = slope * (xd - at(0, j)) + at(1, j);
                        if (std::isnan(res)) {
                            res = slope * (xd - at(0, j + 1)) + at(1, j + 1);
                            if (std::isnan(res) && at(1, j) == at(1, j + 1)) res = at(1, j);
                        }
                    }
                }
                PyBuffer_Release(&v);
                return res;
            }
            PyBuffer_Release(&v);
        } else {
            PyErr_Clear();
        }
    }
    if (profile == Py_None)
        raisef(PyExc_TypeError, "the temperature profile %s is not set (None)", name);
    // profile[0, :] and profile[1, :]
    Ref all = Ref::steal(PySlice_New(nullptr, nullptr, nullptr));
    Ref k0 = tuple_of({py(0).get(), all.get()});
    Ref k1 = tuple_of({py(1).get(), all.get()});
    Ref xp = Ref::steal(PyObject_GetItem(profile, k0.get()));
    Ref fp = Ref::steal(PyObject_GetItem(profile, k1.get()));
    PyObject* args[] = {x, xp.get(), fp.get()};
    Ref r = Ref::steal(PyObject_Vectorcall(fn.get(), args, 3, nullptr));
    return as_double(r.get());
}

Ref interp_profile(PyObject* z, PyObject* flame, PyObject* name) {
    Ref f = getattr(np().get(), n_interp);
    Ref fl = Ref::borrow(flame);
    Ref grid = getattr(fl.get(), n_grid);
    Ref prof = getattr(fl.get(), name);
    PyObject* args[] = {z, grid.get(), prof.get()};
    return Ref::steal(PyObject_Vectorcall(f.get(), args, 3, nullptr));
}

Ref interp_species(PyObject* z, PyObject* flame, Py_ssize_t i) {
    Ref f = getattr(np().get(), n_interp);
    Ref fl = Ref::borrow(flame);
    Ref grid = getattr(fl.get(), n_grid);
    Ref X = getattr(fl.get(), n_X);
    Ref k = py((int64_t)i);
    Ref row = Ref::steal(PyObject_GetItem(X.get(), index_pair(k.get(), full_slice()).get()));
    PyObject* args[] = {z, grid.get(), row.get()};
    return Ref::steal(PyObject_Vectorcall(f.get(), args, 3, nullptr));
}

Ref interp_values(PyObject* z, PyObject* flame, PyObject* values) {
    Ref f = getattr(np().get(), n_interp);
    Ref fl = Ref::borrow(flame);
    Ref v = Ref::borrow(values);
    Ref grid = getattr(fl.get(), n_grid);
    PyObject* args[] = {z, grid.get(), v.get()};
    return Ref::steal(PyObject_Vectorcall(f.get(), args, 3, nullptr));
}

Ref ones_times(Py_ssize_t n, PyObject* factor) {
    Ref f = getattr(np().get(), n_ones);
    Ref k = py((int64_t)n);
    Ref o = call(f.get(), k.get());
    Ref x = Ref::borrow(factor);
    return Ref::steal(PyNumber_Multiply(o.get(), x.get()));
}

Ref relax(PyObject* a1, PyObject* a0, double under) {
    Ref x1 = Ref::borrow(a1), x0 = Ref::borrow(a0);
    Ref u = py(under), w = py(1.0 - under);
    Ref p1 = Ref::steal(PyNumber_Multiply(x1.get(), u.get()));
    Ref p0 = Ref::steal(PyNumber_Multiply(x0.get(), w.get()));
    return Ref::steal(PyNumber_Add(p1.get(), p0.get()));
}

Ref new_array(Py_ssize_t n) { return call(numpy_own.empty, py((int64_t)n).get()); }

bool own_hstack() { return np_attr(n_hstack).get() == numpy_own.hstack; }

Ref hstack(std::initializer_list<double> head, PyObject* Y, std::initializer_list<double> tail) {
    Ref fn = np_attr(n_hstack);
    if (fn.get() == numpy_own.hstack) {
        F64 y(Y);
        if (y.ok()) {
            const Py_ssize_t n = (Py_ssize_t)head.size() + y.size() + (Py_ssize_t)tail.size();
            Ref out = new_array(n);
            F64 o(out.get(), true);
            if (!o.ok()) raise(PyExc_SystemError, "new array without a float64 buffer");
            Py_ssize_t k = 0;
            for (double v : head) o[k++] = v;
            for (Py_ssize_t i = 0; i < y.size(); ++i) o[k++] = y[i];
            for (double v : tail) o[k++] = v;
            return out;
        }
    }
    Ref t = Ref::steal(PyTuple_New((Py_ssize_t)(head.size() + 1 + tail.size())));
    Py_ssize_t k = 0;
    for (double v : head) PyTuple_SET_ITEM(t.get(), k++, py(v).release());
    Py_INCREF(Y);
    PyTuple_SET_ITEM(t.get(), k++, Y);
    for (double v : tail) PyTuple_SET_ITEM(t.get(), k++, py(v).release());
    return call(fn.get(), t.get());
}

double np_dot(PyObject* a, PyObject* b) {
    Ref fn = np_attr(n_dot);
    PyObject* args[] = {a, b};
    Ref r = Ref::steal(PyObject_Vectorcall(fn.get(), args, 2, nullptr));
    return as_double(r.get());
}

Ref np_sum_product(PyObject* a, PyObject* b) {
    Ref p = Ref::steal(PyNumber_Multiply(a, b));
    Ref fn = np_attr(n_sum);
    return call(fn.get(), p.get());
}

namespace {

// NumPy's pairwise summation of float64 (blocks of eight partial sums).
double pairwise(const F64& a, const F64& b, Py_ssize_t lo, Py_ssize_t n) {
    auto x = [&](Py_ssize_t i) { return a[lo + i] * b[lo + i]; };
    if (n < 8) {
        double res = 0.0;
        for (Py_ssize_t i = 0; i < n; ++i) res += x(i);
        return res;
    }
    if (n <= 128) {
        double r[8];
        for (int j = 0; j < 8; ++j) r[j] = x(j);
        Py_ssize_t i = 8;
        for (; i < n - (n % 8); i += 8)
            for (int j = 0; j < 8; ++j) r[j] += x(i + j);
        double res = ((r[0] + r[1]) + (r[2] + r[3])) + ((r[4] + r[5]) + (r[6] + r[7]));
        for (; i < n; ++i) res += x(i);
        return res;
    }
    Py_ssize_t n2 = n / 2;
    n2 -= n2 % 8;
    return pairwise(a, b, lo, n2) + pairwise(a, b, lo + n2, n - n2);
}

}  // namespace

double sum_product(PyObject* a, PyObject* b) {
    Ref fn = np_attr(n_sum);
    if (fn.get() == numpy_own.sum) {
        F64 u(a), v(b);
        if (u.ok() && v.ok() && u.size() == v.size()) {
            FpWatch fp;
            const double s = 0.0 + pairwise(u, v, 0, u.size());
            fp.report();
            return s;
        }
    }
    Ref p = Ref::steal(PyNumber_Multiply(a, b));
    return as_double(call(fn.get(), p.get()).get());
}

}  // namespace bind
