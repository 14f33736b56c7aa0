#pragma once

// The patient data file: the four header words (with the event label check)
// and one record per patient, every record checked, messages as the console
// program shows them.
#include "datafile/data_words.h"
#include "datafile/open_file.h"
#include "datafile/patient_data_reader.h"
