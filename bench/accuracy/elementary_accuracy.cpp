// The accuracy of the project's exp, log, pow, log1p and expm1 against MPFR
// over the arguments the library gives them: for each function the largest
// error in units in the last place and the share of results correctly
// rounded. Usage: elementary_accuracy [arguments per function] [function]
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "numeric/elementary_functions.h"
#include "support/mpfr_reference.h"

namespace {

using quillmere::reference::Exact;
using quillmere::reference::Function;

// A fixed-seed stream of 64-bit words (SplitMix64).
struct Words {
    std::uint64_t state = 0x5eed0f5eedu;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    // Uniform on (0, 1), 53 bits, as the design library draws.
    double open() { return (static_cast<double>(next() >> 11) + 0.5) * 0x1.0p-53; }
    double uniform(double a, double b) { return a + (b - a) * open(); }
    // 2^e with e uniform in [lo, hi): every binade equally often.
    double logUniform(double lo, double hi) { return std::exp2(uniform(lo, hi)); }
};

struct Argument {
    double x;
    double y;
};

// One part of a function's argument ranges: a share of the count and a way
// to draw an argument.
struct RangePart {
    const char* description;
    double share;
    std::function<Argument(Words&)> draw;
};

struct Case {
    const char* name;
    Function function;
    double (*ours)(double, double);
    std::vector<RangePart> parts;
};

std::vector<Case> cases() {
    return {
        {"exp",
         Function::Exp,
         [](double x, double) { return quillmere::exp(x); },
         {{"uniform on [-50, 50] (the envelope, acceptance ratios)", 0.5,
           [](Words& w) {
               return Argument{w.uniform(-50, 50), 0};
           }},
          {"uniform on [-746, -50] (survival, incomplete beta)", 0.3,
           [](Words& w) {
               return Argument{w.uniform(-746, -50), 0};
           }},
          {"+-2^[-60, 0) (near 0)", 0.1,
           [](Words& w) {
               const double m = w.logUniform(-60, 0);
               return Argument{(w.next() & 1) ? m : -m, 0};
           }},
          {"uniform on [50, 710]", 0.1,
           [](Words& w) {
               return Argument{w.uniform(50, 710), 0};
           }}}},
        {"log",
         Function::Log,
         [](double x, double) { return quillmere::log(x); },
         {{"2^[-70, 110) (hazards, densities, survivals)", 0.7,
           [](Words& w) {
               return Argument{w.logUniform(-70, 110), 0};
           }},
          {"uniform on (0, 1) (uniform numbers)", 0.2,
           [](Words& w) {
               return Argument{w.open(), 0};
           }},
          {"1 +- 2^[-60, -6) (near 1)", 0.1,
           [](Words& w) {
               const double d = w.logUniform(-60, -6);
               return Argument{(w.next() & 1) ? 1 + d : 1 - d, 0};
           }}}},
        {"pow",
         Function::Pow,
         [](double x, double y) { return quillmere::pow(x, y); },
         {{"-log1p(-u) ^ (1/shape), u on (0, 1), shape 2^[log2 0.1, log2 10)", 0.8,
           [](Words& w) {
               const double u = w.open();
               const double shape = w.logUniform(std::log2(0.1), std::log2(10.0));
               return Argument{-std::log1p(-u), 1.0 / shape};
           }},
          {"-log1p(-u) ^ (1/shape), shape in {0.25, 0.5, 1.5, 3, 4, 5, 10, 0.1, 0.3}", 0.2,
           [](Words& w) {
               static const double shapes[] = {0.25, 0.5, 1.5, 3, 4, 5, 10, 0.1, 0.3};
               const double shape = shapes[w.next() % 9];
               return Argument{-std::log1p(-w.open()), 1.0 / shape};
           }}}},
        {"log1p",
         Function::Log1p,
         [](double x, double) { return quillmere::log1p(x); },
         {{"-u, u uniform on (0, 1) (Weibull variates)", 0.6,
           [](Words& w) {
               return Argument{-w.open(), 0};
           }},
          {"-2^[-60, 0)", 0.2,
           [](Words& w) {
               return Argument{-w.logUniform(-60, 0), 0};
           }},
          {"-1 + 2^[-53, -1)", 0.1,
           [](Words& w) {
               return Argument{-1 + w.logUniform(-53, -1), 0};
           }},
          {"2^[-60, 60)", 0.1,
           [](Words& w) {
               return Argument{w.logUniform(-60, 60), 0};
           }}}},
        {"expm1",
         Function::Expm1,
         [](double x, double) { return quillmere::expm1(x); },
         {{"-2^[-20, 17) (-hazard * window)", 0.8,
           [](Words& w) {
               return Argument{-w.logUniform(-20, 17), 0};
           }},
          {"+-2^[-60, -4) (the series)", 0.1,
           [](Words& w) {
               const double m = w.logUniform(-60, -4);
               return Argument{(w.next() & 1) ? m : -m, 0};
           }},
          {"2^[-4, log2 709)", 0.1,
           [](Words& w) {
               return Argument{w.logUniform(-4, std::log2(709.0)), 0};
           }}}},
    };
}

}  // namespace

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::atol(argv[1]) : 10000000;
    const std::string only = argc > 2 ? argv[2] : "";
    int failures = 0;
    std::printf(
        "| function | arguments | max ulp error | correctly rounded |\n|---|---|---|---|\n");
    for (const Case& c : cases()) {
        if (!only.empty() && only != c.name) {
            continue;
        }
        Words words;
        Exact exact;
        long total = 0;
        long correct = 0;
        double maxError = 0.0;
        Argument worst{0, 0};
        for (const RangePart& part : c.parts) {
            const long n = static_cast<long>(part.share * static_cast<double>(count));
            for (long i = 0; i < n; ++i) {
                const Argument a = part.draw(words);
                const double ours = c.ours(a.x, a.y);
                exact.compute(c.function, a.x, a.y);
                const double expected = exact.rounded();
                ++total;
                if (std::bit_cast<std::uint64_t>(ours) == std::bit_cast<std::uint64_t>(expected)) {
                    ++correct;
                }
                const double e = exact.ulpError(ours);
                if (e > maxError) {
                    maxError = e;
                    worst = a;
                }
            }
        }
        if (correct != total) {
            ++failures;
        }
        std::printf("| %s | %ld | %.3f | %ld of %ld (%.7f %%) |\n", c.name, total, maxError,
                    correct, total,
                    100.0 * static_cast<double>(correct) / static_cast<double>(total));
        if (correct != total) {
            std::printf("  worst at x = %a, y = %a\n", worst.x, worst.y);
        }
        std::fflush(stdout);
    }
    return failures == 0 ? 0 : 1;
}
