test_that("qm_boundaries equals the companion's boundaries.csv for the example designs", {
  design_program()
  for (name in c("toxicity", "efficacy", "disease-progression")) {
    file <- extdata("design", paste0(name, ".design"))
    design <- qm_read_design(file)
    out <- tempfile("boundaries-")
    run <- run_design_program("boundaries", file, "--out", out)
    expect_identical(run$status, 0L)
    frame <- qm_boundaries(design$rule, design$max_patients)
    expect_csv_equal(frame, file.path(out, "boundaries.csv"), boundary_formats)
  }
})

test_that("the boundary table stops where the complete-data decision terminates", {
  rule <- qm_rule("toxicity", 0.3, 0.9, 90)
  frame <- qm_boundaries(rule, 30)
  expect_identical(frame$patients, 1:30)
  row <- frame[frame$patients == 20, ]
  # Every outcome known: the decision at the boundary terminates, one event
  # fewer continues.
  complete <- function(events) {
    data.frame(id = sprintf("P%02d", 1:20), event = rep(c(1L, 0L), c(events, 20 - events)),
               time = 90, follow_up = 100)
  }
  expect_true(qm_decide(rule, complete(row$boundary))$terminate)
  expect_false(qm_decide(rule, complete(row$boundary - 1L))$terminate)
  expect_identical(qm_decide(rule, complete(row$boundary))$probability,
                   row$probability_at_boundary)
})

test_that("qm_boundaries refuses a number of patients outside 1 to 500", {
  rule <- qm_rule("efficacy", 0.3, 0.9, 90)
  expect_error(qm_boundaries(rule, 501), class = "quillmere_input_error")
  expect_error(qm_boundaries(rule, 2.5), "whole number from 1 to 500")
})
