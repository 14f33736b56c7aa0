library(testthat)
library(quillmere)

test_check("quillmere")
