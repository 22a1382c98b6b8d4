// Movable global memory of the window-system layer: GlobalAlloc,
// GlobalReAlloc, GlobalLock, GlobalUnlock, GlobalFree, GlobalSize.  A block
// is a handle to heap memory with a lock count; its address is only handed
// out by GlobalLock and may change when the block is reallocated unlocked.
// Depends on platform/objects.h (handles, live counters) and
// platform/seams.h (forced failures).
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "platform/objects.h"
#include "platform/seams.h"
#include "platform/win.h"

namespace plat {

namespace {

struct Block {
    std::uint8_t* mem = nullptr;
    std::size_t size = 0;
    std::int32_t locks = 0;
};

std::unordered_map<HGLOBAL, Block>& blocks() {
    static std::unordered_map<HGLOBAL, Block> m;
    return m;
}

Block* find(HGLOBAL h) {
    auto it = blocks().find(h);
    return it == blocks().end() ? nullptr : &it->second;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
    if (seams::take_failure("GlobalAlloc")) return 0;
    // Zero-filled whatever the flags say; a zero-byte block still has an address.
    auto* mem = static_cast<std::uint8_t*>(std::calloc(bytes == 0 ? 1 : bytes, 1));
    if (mem == nullptr) return 0;
    const HGLOBAL h = new_handle();
    blocks().emplace(h, Block{mem, bytes, 0});
    ++live_counters().globals;
    return h;
}

HGLOBAL GlobalReAlloc(HGLOBAL h, std::size_t bytes, UINT flags) {
    Block* b = find(h);
    if (b == nullptr) return 0;
    if (seams::take_failure("GlobalReAlloc")) return 0;
    // A locked block may only move when the caller allows it.
    if (b->locks > 0 && (flags & GMEM_MOVEABLE) == 0 && bytes > b->size) return 0;
    auto* mem = static_cast<std::uint8_t*>(std::realloc(b->mem, bytes == 0 ? 1 : bytes));
    if (mem == nullptr) return 0;  // the old block stays as it was
    if (bytes > b->size) std::memset(mem + b->size, 0, bytes - b->size);
    b->mem = mem;
    b->size = bytes;
    return h;
}

void* GlobalLock(HGLOBAL h) {
    Block* b = find(h);
    if (b == nullptr) return nullptr;
    if (seams::take_failure("GlobalLock")) return nullptr;
    ++b->locks;
    return b->mem;
}

BOOL GlobalUnlock(HGLOBAL h) {
    Block* b = find(h);
    if (b == nullptr || b->locks == 0) return 0;
    --b->locks;
    return b->locks > 0 ? 1 : 0;
}

HGLOBAL GlobalFree(HGLOBAL h) {
    auto it = blocks().find(h);
    if (it == blocks().end()) return h;
    std::free(it->second.mem);
    blocks().erase(it);
    --live_counters().globals;
    return 0;
}

std::size_t GlobalSize(HGLOBAL h) {
    const Block* b = find(h);
    return b == nullptr ? 0 : b->size;
}

}  // namespace plat
