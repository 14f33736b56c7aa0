# The package computes what the quillmere programs compute only when it is
# compiled without value-changing floating-point flags. The configure script
# sets the flag that forbids contraction, but flags from ~/.R/Makevars
# (CXX20FLAGS: the package is C++20) come after it and can undo it, so every
# load analyses a reference trial and refuses to load unless every field of
# the result (probabilities, advice, final hazards, counts, notes) has the
# stored bits. The stored result is written by r/self_check_reference.sh from
# the library of the clone (tests/data/reference-runs/toxicity-n60/
# analysis_result.txt, installed with the reference runs).

reference_result_file <- c("extdata", "reference-runs", "toxicity-n60", "analysis_result.txt")

# The stored result: the trial's directory and answer, and the result's lines.
read_reference_result <- function(file) {
  lines <- grep("^#", readLines(file, warn = FALSE), value = TRUE, invert = TRUE)
  field <- function(name) sub(paste0("^", name, " "), "", grep(paste0("^", name, " "), lines,
                                                              value = TRUE))
  list(directory = field("directory"), answer = as.integer(field("answer")),
       result = lines[!grepl("^(directory|answer) ", lines)])
}

# NULL when the trial in `runs` gives the stored result to the bit, else why not.
reference_result_problem <- function(runs, reference) {
  check <- self_check_cpp(file.path(runs, reference$directory), reference$answer)
  if (!is.null(check$error)) {
    return(paste("the reference trial of the self-check failed:", check$error$text))
  }
  found <- strsplit(check$value, "\n", fixed = TRUE)[[1]]
  if (identical(found, reference$result)) {
    return(NULL)
  }
  length(found) <- length(reference$result) <- max(length(found), length(reference$result))
  differ <- which(is.na(found) | is.na(reference$result) | found != reference$result)
  sprintf(
    paste0("the reference trial gives %s instead of %s%s. ",
           "This build computes differently from quillmere: it was compiled with flags ",
           "that change floating-point results (for example -ffp-contract=fast, -mfma, ",
           "-ffast-math or -march=native in CXX20FLAGS of ~/.R/Makevars or of R itself). ",
           "Remove them and install the package again."),
    if (is.na(found[differ[1]])) "no more fields" else found[differ[1]],
    if (is.na(reference$result[differ[1]])) "no more fields" else reference$result[differ[1]],
    if (length(differ) > 1L) sprintf(" (and %d more fields differ)", length(differ) - 1L) else "")
}

arithmetic_check <- function(libname, pkgname) {
  file <- do.call(system.file, c(as.list(reference_result_file), package = pkgname,
                                 lib.loc = libname))
  if (!nzchar(file)) {
    return("the reference result of the self-check is missing from the installed package")
  }
  reference_result_problem(dirname(dirname(file)), read_reference_result(file))
}

.onLoad <- function(libname, pkgname) {
  problem <- arithmetic_check(libname, pkgname)
  if (!is.null(problem)) {
    stop(quillmere_condition("quillmere_build_error",
                             paste("quillmere refuses to compute:", problem)))
  }
}
