// Run-time defaults of the sanitizers in a sanitized build; ASAN_OPTIONS and
// UBSAN_OPTIONS still override them. A report aborts the process: a program that
// the end-to-end tests run and that hits one then ends by a signal, never with an
// exit status a test could take for an expected failure.
extern "C" const char* __asan_default_options() {
  return "abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:"
         "check_initialization_order=1:strict_string_checks=1";
}

extern "C" const char* __ubsan_default_options() {
  return "abort_on_error=1:halt_on_error=1:print_stacktrace=1";
}
