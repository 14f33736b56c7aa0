qm_boundaries <- function(rule, max_patients) {
  rule <- check_class(rule, "qm_rule", "rule")
  max_patients <- check_whole_number(max_patients, "max_patients", 1, 500)
  boundaries_cpp(rule, max_patients)
}
