// Fontconfig keeps a cache it never frees; under LeakSanitizer that is not
// this program's leak. Included by exactly one source file of each program
// that draws (it defines the sanitizer's hook).
#pragma once

#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig\n"; }
#endif
#endif
