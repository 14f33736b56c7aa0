#pragma once

// Trial configuration: the key = value reader, the validation of the five
// trial settings and the check of the data file's event label.
#include "config/config_file_reader.h"
#include "config/configuration_failure.h"
#include "config/event_label.h"
#include "config/trial_settings.h"
