# qm_interim_report writes the very page quillmere-design interim writes.

interim_cases <- list(
  list(folder = "toxicity", answer = 1, sensitivity = NULL),
  list(folder = "efficacy", answer = 2, sensitivity = c("0.5:unit", "2:window")),
  list(folder = "diseaseprogression", answer = 3, sensitivity = NULL)
)

test_that("the page equals the companion's byte for byte", {
  for (case in interim_cases) {
    trial_dir <- copy_trial(extdata(case$folder))
    out <- tempfile("interim-")
    dir.create(out)
    from_r <- file.path(out, "r", "look.html")
    dir.create(dirname(from_r))
    trial <- qm_read_trial(trial_dir, case$answer)
    qm_interim_report(trial, from_r, runs = 5, seed = 3, threads = 2,
                      sensitivity = case$sensitivity)
    arguments <- c("interim", trial_dir, "--answer", case$answer, "--runs", "5", "--seed", "3",
                   "--out", file.path(out, "look.html"))
    if (!is.null(case$sensitivity)) {
      arguments <- c(arguments, "--sensitivity", paste(case$sensitivity, collapse = ","))
    }
    run <- run_design_program(arguments)
    expect_equal(run$status, 0L, info = run$output)
    expect_identical(readBin(from_r, "raw", 1e7),
                     readBin(file.path(out, "look.html"), "raw", 1e7), info = case$folder)
    expect_false(file.exists(file.path(trial_dir, "summary.txt")))
  }
})

test_that("an existing page is replaced only with force, and a changed trial is refused", {
  trial_dir <- copy_trial(extdata("toxicity"))
  trial <- qm_read_trial(trial_dir, 1)
  page <- tempfile(fileext = ".html")
  writeLines("an earlier look", page)
  expect_error(qm_interim_report(trial, page, runs = 2),
               "exists. Give force = TRUE to replace it", class = "quillmere_input_error")
  expect_identical(readLines(page), "an earlier look")
  qm_interim_report(trial, page, runs = 2, force = TRUE)
  expect_match(readLines(page, n = 1), "<!DOCTYPE html>", fixed = TRUE)

  expect_error(qm_interim_report(trial, file.path(trial_dir, "summary.txt"), runs = 2),
               "quillmere's report of the trial", class = "quillmere_input_error")
  expect_false(file.exists(file.path(trial_dir, "summary.txt")))

  changed <- trial
  changed$patients$follow_up[1] <- 150
  expect_error(qm_interim_report(changed, tempfile(fileext = ".html"), runs = 2),
               "no longer hold the trial", class = "quillmere_input_error")
  built <- quillmere:::new_trial(trial$rule, trial$patients)
  expect_error(qm_interim_report(built, tempfile(fileext = ".html"), runs = 2),
               "needs a trial read from its directory", class = "quillmere_input_error")
  expect_error(qm_interim_report(trial, tempfile(fileext = ".html"), runs = 2,
                                 sensitivity = "1:days"),
               "The hazard model (1:days) must be SHAPE:RANGE", fixed = TRUE,
               class = "quillmere_input_error")
})

test_that("a directory quillmere refuses gives its message and no page", {
  trial_dir <- copy_trial(extdata("toxicity"))
  trial <- qm_read_trial(trial_dir, 1)
  writeLines("PatientData EFFICACY_EVENT Time FollowUp", file.path(trial_dir, "data_toxicity.txt"))
  page <- tempfile(fileext = ".html")
  error <- tryCatch(qm_interim_report(trial, page, runs = 2), error = identity)
  expect_s3_class(error, "quillmere_input_error")
  expect_match(conditionMessage(error), "does not match the required version (toxicity_event)",
               fixed = TRUE)
  expect_false(file.exists(page))
})
