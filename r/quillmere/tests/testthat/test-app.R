# The app's own pieces: its files against the companion's, the form read as a
# design file, the messages placed beside their settings, uploads, and the
# background runs against the package's functions. The app in a browser is
# checked by r/app-check.sh.

small_design <- function(trials = 16, ...) {
  qm_design(qm_rule("toxicity", 0.3, 0.9, 90), max_patients = 12, accrual_rate = 0.25,
            first_look = 6, look_every = 3, true_rates = c(0.1, 0.3, 0.5),
            event_time_shape = 1, seed = 20240611, trials = trials, min_completed = 2,
            calibration_rate = 0.1, max_error_stop = 0.2, ...)
}

test_that("every file the app offers equals the companion's, byte for byte", {
  design <- small_design()
  sim <- simulate(design, threads = 2)
  calibration <- qm_calibrate(design, threads = 2)
  texts <- list(
    "boundaries.csv" = boundaries_csv(qm_boundaries(design$rule, design$max_patients)),
    "operating_characteristics.csv" = operating_csv(sim$oc),
    "stopping_by_look.csv" = stopping_csv(sim$by_look),
    "replicates.csv" = replicates_csv(sim),
    "calibration.csv" = calibration_csv(calibration),
    "calibration_looks.csv" = calibration_looks_csv(calibration)
  )
  commands <- c("boundaries.csv" = "boundaries", "operating_characteristics.csv" = "simulate",
                "stopping_by_look.csv" = "simulate", "replicates.csv" = "simulate",
                "calibration.csv" = "calibrate", "calibration_looks.csv" = "calibrate")
  runs <- lapply(unique(commands), function(command) run_companion(design, command))
  names(runs) <- unique(commands)
  for (name in names(texts)) {
    expected <- readChar(file.path(runs[[commands[[name]]]]$out, name), 1e7, useBytes = TRUE)
    expect_identical(texts[[name]], expected, label = name)
  }
})

test_that("the stability file equals the companion's", {
  directory <- copy_trial(extdata("toxicity"))
  stability <- qm_stability(qm_read_trial(directory, 1), runs = 20, seed = 7)
  out <- tempfile("stability-")
  run <- run_design_program("stability", directory, "--answer", "1", "--runs", "20",
                            "--seed", "7", "--out", out)
  expect_identical(run$status, 0L)
  expect_identical(stability_csv(stability),
                   readChar(file.path(out, "stability.csv"), 1e7, useBytes = TRUE))
})

form_defaults <- function() {
  fields <- form_fields()
  stats::setNames(as.list(fields$default), fields$id)
}

test_that("the form's defaults are the bundled toxicity design, read by the design reader", {
  checked <- check_design_form(form_defaults(), tempdir())
  expect_identical(checked$problems, character())
  expect_identical(checked$design, qm_read_design(extdata("design", "toxicity.design")))
})

test_that("a design filled into the form reads back as the same design", {
  skip_if_not_installed("shiny")
  designs <- list(small_design(), qm_read_design(extdata("design", "efficacy.design")),
                  qm_read_design(extdata("design", "disease-progression.design")),
                  small_design(time_unit = "weeks"))
  for (design in designs) {
    updates <- list()
    session <- structure(list(sendInputMessage = function(id, message) {
      updates[[id]] <<- message$value
    }), class = "MockShinySession")
    fill_design_form(session, design)
    values <- form_defaults()
    values[names(updates)] <- updates
    expect_identical(check_design_form(values, tempdir())$design, design)
  }
})

test_that("the form's problems are the design reader's messages, each beside its setting", {
  cases <- list(
    list(field = "rate_bound", value = "1.5"),
    list(field = "rate_bound", value = "abc"),
    list(field = "cutoff", value = "0"),
    list(field = "window", value = "-3"),
    list(field = "max_patients", value = "2.5"),
    list(field = "accrual_rate", value = "1e-9"),
    list(field = "true_rates", value = "0.1, 2"),
    list(field = "event_time_shape", value = "20"),
    list(field = "seed", value = "-1"),
    list(field = "trials", value = "0"),
    list(field = "max_error_stop", value = "1"),
    list(field = "design_type", value = "Tox"),
    list(field = "min_completed", value = "39")
  )
  for (case in cases) {
    values <- form_defaults()
    values[[case$field]] <- case$value
    checked <- check_design_form(values, tempdir())
    file <- tempfile(fileext = ".design")
    writeBin(charToRaw(design_form_text(values)), file)
    expected <- tryCatch(qm_read_design(file), quillmere_input_error = conditionMessage)
    expect_null(checked$design)
    expect_identical(paste(checked$problems, collapse = "\n"), expected)
    expect_true(case$field %in% problem_fields(checked$problems),
                label = paste(case$field, "=", case$value, "placed beside its field"))
  }
})

test_that("a value with a line break cannot add lines to the design file", {
  values <- form_defaults()
  values$rate_bound <- "0.3\nTrials = 5"
  checked <- check_design_form(values, tempdir())
  expect_null(checked$design)
  expect_match(checked$problems, "RateBound must be given on one line", fixed = TRUE)
})

test_that("uploads are refused when too large or oddly named, and kept otherwise", {
  source_file <- tempfile()
  writeLines("x", source_file)
  dir <- tempfile("uploads-")
  dir.create(dir)
  upload <- function(name, size = 2) data.frame(name = name, size = size, datapath = source_file)
  refused <- list(
    list(upload("data.txt", app_upload_limit + 1), "larger than"),
    list(upload("../data.txt"), "may hold only"),
    list(upload(".hidden"), "may hold only"),
    list(upload("data file.txt"), "may hold only"),
    list(upload("data.txt", NA), "larger than")
  )
  for (case in refused) {
    expect_error(take_upload(case[[1]], dir), case[[2]], class = "quillmere_input_error")
  }
  expect_identical(take_upload(upload("data_toxicity.txt"), dir),
                   file.path(dir, "data_toxicity.txt"))
  expect_identical(take_upload(upload("any name"), dir, "fixed.design"),
                   file.path(dir, "fixed.design"))
  expect_identical(list.files(dir), c("data_toxicity.txt", "fixed.design"))
  expect_error(required_upload(NULL, "the data file", dir), "Upload the data file first.",
               class = "quillmere_input_error")
})

test_that("a trial is read from uploaded files or a typed rule as quillmere reads it", {
  example <- extdata("toxicity")
  expected <- qm_read_trial(example, 1)
  upload <- function(name) data.frame(name = name, size = 100,
                                       datapath = file.path(example, name))
  input <- list(event_type = "1", trial_source = "files",
                trial_config = upload("TrialConfig_Toxicity.config"),
                trial_data = upload("data_toxicity.txt"))
  dir.create(session <- tempfile("session-"))
  # The trial read from the session's copy (where it was read from aside).
  same_trial <- function(trial) {
    expect_identical(trial$rule, expected$rule)
    expect_identical(trial$patients, expected$patients)
  }
  same_trial(uploaded_trial(input, session))
  typed <- list(event_type = "1", trial_source = "rule", rule_rate_bound = "0.3",
                rule_cutoff = " 0.9", rule_window = "28", trial_data = upload("data_toxicity.txt"))
  same_trial(uploaded_trial(typed, session))
  typed$rule_cutoff <- "0.9\nRateBound = 0.5"
  expect_error(uploaded_trial(typed, session), "one number on one line",
               class = "quillmere_input_error")
  typed$rule_cutoff <- "1.2"
  expect_error(uploaded_trial(typed, session), "Cutoff", class = "quillmere_input_error")
})

test_that("runs whose results could fill the app's memory are refused", {
  cases <- list(list(trials = 100000, rows = 1, accepted = TRUE),
                list(trials = 700000, rows = 1, accepted = FALSE),
                list(trials = 10000, rows = 12, accepted = TRUE),
                list(trials = 100000, rows = 12, accepted = FALSE))
  for (case in cases) {
    design <- small_design(trials = case$trials)
    if (case$accepted) {
      expect_identical(within_app_limits(design, "run", case$rows), design)
    } else {
      expect_error(within_app_limits(design, "run", case$rows), "Run it with quillmere-design",
                   class = "quillmere_input_error")
    }
  }
})

test_that("shards cover every replicate once, in order", {
  cases <- list(list(7, 20, cbind(1:7, 1:7)), list(100, 3, cbind(c(1L, 34L, 68L), c(33L, 67L, 100L))),
                list(1, 20, cbind(1L, 1L)), list(45, 1, cbind(1L, 45L)))
  for (case in cases) {
    ranges <- shard_ranges(case[[1]], case[[2]])
    expect_identical(unname(ranges), unname(matrix(as.integer(case[[3]]), ncol = 2)))
  }
})

test_that("a background job gives what the package's function gives", {
  skip_if_not_installed("processx")
  design <- small_design()
  dir <- tempfile("jobs-")
  dir.create(dir)
  run_job <- function(kind, args) {
    job <- start_app_job(kind, args, dir)
    while ((polled <- poll_app_job(job))$state == "running") Sys.sleep(0.1)
    stop_app_job(job)
    polled
  }
  simulated <- run_job("simulate", list(design = design, shards = 5, threads = 2))
  expect_identical(simulated$state, "done")
  expect_identical(c(simulated$done, simulated$total), c(16, 16))
  expect_identical(simulated$value$oc, simulate(design, threads = 2)$oc)
  expect_identical(simulated$value$replicates, simulate(design, threads = 2)$replicates)
  calibrated <- run_job("calibrate", list(design = design, shards = 3, threads = 2))
  expect_identical(calibrated$value$calibration, qm_calibrate(design, threads = 2)$calibration)
  # Rule B may differ in the method: both rules on the same patients, named A and B.
  other <- small_design(method = "complete-case")
  compared <- run_job("compare", list(design = design, other = other, threads = 2))
  expect_identical(compared$state, "done")
  A <- design
  B <- other
  expected <- qm_compare(A, B, threads = 2)
  for (what in c("comparison", "stopping", "late_outcomes")) {
    expect_identical(as.data.frame(compared$value, what = what),
                     as.data.frame(expected, what = what), label = what)
  }
  expect_identical(format(compared$value), format(expected))
  failed <- run_job("simulate", list(design = design, shards = 5, threads = 0))
  expect_identical(failed$state, "failed")
  expect_s3_class(failed$error, "quillmere_input_error")
  expect_identical(list.files(dir), character())
})

test_that("a result is kept only while the form holds the design it was run for", {
  design <- small_design()
  other <- small_design(trials = 20)
  comparison <- qm_compare(design, small_design(method = "suspension"), threads = 2)
  cases <- list(
    list(name = "simulation", result = simulate(design, threads = 2), form = design, kept = TRUE),
    list(name = "simulation", result = simulate(design, threads = 2), form = other, kept = FALSE),
    list(name = "comparison", result = comparison, form = design, kept = TRUE),
    list(name = "comparison", result = comparison, form = other, kept = FALSE))
  for (case in cases) {
    state <- new.env()
    state$design <- case$form
    label <- paste(case$name, case$kept)
    expect_identical(same_design(result_design(case$result), case$form), case$kept, label = label)
    if (case$kept) {
      keep_result(state, case$name, case$result)
      expect_identical(state[[case$name]], case$result, label = label)
    } else {
      expect_error(keep_result(state, case$name, case$result), "design was changed",
                   class = "quillmere_input_error", label = label)
    }
  }
})

test_that("a cancelled job's process ends and its files go", {
  skip_if_not_installed("processx")
  dir <- tempfile("jobs-")
  dir.create(dir)
  job <- start_app_job("simulate", list(design = small_design(trials = 100000), shards = 1),
                       dir)
  Sys.sleep(0.5)
  expect_true(job$process$is_alive())
  stop_app_job(job)
  job$process$wait(2000)
  expect_false(job$process$is_alive())
  expect_identical(list.files(dir), character())
})

# The app's server driven as a browser would drive it.
with_app <- function(code) {
  skip_if_not_installed("shiny")
  skip_if_not_installed("processx")
  # testServer takes its code unevaluated: it is handed over as written.
  eval(bquote(shiny::testServer(function(input, output, session) {
    app_server(input, output, session)
  }, .(substitute(code)))), envir = parent.frame())
}

upload_of <- function(path, name = basename(path)) {
  data.frame(name = name, size = file.size(path), type = "", datapath = path,
             stringsAsFactors = FALSE)
}

test_that("the app places the companion's messages beside the settings and recovers", {
  with_app({
    do.call(session$setInputs, form_defaults())
    session$elapse(1000)
    expect_match(output$boundaries_note, "smallest event count", fixed = TRUE)
    session$setInputs(rate_bound = "1.5", max_patients = "700")
    session$elapse(1000)
    expect_identical(output$rate_bound_message,
                     "The Rate Bound was set to (1.5). This value must lay within the open interval (0,1).")
    expect_identical(output$max_patients_message,
                     "The MaxPatients was set to (700). This value must be a whole number from 1 to 500.")
    expect_identical(output$cutoff_message, "")
    expect_match(output$boundaries_note, "refused (2 problems", fixed = TRUE)
    session$setInputs(run_simulate = 1)
    expect_match(output$error_message, "The design has problems", fixed = TRUE)
    session$setInputs(rate_bound = "0.3", max_patients = "40")
    session$elapse(1000)
    expect_identical(output$rate_bound_message, "")
    expect_match(output$boundaries_note, "for 1 to 40 patients", fixed = TRUE)
  })
})

test_that("the app's decision is quillmere's, and every bad trial gets the programs' message", {
  example <- extdata("toxicity")
  bad <- copy_trial(example)
  writeLines(c("PatientData TOXICITY_EVENT TimeToEvent FollowUpTime", "P001 2 28 40"),
             file.path(bad, "data_toxicity.txt"))
  config <- upload_of(file.path(example, "TrialConfig_Toxicity.config"))
  data <- upload_of(file.path(example, "data_toxicity.txt"))
  expected <- qm_decide(qm_read_trial(example, 1))
  cases <- list(
    list(inputs = list(), message = "Upload the configuration file first."),
    list(inputs = list(trial_config = config), message = "Upload the patient data file first."),
    list(inputs = list(trial_config = config, trial_data = data, event_type = "4"),
         message = "The event type must be 1, 2 or 3."),
    list(inputs = list(trial_config = config,
                       trial_data = upload_of(file.path(bad, "data_toxicity.txt"))),
         message = "For patient P001, invalid response indicator! Only 0 or 1 is allowed. Please check."),
    list(inputs = list(trial_config = config, trial_data = upload_of(
      file.path(example, "data_toxicity.txt"), "data toxicity.txt")),
      message = "The file name (data toxicity.txt) may hold only letters")
  )
  with_app({
    session$setInputs(event_type = "1", trial_source = "files")
    for (case in cases) {
      session$setInputs(trial_config = NULL, trial_data = NULL, event_type = "1")
      do.call(session$setInputs, case$inputs)
      session$setInputs(decide = input$decide %or_else% 0 + 1)
      expect_match(output$error_message, case$message, fixed = TRUE)
      expect_error(output$decision_probability)
    }
    session$setInputs(trial_config = config, trial_data = data, event_type = "1")
    session$setInputs(decide = input$decide + 1)
    expect_identical(output$error_message, "")
    expect_identical(output$decision_probability, sprintf("%g", expected$probability))
    expect_identical(output$decision_advice, comparison_text(expected))
    expect_identical(output$decision_label, "Pr(Toxicity rate >0.3)")
  })
})
