// Blocks of one class's size, handed back on delete and taken again on new.
#pragma once

#include <cstddef>
#include <new>

// A layer makes and destroys its entries and their notes by the thousand, in waves: a short list
// of blocks at hand serves them for less than the heap's own search. On Windows the plug-in keeps
// the host process's allocator, and under the address sanitizer every block goes straight back to
// the heap, so that a use after delete is still caught.
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__)
#define FRAMEWORK_RECYCLES_BLOCKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FRAMEWORK_RECYCLES_BLOCKS 0
#endif
#endif
#ifndef FRAMEWORK_RECYCLES_BLOCKS
#define FRAMEWORK_RECYCLES_BLOCKS 1
#endif

/// The blocks a class `Owner` hands back, kept per thread for objects of exactly its size (a
/// subclass of another size goes to the heap). A thread keeps at most `LIMIT` of them and gives
/// them all back to the heap when it ends; a block handed back after that goes to the heap too.
/// A class takes its blocks from here by deriving from RecyclesBlocks (below).
template <class Owner>
class RecycledBlocks {
public:
    static constexpr std::size_t LIMIT = 8192;

    static void* Take(std::size_t size) {
#if FRAMEWORK_RECYCLES_BLOCKS
        Shelf& shelf = shelf_;
        if (size == sizeof(Owner) && shelf.top) {
            Block* block = shelf.top;
            shelf.top = block->next;
            --shelf.count;
            return block;
        }
#endif
        return ::operator new(size);
    }

    static void Give(void* block, std::size_t size) noexcept {
        if (!block) return;
#if FRAMEWORK_RECYCLES_BLOCKS
        Shelf& shelf = shelf_;
        if (size == sizeof(Owner) && !shelf.closed && shelf.count < LIMIT) {
            if (!shelf.drainerSet) {
                shelf.drainerSet = true;
                static thread_local Drainer drainer;
                (void)drainer;
            }
            auto* kept = static_cast<Block*>(block);
            kept->next = shelf.top;
            shelf.top = kept;
            ++shelf.count;
            return;
        }
#endif
        ::operator delete(block);
    }

    /// Blocks this thread holds now.
    static std::size_t Kept() {
#if FRAMEWORK_RECYCLES_BLOCKS
        return shelf_.count;
#else
        return 0;
#endif
    }

private:
    static_assert(sizeof(Owner) >= sizeof(void*), "a kept block holds a link");

    struct Block {
        Block* next;
    };
    /// Plain data, never destroyed: it stays readable while the thread's other objects are
    /// destroyed, after the drainer has emptied it.
    struct Shelf {
        Block* top;
        std::size_t count;
        bool drainerSet;
        bool closed;
    };
    /// Made with the thread's first kept block; empties the shelf when the thread ends.
    struct Drainer {
        ~Drainer() {
            Shelf& shelf = shelf_;
            shelf.closed = true;
            while (shelf.top) {
                Block* block = shelf.top;
                shelf.top = block->next;
                ::operator delete(block);
            }
            shelf.count = 0;
        }
    };

    static thread_local Shelf shelf_;
};

template <class Owner>
thread_local typename RecycledBlocks<Owner>::Shelf RecycledBlocks<Owner>::shelf_{};

/// A base that gives `Owner` (deriving from it) its own new and delete, over RecycledBlocks.
template <class Owner>
struct RecyclesBlocks {
    static void* operator new(std::size_t size) { return RecycledBlocks<Owner>::Take(size); }
    static void operator delete(void* block, std::size_t size) {
        RecycledBlocks<Owner>::Give(block, size);
    }
};
