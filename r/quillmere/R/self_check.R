# The package computes what the quillmere programs compute only when it is
# compiled without value-changing floating-point flags. The configure script
# sets the flag that forbids contraction, but flags from ~/.R/Makevars
# (CXX20FLAGS: the package is C++20) come after it and can undo it, so every
# load runs a reference trial whose posterior probability is known to the
# last bit and refuses to load when the bits differ.

reference_run <- list(
  directory = c("extdata", "reference-runs", "toxicity-n60"),
  answer = 1L,
  posterior = "0.72416841015219691"
)

arithmetic_check <- function(libname, pkgname) {
  directory <- do.call(system.file, c(as.list(reference_run$directory),
                                      package = pkgname, lib.loc = libname))
  if (!nzchar(directory)) {
    return("the reference trial of the self-check is missing from the installed package")
  }
  check <- self_check_cpp(directory, reference_run$answer, reference_run$posterior)
  if (!is.null(check$error)) {
    return(paste("the reference trial of the self-check failed:", check$error$text))
  }
  if (!check$value$same) {
    return(sprintf(
      paste0("the reference trial gives the posterior probability %s instead of %s. ",
             "This build computes differently from quillmere: it was compiled with flags ",
             "that change floating-point results (for example -ffp-contract=fast, -mfma, ",
             "-ffast-math or -march=native in CXX20FLAGS of ~/.R/Makevars or of R itself). ",
             "Remove them and install the package again."),
      check$value$found, reference_run$posterior))
  }
  NULL
}

.onLoad <- function(libname, pkgname) {
  problem <- arithmetic_check(libname, pkgname)
  if (!is.null(problem)) {
    stop(quillmere_condition("quillmere_build_error",
                             paste("quillmere refuses to compute:", problem)))
  }
}
