# Every R block of the user guide (docs/r-package.md, copied into the
# package by r/prepare.sh) runs, in order, as a reader would type it, and
# every output line the guide shows ("#> ...") is what the package prints.
# Blocks that install the package are the installing section's, not examples.

guide_blocks <- function(file) {
  lines <- readLines(file, encoding = "UTF-8")
  starts <- which(lines == "```r")
  ends <- which(lines == "```")
  lapply(starts, function(start) {
    end <- min(ends[ends > start])
    lines[(start + 1L):(end - 1L)]
  })
}

test_that("every R block of the guide runs and prints what the guide shows", {
  blocks <- guide_blocks(extdata("guide", "r-package.md"))
  expect_gt(length(blocks), 8L)
  directory <- tempfile("guide-")
  dir.create(directory)
  old <- setwd(directory)
  on.exit(setwd(old), add = TRUE)
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off(), add = TRUE)
  env <- new.env(parent = globalenv())
  for (i in seq_along(blocks)) {
    code <- blocks[[i]]
    if (any(grepl("install.packages(", code, fixed = TRUE))) {
      next
    }
    shown <- sub("^#> ?", "", grep("^#>", code, value = TRUE))
    output <- withCallingHandlers(
      utils::capture.output(source(exprs = parse(text = code), local = env, print.eval = TRUE)),
      quillmere_precision_warning = function(w) invokeRestart("muffleWarning"))
    printed <- paste(output, collapse = "\n")
    for (line in shown) {
      expect_true(grepl(line, printed, fixed = TRUE),
                  label = sprintf("block %d shows \"%s\"", i, line))
    }
  }
  # The replayed look was run by the simulation and written for quillmere.
  expect_true(file.exists(file.path("look-dir", "TrialConfig_Toxicity.config")))
  expect_identical(c(env$a, env$b)$oc, env$sim$oc)
})
