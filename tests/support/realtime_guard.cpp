#include "realtime_guard.h"

#include <dlfcn.h>
#include <pthread.h>

#include <cstdlib>
#include <new>

namespace {

thread_local bool t_armed = false;
thread_local std::uint64_t t_allocations = 0;
thread_local std::uint64_t t_locks = 0;

inline void noteAllocation() {
    if (t_armed) ++t_allocations;
}
inline void noteLock() {
    if (t_armed) ++t_locks;
}

template <typename Fn>
Fn nextSymbol(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

}  // namespace

namespace velmo::test {

RealtimeGuard::RealtimeGuard()
    : allocationsAtStart_(t_allocations), locksAtStart_(t_locks), wasArmed_(t_armed) {
    t_armed = true;
}
RealtimeGuard::~RealtimeGuard() { t_armed = wasArmed_; }
std::uint64_t RealtimeGuard::allocations() const { return t_allocations - allocationsAtStart_; }
std::uint64_t RealtimeGuard::locks() const { return t_locks - locksAtStart_; }
void RealtimeGuard::reset() {
    allocationsAtStart_ = t_allocations;
    locksAtStart_ = t_locks;
}

#if defined(ZURIZ_SANITIZED)
bool countsCAllocations() { return false; }
#else
bool countsCAllocations() { return true; }
#endif

}  // namespace velmo::test

// ---- global operator new/delete -------------------------------------------------------
void* operator new(std::size_t size) {
    noteAllocation();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    noteAllocation();
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void* operator new(std::size_t size, std::align_val_t align) {
    noteAllocation();
    std::size_t a = static_cast<std::size_t>(align);
    void* p = std::aligned_alloc(a, (size + a - 1) / a * a);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size, std::align_val_t align) { return operator new(size, align); }
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
    noteAllocation();
    std::size_t a = static_cast<std::size_t>(align);
    return std::aligned_alloc(a, (size + a - 1) / a * a);
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t& tag) noexcept {
    return operator new(size, align, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }

// ---- C allocation and locking, interposed ----------------------------------------------
extern "C" {

#if !defined(ZURIZ_SANITIZED)
extern void* __libc_malloc(std::size_t);
extern void* __libc_calloc(std::size_t, std::size_t);
extern void* __libc_realloc(void*, std::size_t);

void* malloc(std::size_t size) {
    noteAllocation();
    return __libc_malloc(size);
}
void* calloc(std::size_t n, std::size_t size) {
    noteAllocation();
    return __libc_calloc(n, size);
}
void* realloc(void* p, std::size_t size) {
    noteAllocation();
    return __libc_realloc(p, size);
}
#endif

#if !defined(ZURIZ_TSAN)
int pthread_mutex_lock(pthread_mutex_t* m) {
    static auto next = nextSymbol<int (*)(pthread_mutex_t*)>("pthread_mutex_lock");
    noteLock();
    return next(m);
}
int pthread_mutex_trylock(pthread_mutex_t* m) {
    static auto next = nextSymbol<int (*)(pthread_mutex_t*)>("pthread_mutex_trylock");
    noteLock();
    return next(m);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) {
    static auto next = nextSymbol<int (*)(pthread_rwlock_t*)>("pthread_rwlock_rdlock");
    noteLock();
    return next(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l) {
    static auto next = nextSymbol<int (*)(pthread_rwlock_t*)>("pthread_rwlock_wrlock");
    noteLock();
    return next(l);
}
#endif

}  // extern "C"
