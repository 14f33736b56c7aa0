# The stopping boundaries with every outcome known: for a rule, at every
# number of patients from 1 to max_patients (boundaries.csv); for a design,
# at every look, with the rule in the words a protocol uses.
qm_boundaries <- function(rule, max_patients = NULL) {
  if (inherits(rule, "qm_design")) {
    return(look_boundaries(rule))
  }
  rule <- check_class(rule, "qm_rule", "rule")
  if (is.null(max_patients)) {
    input_error("qm_boundaries needs max_patients with a rule: qm_boundaries(rule, max_patients).")
  }
  max_patients <- check_whole_number(max_patients, "max_patients", 1, 500)
  structure(boundaries_cpp(rule, max_patients), rule = rule,
            class = c("qm_boundaries", "data.frame"))
}

look_boundaries <- function(design) {
  enrolled <- look_enrolments_cpp(unclass(design))
  all <- boundaries_cpp(design$rule, design$max_patients)
  rows <- all[match(enrolled, all$patients), , drop = FALSE]
  frame <- data.frame(look = seq_along(enrolled), patients = enrolled,
                      boundary = rows$boundary,
                      probability_at_boundary = rows$probability_at_boundary,
                      probability_beside = rows$probability_beside,
                      rule = boundary_words(design$rule, rows$boundary, enrolled),
                      stringsAsFactors = FALSE)
  # Even with every outcome known, a look before the run-in's count is not run.
  held <- enrolled < design$min_completed
  frame$rule[held] <- sprintf("no look: the run-in needs %d outcomes", design$min_completed)
  structure(frame, rule = design$rule, design = design,
            class = c("qm_boundaries", "data.frame"))
}

# "terminate if at least 4 toxicities among 10 patients" (at most, and for
# futility, for efficacy; a count of progressions stops for futility too).
boundary_words <- function(rule, boundary, patients) {
  words <- switch(rule$type,
    Toxicity = c("terminate for safety if at least", "toxicities"),
    Efficacy = c("terminate for futility if at most", "responses"),
    DiseaseProgression = c("terminate for futility if at least", "progressions")
  )
  ifelse(is.na(boundary), "never terminates",
         sprintf("%s %d %s among %d patients", words[1], boundary, words[2], patients))
}

format.qm_boundaries <- function(x, ...) {
  rule <- attr(x, "rule")
  design <- attr(x, "design")
  efficacy <- rule$type == "Efficacy"
  head <- c(sprintf("Stopping boundaries with every outcome known: terminate when %s > %s,",
                    rule_probability_words(rule), shortest_text_cpp(rule$cutoff)),
            sprintf("that is when the number of %s among n patients is %s the boundary.",
                    switch(rule$type, Toxicity = "toxicities", Efficacy = "responses",
                           DiseaseProgression = "progressions"),
                    if (efficacy) "at most" else "at least"))
  beside <- if (efficacy) "Pr at one more" else "Pr at one fewer"
  numbers <- function(values) ifelse(is.na(values), "", sprintf("%.6g", values))
  columns <- list(n = as.character(x$patients),
                  boundary = ifelse(is.na(x$boundary), "-", as.character(x$boundary)),
                  "Pr at boundary" = numbers(x$probability_at_boundary))
  columns[[beside]] <- numbers(x$probability_beside)
  if (!is.null(design)) {
    columns <- c(list(look = as.character(x$look)), columns)
    head <- c(head, sprintf("At the looks of the design (N = %d, run-in %d outcomes):",
                            design$max_patients, design$min_completed))
  }
  widths <- vapply(names(columns), function(name) max(nchar(c(name, columns[[name]]))),
                   numeric(1))
  cells <- mapply(function(values, name, width) formatC(c(name, values), width = width),
                  columns, names(columns), widths, SIMPLIFY = FALSE)
  rows <- do.call(paste, c(cells, sep = "  "))
  if (!is.null(design)) {
    rows <- paste0(rows, "  ", c("rule", x$rule))
  }
  c(head, "", rows)
}

print.qm_boundaries <- function(x, ...) {
  cat(format(x), sep = "\n")
  invisible(x)
}

as.data.frame.qm_boundaries <- function(x, row.names = NULL, optional = FALSE, ...) {
  attr(x, "rule") <- NULL
  attr(x, "design") <- NULL
  class(x) <- "data.frame"
  x
}
