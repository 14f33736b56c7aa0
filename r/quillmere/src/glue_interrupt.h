#pragma once

// Long runs of the library stop when the user interrupts R. The library's
// task pool calls its progress callback on the calling thread, where R may be
// asked whether an interrupt is pending; the run is then asked to stop, and
// once it has returned the interrupt is passed on to R as an ordinary one.
#include <Rcpp.h>

#include <csignal>

#include "design/design.h"

namespace quillmere::glue {

class InterruptWatch {
  public:
    ProgressCallback progress() {
        return [this](long, long) {
            try {
                Rcpp::checkUserInterrupt();
            } catch (const Rcpp::internal::InterruptedException&) {
                stop_ = SIGINT;
            }
        };
    }

    const StopRequest* request() const { return &stop_; }

    // After a run that gave nothing because it was stopped.
    void passOnInterrupt(bool completed) const {
        if (!completed) {
            throw Rcpp::internal::InterruptedException();
        }
    }

  private:
    StopRequest stop_{0};
};

}  // namespace quillmere::glue
