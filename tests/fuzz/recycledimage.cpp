#include "intelhexreader.h"

#include <sanitizer/asan_interface.h>

#include <atomic>
#include <cstddef>

// Under ASan every block of the reader's image size is a fresh mapping, and faulting in its
// pages costs far more than reading a whole HEX file: a new reader per input would hold the
// HEX targets to a few hundred inputs a second. These targets are linked with
// --wrap=_Znwm/_ZdlPv/_ZdlPvm, so the reader's operator new and delete (and those of every
// other statically linked caller) come here: a new reader gets the image block the last one
// gave back. The block stays an ASan heap block of its own (an overflow still meets its
// redzone) and is poisoned while no reader holds it (a use after the reader is gone is still
// reported). Every other allocation goes to ASan's own operator new and delete.

extern "C" void *__real__Znwm(std::size_t size);
extern "C" void __real__ZdlPv(void *block) noexcept;

namespace {

std::atomic<void *> image{nullptr}; // the one block handed from reader to reader
std::atomic<bool> imageHeld{false};

} // namespace

extern "C" void *__wrap__Znwm(std::size_t size)
{
    if (size != IntelHexReader::kImageSize || imageHeld.exchange(true))
        return __real__Znwm(size);
    if (void *block = image.load()) {
        ASAN_UNPOISON_MEMORY_REGION(block, size);
        return block;
    }
    image = __real__Znwm(size);
    return image.load();
}

extern "C" void __wrap__ZdlPv(void *block) noexcept
{
    if (block && block == image.load()) {
        ASAN_POISON_MEMORY_REGION(block, IntelHexReader::kImageSize);
        imageHeld = false;
        return;
    }
    __real__ZdlPv(block);
}

extern "C" void __wrap__ZdlPvm(void *block, std::size_t) noexcept
{
    __wrap__ZdlPv(block);
}
