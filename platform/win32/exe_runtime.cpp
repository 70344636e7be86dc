// Linked into setup.exe alone (not into the test programs), ahead of the C++ runtime.
#include <cstdlib>

// The runtime's default handler for an exception nobody catches prints the exception's
// demangled type to stderr before it aborts. A program without a console has no stderr to
// read, and the demangler and the formatted printing it brings are a quarter of the image.
// Ending the same way without the message keeps the result (abort, exit code 3) unchanged.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx
