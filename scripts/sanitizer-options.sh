# Sourced by the sanitizer and fuzzing scripts: every sanitizer finding ends
# the program that made it, with a stack trace, and fails the run. Leaks are
# checked at every exit; only leaks inside system libraries are suppressed
# (scripts/lsan-suppressions.txt).
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan-suppressions.txt"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# clang's runtimes look for the symbolizer under this name.
if [ -x /usr/bin/llvm-symbolizer-14 ]; then
    export ASAN_SYMBOLIZER_PATH=/usr/bin/llvm-symbolizer-14
fi
