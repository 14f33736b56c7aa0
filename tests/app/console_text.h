#pragma once

// Console texts the program must print byte for byte, assembled from their
// parts the way a reader of the run would see them.
#include <string>

namespace quillmere::testing {

inline const std::string bannerText =
    "\n"
    "\n"
    "//////////////////////////////////////////////////////////////////////////\n"
    "//                             Q  U  I  L  L                            //\n"
    "//                              M  E  R  E                              //\n"
    "//                              by Varnholt                             //\n"
    "//                              Version 3.0.0                           //\n"
    "//////////////////////////////////////////////////////////////////////////\n"
    "\n"
    "\n"
    "\n"
    "*************************************************************************\n"
    "Which kind of observed event are you interested in computing the patient accrual decision "
    "with respect to:\n"
    "\n"
    "1 for Toxicitiy\n"
    "2 for Efficacy\n"
    "3 for Disease Progression\n";

inline const std::string incorrectResponseText =
    "Response was incorrect!\n"
    "Please enter a 1, 2 or 3 as described above\n";

inline std::string confirmationText(const std::string& word) {
    return "\n\nYou have chosen make a decision based upon " + word + "\n\n\n";
}

inline const std::string closingText =
    "\n\n\nExecution has completed.\n"
    "Please apply and then remove pressure from the ANY key to terminate.\n\n";

}  // namespace quillmere::testing
