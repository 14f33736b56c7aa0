#pragma once

// The project's own exp, log, pow, log1p and expm1: correctly rounded (to
// nearest, ties to even) from IEEE double arithmetic alone, so that every
// build of the library, on any processor, compiler or C library, gives the
// same bits. Special values follow C99 Annex F. The C library's versions
// differ between platforms in the last bit of some results; the library
// uses only these.
namespace quillmere {

double exp(double x);
double log(double x);
double pow(double x, double y);
double log1p(double x);
double expm1(double x);

}  // namespace quillmere
