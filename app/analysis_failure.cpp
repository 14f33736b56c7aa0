#include "app/analysis_failure.h"

namespace quillmere {

int showAnalysisFailure(const AnalysisError& error, std::ostream& out, std::ostream& err) {
    std::ostream& stream = error.stream == ConsoleStream::Error ? err : out;
    stream << error.text << std::flush;
    return error.exitStatus;
}

}  // namespace quillmere
