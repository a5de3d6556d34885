// The C++ runtime's default terminate handler prints the exception's
// demangled type to stderr, which a window program does not have; replacing
// it with one that only aborts keeps the demangler (about 45 kB) out of
// vork.exe. The linker takes this definition before the runtime's, whose
// name it must carry.
#include <cstdlib>

namespace __gnu_cxx {  // NOLINT(bugprone-reserved-identifier): the runtime's own name

void __verbose_terminate_handler();  // NOLINT(bugprone-reserved-identifier)

void __verbose_terminate_handler() { std::abort(); }  // NOLINT(bugprone-reserved-identifier)

}  // namespace __gnu_cxx
