// The check that turns a pending I/O result into the run-time error exit,
// and the check sites whose locations tell the checks apart.
#pragma once

namespace runtime {

// A check site's own object: a failure that the check there catches reports
// this object's address, relative to the module that holds it, as its
// location. Distinct objects that may change never share an address, so no
// inlining, merging of identical code or folding by the linker can give two
// sites one location.
struct CheckSite {};

// Ends the program with the run-time error exit when a code is pending,
// reporting the site's location.
void CheckIo(CheckSite& site);

}  // namespace runtime

// A check site object of its own for each place where this is written: a
// lambda is a function of its own, with its own static. Written in a function
// that checks for several callers, it is one site for all of them: such a
// function takes its sites from its callers instead.
#define VIMBREL_CHECK_SITE()                                                \
  ([]() -> ::runtime::CheckSite& {                                          \
    static ::runtime::CheckSite vimbrelCheckSite;                           \
    return vimbrelCheckSite;                                                \
  }())
