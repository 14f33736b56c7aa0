# The load-time check: every field of the reference trial's result against
# the stored text the library wrote (r/self_check_reference.sh).

reference_file <- function() extdata("reference-runs", "toxicity-n60", "analysis_result.txt")

test_that("the stored reference result is every field of the decision, to the bit", {
  reference <- quillmere:::read_reference_result(reference_file())
  expect_null(quillmere:::reference_result_problem(extdata("reference-runs"), reference))
  decision <- qm_decide(qm_read_trial(extdata("reference-runs", reference$directory),
                                      reference$answer))
  exact <- function(x) sprintf("%.17g", x)
  expect_identical(reference$result, c(
    paste("posterior_result", exact(decision$posterior)),
    paste("reported_probability", exact(decision$probability)),
    paste("terminate", as.integer(decision$terminate)),
    paste("uninformed_from", if (is.na(decision$uninformed_from)) "NA"
                             else exact(decision$uninformed_from)),
    paste0("hazard_", 1:6, " ", exact(decision$hazards)),
    paste("patient_count", decision$patients),
    paste("event_count", decision$events),
    paste("pending_count", decision$pending),
    if (length(decision$notes) > 0L) paste("note", decision$notes)))
})

test_that("a build that differs in any one field, or in the number of fields, is refused", {
  reference <- quillmere:::read_reference_result(reference_file())
  runs <- extdata("reference-runs")
  for (i in seq_along(reference$result)) {
    changed <- reference
    changed$result[i] <- sub("([0-9A])$", "\\19", changed$result[i])
    problem <- quillmere:::reference_result_problem(runs, changed)
    expect_true(startsWith(problem, paste0("the reference trial gives ", reference$result[i],
                                           " instead of ", changed$result[i], ". ")),
                label = reference$result[i])
  }
  longer <- reference
  longer$result <- c(longer$result, "note a remark the library does not make")
  expect_match(quillmere:::reference_result_problem(runs, longer),
               "^the reference trial gives no more fields instead of note a remark")
  shorter <- reference
  shorter$result <- shorter$result[-1]
  expect_match(quillmere:::reference_result_problem(runs, shorter),
               "^the reference trial gives posterior_result .* \\(and [0-9]+ more fields differ\\)")
})
