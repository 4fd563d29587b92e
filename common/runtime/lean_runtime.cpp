// The few pieces of the C++ runtime our programs and DLLs reach, without exceptions.
//
// Nothing in the product throws or catches. Left to itself, the statically linked runtime
// still drags in everything a throw needs: the exception classes and their type information,
// the unwinder, and the verbose terminate handler with its name demangler and stdio. The
// standard library's own error paths (a string too long, an allocation that fails) end in an
// uncaught exception, that is in std::terminate and abort(). These definitions take their place
// and go straight to abort(), which ends the program exactly as the uncaught exception did,
// minus the message to a console that a Windows program does not have.
#include <cstdlib>
#include <exception>
#include <new>
#include <string>

namespace {
[[noreturn]] void Fail() { std::abort(); }
}  // namespace

// Where the library would throw.
namespace std {
void __throw_bad_exception() { Fail(); }
void __throw_bad_alloc() { Fail(); }
void __throw_bad_array_new_length() { Fail(); }
void __throw_bad_cast() { Fail(); }
void __throw_bad_typeid() { Fail(); }
void __throw_logic_error(const char*) { Fail(); }
void __throw_domain_error(const char*) { Fail(); }
void __throw_invalid_argument(const char*) { Fail(); }
void __throw_length_error(const char*) { Fail(); }
void __throw_out_of_range(const char*) { Fail(); }
void __throw_out_of_range_fmt(const char*, ...) { Fail(); }
void __throw_runtime_error(const char*) { Fail(); }
void __throw_range_error(const char*) { Fail(); }
void __throw_overflow_error(const char*) { Fail(); }
void __throw_underflow_error(const char*) { Fail(); }
void __throw_bad_function_call() { Fail(); }
}  // namespace std

// Allocation: failure ends the program as the uncaught bad_alloc did; the nothrow forms keep
// answering nullptr, which the plug-in relies on.
void* operator new(std::size_t size) {
  void* p = std::malloc(size ? size : 1);
  if (!p) Fail();
  return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

// A call through a pure virtual function or std::terminate: end plainly.
extern "C" void __cxa_pure_virtual() { Fail(); }
namespace __cxxabiv1 {
std::terminate_handler __terminate_handler = std::abort;
}

// std::string's members are compiled into the library with exception handling; instantiated
// here, without it, they stop pulling the library's copy and the unwinder in. The linker
// keeps only the members a binary calls.
template class std::basic_string<char>;
template std::string std::operator+(const char*, const std::string&);
template std::string std::operator+(char, const std::string&);
