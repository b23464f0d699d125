// Suppressions the thread checker reads at start-up, compiled into every test executable of
// the ThreadSanitizer build.
//
// glibc's tzset() frees and copies its saved TZ string on every mktime() while TZ is unset, under
// a lock internal to libc that the checker cannot see. The zip reader calls mktime() for each
// entry's timestamp, so two unpacks at once look like a race on that string. It is not one.
extern "C" const char* __tsan_default_suppressions()
{
    return "race:tzset_internal\n";
}
