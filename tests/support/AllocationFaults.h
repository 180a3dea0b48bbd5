// Allocations that fail on demand, in real modules: a module's imports of the C runtime's
// allocators (malloc, calloc, realloc) are redirected, so that a chosen allocation of that module
// on this thread returns null and its operator new throws std::bad_alloc, as on a heap that
// cannot serve the request.
//
// One allocation fails at a time: with every allocation failing, the runtime could not even
// allocate the exception object (its emergency reserve sits behind a lock that is itself set up
// by an allocation), and the process would end inside the runtime, not in our code.
#pragma once

#include <windows.h>

// Redirects `module`'s allocator imports; false when it imports none.
bool RedirectAllocators(HMODULE module);

// While the object lives, the `nth` redirected allocation on the constructing thread fails.
class FailingAllocations {
  public:
    explicit FailingAllocations(long nth);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
    // Whether the chosen allocation was reached (and refused).
    bool Refused() const;
};

// Runs `step` once for each of its allocations, that allocation failing (the first, then the
// second, ...), until a run reaches no further allocation or `limit` runs were made. Returns the
// number of runs in which an allocation failed.
template <typename Step>
long FailEachAllocation(Step&& step, long limit = 400) {
    long failed = 0;
    for (long nth = 1; nth <= limit; ++nth) {
        FailingAllocations fail(nth);
        step();
        if (!fail.Refused()) break;
        ++failed;
    }
    return failed;
}
