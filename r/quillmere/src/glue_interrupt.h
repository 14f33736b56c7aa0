#pragma once

// Long runs of the library stop when R asks them to: a user's interrupt, or
// a time limit (setTimeLimit) or another condition R raises while it checks
// for interrupts. The library's task pool calls its progress callback on the
// calling thread, where R is asked; a condition it raises is caught before
// it unwinds past the run, the run is asked to stop, and once the run has
// returned the condition goes on to R as what it is (an interrupt as an
// interrupt, a time limit as an error that tryCatch(error = ) catches).
#include <Rcpp.h>

#include <csignal>
#include <exception>

#include "design/design.h"

namespace quillmere::glue {

class InterruptWatch {
  public:
    ProgressCallback progress() {
        return [this](long, long) {
            if (raised_) {
                return;  // R is unwinding: it must not be called again
            }
            try {
                Rcpp::unwindProtect([]() -> SEXP {
                    R_CheckUserInterrupt();
                    return R_NilValue;
                });
            } catch (const Rcpp::LongjumpException&) {
                raised_ = std::current_exception();
                stop_ = SIGINT;
            }
        };
    }

    const StopRequest* request() const { return &stop_; }

    // After a run: a condition R raised during it continues (Rcpp's END_RCPP
    // resumes it), even when the run completed before it saw the request;
    // a run that gave nothing otherwise was interrupted.
    void passOnInterrupt(bool completed) const {
        if (raised_) {
            std::rethrow_exception(raised_);
        }
        if (!completed) {
            throw Rcpp::internal::InterruptedException();
        }
    }

  private:
    StopRequest stop_{0};
    std::exception_ptr raised_;
};

}  // namespace quillmere::glue
