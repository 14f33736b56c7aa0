test_that("the four reference runs give their posterior probability to the bit", {
  for (i in seq_len(nrow(reference_runs))) {
    run <- reference_runs[i, ]
    trial <- qm_read_trial(extdata("reference-runs", run$directory), run$answer)
    decision <- qm_decide(trial)
    expect_identical(sprintf("%.17g", decision$posterior), run$posterior, label = run$directory)
    # The rule and the patients handed over directly give the same bits.
    direct <- qm_decide(trial$rule, trial$patients)
    expect_identical(direct$posterior, decision$posterior)
    expect_identical(direct$hazards, decision$hazards)
  }
})

test_that("the reported probability is the posterior's complement for efficacy and disease progression", {
  toxicity <- qm_decide(qm_read_trial(extdata("reference-runs", "toxicity-n60"), 1))
  efficacy <- qm_decide(qm_read_trial(extdata("reference-runs", "efficacy-n80"), 2))
  expect_identical(toxicity$probability, 1 - toxicity$posterior)
  expect_identical(efficacy$probability, efficacy$posterior)
  expect_length(efficacy$hazards, 6L)
  expect_true(all(efficacy$hazards >= 0.001 & efficacy$hazards <= 100))
})
