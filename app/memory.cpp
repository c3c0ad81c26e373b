// The C++ allocation operators of the shipped programs, on malloc and free.
// The library's own operators throw std::bad_alloc, which drags the whole
// exception machinery into a program that never catches anything. Here a
// failed plain `new` ends the program at once instead; `new (std::nothrow)`
// gives a null pointer as it should.
#include <cstdlib>
#include <new>

namespace {

void *Allocate(std::size_t size) noexcept
{
    return std::malloc(size ? size : 1);
}

void *AllocateOrDie(std::size_t size) noexcept
{
    void *memory = Allocate(size);
    if (!memory)
        std::abort();
    return memory;
}

}  // namespace

void *operator new(std::size_t size) { return AllocateOrDie(size); }
void *operator new[](std::size_t size) { return AllocateOrDie(size); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return Allocate(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return Allocate(size); }

void operator delete(void *memory) noexcept { std::free(memory); }
void operator delete[](void *memory) noexcept { std::free(memory); }
void operator delete(void *memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void *memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void *memory, const std::nothrow_t &) noexcept { std::free(memory); }
void operator delete[](void *memory, const std::nothrow_t &) noexcept { std::free(memory); }

// The library defines std::nothrow beside its new-handler functions, whose
// object would come along with it; the constant needs nothing of them.
namespace std {
const nothrow_t nothrow{};
}

// A pure virtual function reached through a half-built or destroyed object.
extern "C" void __cxa_pure_virtual() { std::abort(); }
