qm_interim_report <- function(trial, file, runs = 200, seed = 1, threads = 1L,
                              sensitivity = NULL, force = FALSE) {
  trial <- check_class(trial, "qm_trial", "trial")
  source <- trial$source
  if (is.null(source)) {
    input_error(paste0(
      "qm_interim_report needs a trial read from its directory with qm_read_trial(dir, ",
      "answer): the report names the files it was made from and their checksums."))
  }
  file <- check_single_text(file, "file")
  runs <- check_whole_number(runs, "runs", 2, 1000000)
  threads <- check_whole_number(threads, "threads", 1, 1024)
  seed <- seed_text(seed)
  if (!is.null(sensitivity) && (!is.character(sensitivity) || anyNA(sensitivity))) {
    input_error("The argument sensitivity must be texts SHAPE:RANGE, e.g. c(\"0.5:unit\", \"2:window\").")
  }
  if (!is.logical(force) || length(force) != 1L || is.na(force)) {
    input_error("The argument force must be TRUE or FALSE.")
  }
  check_interim_output(file, source$dir, force)
  made <- unwrap(interim_report_cpp(path.expand(source$dir), source$answer, runs, threads, seed,
                                    paste(sensitivity, collapse = ","),
                                    as.character(utils::packageVersion("quillmere")),
                                    basename(file)))
  if (!identical(rule_from_list(made$rule), trial$rule) ||
      !identical(made$patients, trial$patients)) {
    input_error(sprintf(paste0(
      "The files in (%s) no longer hold the trial qm_read_trial read from them, or the trial ",
      "was changed since; read it again with qm_read_trial."), source$dir))
  }
  write_whole_file(made$html, file)
  invisible(file)
}

# An existing page is replaced only when asked; quillmere's own report of the
# trial never.
check_interim_output <- function(file, dir, force) {
  target <- normalizePath(dirname(file), mustWork = FALSE)
  if (basename(file) == "summary.txt" &&
      identical(target, normalizePath(dir, mustWork = FALSE))) {
    input_error(sprintf("The output file (%s) is quillmere's report of the trial; choose another file.",
                        file), call = sys.call(-1))
  }
  if (file.exists(file) && !force) {
    input_error(sprintf(paste0("The output file (%s) exists. Give force = TRUE to replace it, ",
                               "or choose another file."), file), call = sys.call(-1))
  }
}

# Writes the text whole or not at all: into a file beside the target, then
# renamed over it.
write_whole_file <- function(text, file) {
  partial <- tempfile(".qm-interim-", tmpdir = dirname(file))
  written <- tryCatch({
    connection <- base::file(partial, open = "wb")
    on.exit(close(connection), add = TRUE)
    writeBin(charToRaw(text), connection)
    TRUE
  }, error = function(e) FALSE)
  if (!written || !file.rename(partial, file)) {
    unlink(partial)
    input_error(sprintf("Failure to write the report into (%s); nothing was written.", file),
                call = sys.call(-1))
  }
}
