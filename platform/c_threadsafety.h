#pragma once
// Clang's thread-safety annotations: what a lock guards and the order locks are
// taken in, checked by a clang build with -Wthread-safety. Other compilers see
// nothing.

#if defined(__clang__)
#define TM_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define TM_THREAD_ANNOTATION(x)
#endif

// A type that is a lock; a guard that holds one for its scope.
#define TM_CAPABILITY(name) TM_THREAD_ANNOTATION(capability(name))
#define TM_SCOPED_CAPABILITY TM_THREAD_ANNOTATION(scoped_lockable)
// A member read and written only with the lock held; a pointer whose target is.
#define TM_GUARDED_BY(x) TM_THREAD_ANNOTATION(guarded_by(x))
#define TM_PT_GUARDED_BY(x) TM_THREAD_ANNOTATION(pt_guarded_by(x))
// Lock order between two locks.
#define TM_ACQUIRED_BEFORE(...) TM_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define TM_ACQUIRED_AFTER(...) TM_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
// A function the caller calls with the locks held; one that must not hold them.
#define TM_REQUIRES(...) TM_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define TM_EXCLUDES(...) TM_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
// A function that takes, tries to take or gives a lock.
#define TM_ACQUIRE(...) TM_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define TM_TRY_ACQUIRE(...) TM_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define TM_RELEASE(...) TM_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
// A function that returns a lock, or that checks at run time that it is held.
#define TM_RETURN_CAPABILITY(x) TM_THREAD_ANNOTATION(lock_returned(x))
#define TM_ASSERT_CAPABILITY(x) TM_THREAD_ANNOTATION(assert_capability(x))
// A function whose correct locking the analysis cannot follow; say why beside it.
#define TM_NO_THREAD_SAFETY_ANALYSIS TM_THREAD_ANNOTATION(no_thread_safety_analysis)
