// The meter throws no exceptions and has one thread. Left to itself the
// static C++ library would bring in its exception machinery anyway (the
// throwing operator new, std::string's members compiled with handlers, and
// their throw helpers, which name every exception class and the demangler):
// two thirds of the exe. These replacements end the program where the
// library would have thrown an exception that nothing catches.
#include <cstdlib>
#include <new>
#include <string>

void* operator new(std::size_t size) {
    void* block = std::malloc(size != 0 ? size : 1);
    if (block == nullptr) {
        std::abort();
    }
    return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

// The library's hooks for code built without exceptions.
namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
}  // namespace std

// The string's members built here, without handlers, instead of the library's.
template class std::basic_string<char>;
