#pragma once

// Correctly rounded references from MPFR, and the distance in units in the
// last place between a double and the exact value, for the tests and the
// accuracy run of the elementary functions. Never linked into the library.
#include <mpfr.h>

#include <cmath>
#include <cstdint>

namespace quillmere::reference {

enum class Function { Exp, Log, Pow, Log1p, Expm1 };

// The exact value of f at (x, y) to 200 bits, held by the caller.
class Exact {
  public:
    Exact() { mpfr_init2(value_, 200); }
    ~Exact() { mpfr_clear(value_); }
    Exact(const Exact&) = delete;
    Exact& operator=(const Exact&) = delete;

    void compute(Function f, double x, double y = 0.0) {
        mpfr_t a;
        mpfr_t b;
        mpfr_init2(a, 53);
        mpfr_init2(b, 53);
        mpfr_set_d(a, x, MPFR_RNDN);
        mpfr_set_d(b, y, MPFR_RNDN);
        switch (f) {
            case Function::Exp:
                mpfr_exp(value_, a, MPFR_RNDN);
                break;
            case Function::Log:
                mpfr_log(value_, a, MPFR_RNDN);
                break;
            case Function::Pow:
                mpfr_pow(value_, a, b, MPFR_RNDN);
                break;
            case Function::Log1p:
                mpfr_log1p(value_, a, MPFR_RNDN);
                break;
            case Function::Expm1:
                mpfr_expm1(value_, a, MPFR_RNDN);
                break;
        }
        mpfr_clear(a);
        mpfr_clear(b);
    }

    // The exact value rounded to the nearest double, subnormals and
    // overflow as IEEE double has them.
    double rounded() const {
        const mpfr_exp_t emin = mpfr_get_emin();
        const mpfr_exp_t emax = mpfr_get_emax();
        mpfr_t r;
        mpfr_init2(r, 53);
        int ternary = mpfr_set(r, value_, MPFR_RNDN);
        mpfr_set_emin(-1073);
        mpfr_set_emax(1024);
        ternary = mpfr_check_range(r, ternary, MPFR_RNDN);
        mpfr_subnormalize(r, ternary, MPFR_RNDN);
        const double d = mpfr_get_d(r, MPFR_RNDN);
        mpfr_set_emin(emin);
        mpfr_set_emax(emax);
        mpfr_clear(r);
        return d;
    }

    // |d - exact| in units in the last place of the exact value's binade.
    double ulpError(double d) const {
        if (std::isnan(d) || std::isinf(d) || mpfr_nan_p(value_) || mpfr_inf_p(value_)) {
            return d == rounded() || (std::isnan(d) && mpfr_nan_p(value_)) ? 0.0 : INFINITY;
        }
        mpfr_t diff;
        mpfr_init2(diff, 300);
        mpfr_sub_d(diff, value_, d, MPFR_RNDN);
        mpfr_abs(diff, diff, MPFR_RNDN);
        long exponent = 0;
        if (mpfr_zero_p(value_)) {
            exponent = -1073;
        } else {
            mpfr_get_d_2exp(&exponent, value_, MPFR_RNDN);
        }
        // ulp = 2^(exponent - 53), never below the smallest subnormal.
        const long ulpExponent = exponent - 53 < -1074 ? -1074 : exponent - 53;
        mpfr_mul_2si(diff, diff, -ulpExponent, MPFR_RNDN);
        const double e = mpfr_get_d(diff, MPFR_RNDN);
        mpfr_clear(diff);
        return e;
    }

  private:
    mpfr_t value_;
};

}  // namespace quillmere::reference
