same_look_formats <- list(unit = "%s", scenario = "%d", true_rate = "shortest", looks = "%d",
                          mean_reported_probability = "%.8g", differing_decisions = "%d")

test_that("qm_units equals the companion's units.csv and units_same_looks.csv", {
  design_program()
  design <- small_design("DiseaseProgression", trials = 5, seed = 31)
  out <- run_companion(design, "units", "--units", "hours,weeks", "--trials", "4",
                       "--same-looks", "2", "--threads", "2")$out
  units <- qm_units(design, c("hours", "weeks"), threads = 2, trials = 4, same_looks = 2)
  expect_identical(units$units, c("days", "hours", "weeks"))
  expect_csv_equal(units$oc, file.path(out, "units.csv"), units_formats)
  expect_csv_equal(units$same_looks, file.path(out, "units_same_looks.csv"), same_look_formats)
})

test_that("the design's own unit in qm_units is the simulation of the design", {
  design <- small_design(trials = 4, seed = 8)
  units <- qm_units(design, "weeks")
  expect_identical(units$replicates$days, simulate(design)$replicates)
  expect_identical(units$oc$differing_from_reference[units$oc$unit == "days"], c(0, 0))
  expect_error(qm_units(design, "fortnights"), "Unknown time unit (fortnights).", fixed = TRUE,
               class = "quillmere_input_error")
  # 90 years are more hours than the computation admits as a window.
  expect_error(qm_units(small_design(trials = 2, time_unit = "years"), "hours"),
               "In hours: The MaxEvaluationWindow", class = "quillmere_input_error")
})
