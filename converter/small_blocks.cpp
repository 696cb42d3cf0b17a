// Small-block allocation for the converter's programs (kestra, kestra-batch). A conversion
// makes and drops some three hundred thousand short strings per megabyte of source, and the
// general allocator spends more instructions on each than on the text it holds. Here blocks of
// up to 256 bytes come from free lists, one per size class of 16 bytes, cut from 64 KB chunks;
// a freed block is taken again by the next block of its class, so the memory held stays at the
// most blocks alive at once. Every block carries its class in the 16 bytes before it (class 0:
// a larger block, from malloc), which keeps the 16-byte alignment of malloc.
// The sanitizer and fuzz builds leave this file out: they check each allocation themselves.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

constexpr size_t HEADER = 16;
constexpr size_t GRAIN = 16;
constexpr size_t CLASSES = 16; // blocks of 16, 32, ... 256 bytes
constexpr size_t CHUNK = 64 * 1024;

struct free_block {
    free_block *next;
};

// Per thread, so that no lock is needed; a block freed by another thread joins that thread's
// list.
thread_local free_block *lists[CLASSES + 1];
thread_local char *chunk_next = nullptr;
thread_local char *chunk_end = nullptr;

void *take(size_t size) {
    const size_t cls = size == 0 ? 1 : (size + GRAIN - 1) / GRAIN;
    if (cls > CLASSES) {
        if (size > static_cast<size_t>(-1) - HEADER)
            return nullptr;
        auto *p = static_cast<char *>(malloc(size + HEADER));
        if (p == nullptr)
            return nullptr;
        *reinterpret_cast<size_t *>(p) = 0;
        return p + HEADER;
    }
    if (free_block *b = lists[cls]) {
        lists[cls] = b->next;
        return b;
    }
    const size_t need = HEADER + cls * GRAIN;
    if (chunk_next == nullptr || static_cast<size_t>(chunk_end - chunk_next) < need) {
        // The rest of the old chunk (less than one block of this class) stays unused.
        auto *chunk = static_cast<char *>(malloc(CHUNK));
        if (chunk == nullptr)
            return nullptr;
        chunk_next = chunk;
        chunk_end = chunk + CHUNK;
    }
    char *p = chunk_next;
    chunk_next += need;
    *reinterpret_cast<size_t *>(p) = cls;
    return p + HEADER;
}

void give(void *block) noexcept {
    if (block == nullptr)
        return;
    char *p = static_cast<char *>(block) - HEADER;
    const size_t cls = *reinterpret_cast<size_t *>(p);
    if (cls == 0) {
        free(p);
        return;
    }
    auto *b = static_cast<free_block *>(block);
    b->next = lists[cls];
    lists[cls] = b;
}

// As the standard operator new: the installed new-handler may free memory or stop the run.
void *take_or_throw(size_t size) {
    for (;;) {
        if (void *p = take(size))
            return p;
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr)
            throw std::bad_alloc();
        handler();
    }
}

} // namespace

// The common case first, where it costs least: a block of a small class that a free list holds.
void *operator new(size_t size) {
    const size_t cls = (size + GRAIN - 1) / GRAIN;
    if (size != 0 && cls <= CLASSES) {
        if (free_block *b = lists[cls]) {
            lists[cls] = b->next;
            return b;
        }
    }
    return take_or_throw(size);
}
void *operator new[](size_t size) {
    return take_or_throw(size);
}
void *operator new(size_t size, const std::nothrow_t &) noexcept {
    try {
        return take_or_throw(size);
    } catch (...) {
        return nullptr;
    }
}
void *operator new[](size_t size, const std::nothrow_t &) noexcept {
    try {
        return take_or_throw(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void *p) noexcept {
    give(p);
}
void operator delete[](void *p) noexcept {
    give(p);
}
void operator delete(void *p, size_t) noexcept {
    give(p);
}
void operator delete[](void *p, size_t) noexcept {
    give(p);
}
void operator delete(void *p, const std::nothrow_t &) noexcept {
    give(p);
}
void operator delete[](void *p, const std::nothrow_t &) noexcept {
    give(p);
}
