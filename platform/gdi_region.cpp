// Regions: the band algebra on normalised rectangle lists and the region
// operations of the window-system layer (ExtCreateRegion, CreateRectRgn,
// CombineRgn, PtInRegion, GetRegionData, SetWindowRgn).
// Depends on platform/gdi_region.h, platform/objects.h (object table, window
// destroy hooks), platform/backend.h (set_shape), platform/seams.h (forced
// failures of ExtCreateRegion).
#include "platform/gdi_region.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_map>
#include <utility>

#include "platform/backend.h"
#include "platform/seams.h"

namespace plat {

namespace rgn {

namespace {

constexpr std::int64_t kInf = std::numeric_limits<std::int64_t>::max();

struct Span {
    std::int32_t l, r;
};

// End (one past) of the band that starts at i.
std::size_t band_end(const Rects& r, std::size_t i) {
    std::size_t j = i;
    while (j < r.size() && r[j].top == r[i].top) ++j;
    return j;
}

// When out's last band ends at `top` and holds exactly n rectangles whose
// left/right edges match (same_edges(out_rect, i) for i < n), stretches that
// band down to `bottom` and returns true: the new band coalesces with it.
template <class SameEdges>
bool extend_last_band(Rects& out, std::int32_t top, std::int32_t bottom, std::size_t n,
                      SameEdges same_edges) {
    if (out.empty() || out.back().bottom != top || out.size() < n) return false;
    const std::size_t start = out.size() - n;
    const std::int32_t last_top = out.back().top;
    if (out[start].top != last_top || (start != 0 && out[start - 1].top == last_top)) return false;
    for (std::size_t i = 0; i < n; ++i)
        if (!same_edges(out[start + i], i)) return false;
    for (std::size_t i = start; i < out.size(); ++i) out[i].bottom = bottom;
    return true;
}

// Appends the band [top, bottom) with `spans` (sorted, disjoint, not
// touching) to `out`, extending the last band instead when it ends at `top`
// and has the same spans.
void append_band(Rects& out, std::int32_t top, std::int32_t bottom, const std::vector<Span>& spans) {
    if (spans.empty() || top >= bottom) return;
    const auto same = [&](const RECT& o, std::size_t i) { return o.left == spans[i].l && o.right == spans[i].r; };
    if (extend_last_band(out, top, bottom, spans.size(), same)) return;
    for (const Span& sp : spans) out.push_back(RECT{sp.l, top, sp.r, bottom});
}

// Appends one band of a normal region (rectangles r[0..n), same top and
// bottom) to `out`, coalescing with out's last band as append_band does.
void append_band_rects(Rects& out, const RECT* r, std::size_t n) {
    const auto same = [&](const RECT& o, std::size_t i) { return o.left == r[i].left && o.right == r[i].right; };
    if (extend_last_band(out, r[0].top, r[0].bottom, n, same)) return;
    out.insert(out.end(), r, r + n);
}

// After out's last band has changed: coalesces it with the band above when
// they touch and have the same spans.
void recoalesce_last(Rects& out) {
    if (out.empty()) return;
    const std::size_t last_start = [&] {
        std::size_t i = out.size() - 1;
        while (i > 0 && out[i - 1].top == out.back().top) --i;
        return i;
    }();
    if (last_start == 0) return;
    const std::size_t n = out.size() - last_start;
    if (last_start < n) return;
    const std::size_t prev_start = last_start - n;
    const std::int32_t prev_top = out[last_start - 1].top;
    if (out[last_start - 1].bottom != out.back().top || out[prev_start].top != prev_top ||
        (prev_start > 0 && out[prev_start - 1].top == prev_top))
        return;
    for (std::size_t i = 0; i < n; ++i)
        if (out[prev_start + i].left != out[last_start + i].left ||
            out[prev_start + i].right != out[last_start + i].right)
            return;
    const std::int32_t bottom = out.back().bottom;
    for (std::size_t i = prev_start; i < last_start; ++i) out[i].bottom = bottom;
    out.resize(last_start);
}

// The largest buffer a growing region has given up, kept empty for the next
// region that grows to a similar size: a picture turned into a region batch
// by batch, again and again, then finds its rectangle memory already there
// instead of faulting in fresh pages for every step of the growth.  At most
// kSpareMaxBytes are kept.
constexpr std::size_t kSpareMaxBytes = std::size_t{64} << 20;

Rects& spare_rects() {
    static Rects spare;
    return spare;
}

// Makes room in `v` for `need` rectangles.  Growth doubles the capacity, as
// the vector would, but takes the spare buffer when it fits and is not more
// than eight times too big.  A large new buffer is marked for transparent
// huge pages before anything is copied into it, so it faults in a few large
// pages rather than thousands of small ones.
void reserve_rects(Rects& v, std::size_t need) {
    if (need <= v.capacity()) return;
    Rects& spare = spare_rects();
    Rects bigger;
    if (spare.capacity() >= need && spare.capacity() / 8 <= need) {
        bigger.swap(spare);
    } else {
        bigger.reserve(std::max(need, 2 * v.capacity()));
#ifdef MADV_HUGEPAGE
        constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
        const std::size_t bytes = bigger.capacity() * sizeof(RECT);
        if (bytes >= 2 * kHugePage) {
            const auto at = reinterpret_cast<std::uintptr_t>(bigger.data());
            const std::uintptr_t from = (at + kHugePage - 1) & ~(kHugePage - 1),
                                 to = (at + bytes) & ~(kHugePage - 1);
            if (to > from) (void)madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
        }
#endif
    }
    bigger.assign(v.begin(), v.end());
    v.swap(bigger);
    // `bigger` now holds the old buffer.
    if (bigger.capacity() > spare.capacity() && bigger.capacity() <= kSpareMaxBytes / sizeof(RECT)) {
        bigger.clear();
        spare.swap(bigger);
    }
}

// a := a OR b when b comes after a in scan order: b starts below a, or b's
// first band is a's last row continued to the right.  False (a untouched)
// otherwise.  Costs what b holds, not what a holds.
bool append_after(Rects& a, const Rects& b) {
    const RECT last = a.back();  // a copy: a's buffer may move below
    const bool continues_row =
        b.front().top == last.top && b.front().bottom == last.bottom && b.front().left >= last.right;
    if (!continues_row && b.front().top < last.bottom) return false;
    reserve_rects(a, a.size() + b.size());  // a grows by at most what b holds
    std::size_t i = 0;
    if (continues_row) {
        const std::size_t e = band_end(b, 0);
        if (b.front().left == last.right) {
            a.back().right = b.front().right;
            a.insert(a.end(), b.begin() + 1, b.begin() + static_cast<std::ptrdiff_t>(e));
        } else {
            a.insert(a.end(), b.begin(), b.begin() + static_cast<std::ptrdiff_t>(e));
        }
        recoalesce_last(a);
        i = e;
    }
    while (i < b.size()) {
        const std::size_t e = band_end(b, i);
        append_band_rects(a, &b[i], e - i);
        i = e;
    }
    return true;
}

bool eval(std::int32_t mode, bool a, bool b) {
    switch (mode) {
    case RGN_AND: return a && b;
    case RGN_OR: return a || b;
    case RGN_XOR: return a != b;
    case RGN_DIFF: return a && !b;
    default: return a;
    }
}

// One-dimensional combination of two span lists (taken from the left and
// right of rectangles a[0..na) and b[0..nb)).
void op_spans(const RECT* a, std::size_t na, const RECT* b, std::size_t nb, std::int32_t mode,
              std::vector<Span>& out) {
    out.clear();
    std::size_t i = 0, j = 0;
    bool in_a = false, in_b = false, in_out = false;
    std::int32_t start = 0;
    for (;;) {
        const std::int64_t xa = i < na ? (in_a ? a[i].right : a[i].left) : kInf;
        const std::int64_t xb = j < nb ? (in_b ? b[j].right : b[j].left) : kInf;
        const std::int64_t x = std::min(xa, xb);
        if (x == kInf) break;
        if (xa == x) {
            if (in_a) ++i;
            in_a = !in_a;
        }
        if (xb == x) {
            if (in_b) ++j;
            in_b = !in_b;
        }
        const bool now = eval(mode, in_a, in_b);
        if (now != in_out) {
            if (now)
                start = static_cast<std::int32_t>(x);
            else
                out.push_back(Span{start, static_cast<std::int32_t>(x)});
            in_out = now;
        }
    }
}

// Sweeps the bands of A and B top to bottom, appending A `mode` B to out.
void sweep(const Rects& A, const Rects& B, std::int32_t mode, Rects& out) {
    std::size_t ia = 0, ib = 0;
    std::size_t ea = band_end(A, 0), eb = band_end(B, 0);
    std::vector<Span> spans;
    std::int64_t y = std::numeric_limits<std::int64_t>::min();
    while (ia < A.size() || ib < B.size()) {
        const std::int64_t at = ia < A.size() ? A[ia].top : kInf;
        const std::int64_t ab = ia < A.size() ? A[ia].bottom : kInf;
        const std::int64_t bt = ib < B.size() ? B[ib].top : kInf;
        const std::int64_t bb = ib < B.size() ? B[ib].bottom : kInf;
        y = std::max(y, std::min(at, bt));
        const bool in_a = at <= y;
        const bool in_b = bt <= y;
        const std::int64_t y1 = std::min(in_a ? ab : at, in_b ? bb : bt);
        op_spans(in_a ? &A[ia] : nullptr, in_a ? ea - ia : 0, in_b ? &B[ib] : nullptr,
                 in_b ? eb - ib : 0, mode, spans);
        append_band(out, static_cast<std::int32_t>(y), static_cast<std::int32_t>(y1), spans);
        y = y1;
        if (in_a && ab <= y) {
            ia = ea;
            ea = band_end(A, ia);
        }
        if (in_b && bb <= y) {
            ib = eb;
            eb = band_end(B, ib);
        }
    }
}

bool valid(const RECT& r) { return r.left < r.right && r.top < r.bottom; }

// Whether the valid rectangles of r[0..n) come in band order (bands in
// order, not overlapping; within a band, left to right, possibly touching).
bool in_band_order(const RECT* r, std::size_t n) {
    const RECT* prev = nullptr;
    for (std::size_t i = 0; i < n; ++i) {
        if (!valid(r[i])) continue;
        if (prev != nullptr) {
            if (r[i].top == prev->top) {
                if (r[i].bottom != prev->bottom || r[i].left < prev->right) return false;
            } else if (r[i].top < prev->bottom) {
                return false;
            }
        }
        prev = &r[i];
    }
    return true;
}

Rects from_band_order(const RECT* r, std::size_t n) {
    Rects out;
    out.reserve(n);  // never more rectangles than were given
    std::vector<Span> spans;
    std::size_t i = 0;
    while (i < n) {
        if (!valid(r[i])) {
            ++i;
            continue;
        }
        const std::int32_t top = r[i].top, bottom = r[i].bottom;
        spans.clear();
        for (; i < n && (!valid(r[i]) || r[i].top == top); ++i) {
            if (!valid(r[i])) continue;
            if (!spans.empty() && spans.back().r == r[i].left)
                spans.back().r = r[i].right;
            else
                spans.push_back(Span{r[i].left, r[i].right});
        }
        append_band(out, top, bottom, spans);
    }
    // Rows that coalesced into few bands give the spare room back.
    if (out.capacity() / 4 > out.size()) out.shrink_to_fit();
    return out;
}

// Union of sorted valid rectangles r[lo, hi) by halves.
Rects union_of(const std::vector<RECT>& r, std::size_t lo, std::size_t hi) {
    if (hi - lo == 1) return Rects{r[lo]};
    const std::size_t mid = lo + (hi - lo) / 2;
    Rects a = union_of(r, lo, mid);
    combine_into(a, union_of(r, mid, hi), RGN_OR);
    return a;
}

}  // namespace

bool is_normal(const Rects& r) {
    std::size_t i = 0;
    std::size_t prev_start = 0, prev_end = 0;  // previous band
    bool have_prev = false;
    while (i < r.size()) {
        const std::size_t e = band_end(r, i);
        for (std::size_t k = i; k < e; ++k) {
            if (!valid(r[k]) || r[k].bottom != r[i].bottom) return false;
            if (k > i && r[k].left <= r[k - 1].right) return false;
        }
        if (have_prev) {
            if (r[i].top < r[prev_start].bottom) return false;
            if (r[i].top == r[prev_start].bottom && e - i == prev_end - prev_start) {
                bool same = true;
                for (std::size_t k = 0; k < e - i && same; ++k)
                    same = r[i + k].left == r[prev_start + k].left &&
                           r[i + k].right == r[prev_start + k].right;
                if (same) return false;
            }
        }
        prev_start = i;
        prev_end = e;
        have_prev = true;
        i = e;
    }
    return true;
}

Rects from_rects(const RECT* r, std::size_t n) {
    if (n == 0) return {};
    if (in_band_order(r, n)) return from_band_order(r, n);
    std::vector<RECT> v;
    v.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        if (valid(r[i])) v.push_back(r[i]);
    if (v.empty()) return {};
    std::sort(v.begin(), v.end(), [](const RECT& x, const RECT& y) {
        return x.top != y.top ? x.top < y.top : x.left < y.left;
    });
    return union_of(v, 0, v.size());
}

void combine_into(Rects& a, const Rects& b, std::int32_t mode) {
    if (mode == RGN_COPY) return;
    if (b.empty()) {
        if (mode == RGN_AND) a.clear();
        return;
    }
    if (a.empty()) {
        if (mode == RGN_OR || mode == RGN_XOR) a = b;
        return;
    }
    if (mode == RGN_OR && append_after(a, b)) return;
    // Bands of a that end at or above b's first row are not touched by b.
    const std::int32_t b_top = b.front().top;
    const auto first = std::partition_point(a.begin(), a.end(),
                                            [b_top](const RECT& r) { return r.bottom <= b_top; });
    const std::size_t k = static_cast<std::size_t>(first - a.begin());
    Rects tail(a.begin() + static_cast<std::ptrdiff_t>(k), a.end());
    if (mode == RGN_AND)
        a.clear();
    else
        a.resize(k);
    sweep(tail, b, mode, a);
}

RECT bounds(const Rects& r) {
    if (r.empty()) return RECT{0, 0, 0, 0};
    RECT b{r.front().left, r.front().top, r.front().right, r.back().bottom};
    for (const RECT& x : r) {
        b.left = std::min(b.left, x.left);
        b.right = std::max(b.right, x.right);
    }
    return b;
}

bool contains(const Rects& r, std::int32_t x, std::int32_t y) {
    // First rectangle whose band ends below y; bottoms never decrease.
    auto it = std::partition_point(r.begin(), r.end(), [y](const RECT& q) { return q.bottom <= y; });
    if (it == r.end() || it->top > y) return false;
    const std::int32_t top = it->top;
    auto end = it;
    while (end != r.end() && end->top == top) ++end;
    auto s = std::partition_point(it, end, [x](const RECT& q) { return q.right <= x; });
    return s != end && s->left <= x;
}

std::int32_t complexity(const Rects& r) {
    return r.empty() ? NULLREGION : r.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace rgn

// ------------------------------------------------------------------ objects

HRGN region_add(rgn::Rects rects) {
    std::unique_ptr<Region> r(new (std::nothrow) Region);
    if (!r) return 0;
    r->rects = std::move(rects);
    return gdi_add(std::move(r));
}

Region* region_find(HRGN h) { return gdi_get<Region>(h, GdiKind::Region); }

HRGN ExtCreateRegion(const void* xform, DWORD bytes, const RGNDATA* data) {
    // Transforms are not supported; the library never passes one.
    if (xform != nullptr || data == nullptr) return 0;
    if (seams::take_failure("ExtCreateRegion")) return 0;
    constexpr DWORD kHeader = sizeof(RGNDATAHEADER);
    if (bytes < kHeader) return 0;
    RGNDATAHEADER h;
    std::memcpy(&h, &data->rdh, sizeof h);
    if (h.dwSize != kHeader || h.iType != RDH_RECTANGLES) return 0;
    // The count must fit in the bytes given.
    if (h.nCount > (bytes - kHeader) / sizeof(RECT)) return 0;
    // Rectangles that are suitably aligned are read where they are; others
    // are copied first.
    if (reinterpret_cast<std::uintptr_t>(data->Buffer) % alignof(RECT) == 0)
        return region_add(rgn::from_rects(reinterpret_cast<const RECT*>(data->Buffer), h.nCount));
    std::vector<RECT> rects(h.nCount);
    if (h.nCount > 0) std::memcpy(rects.data(), data->Buffer, h.nCount * sizeof(RECT));
    return region_add(rgn::from_rects(rects.data(), rects.size()));
}

HRGN CreateRectRgn(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    rgn::Rects v;
    if (l < r && t < b) v.push_back(RECT{l, t, r, b});
    return region_add(std::move(v));
}

std::int32_t CombineRgn(HRGN dst, HRGN a, HRGN b, std::int32_t mode) {
    Region* d = region_find(dst);
    const Region* ra = region_find(a);
    if (d == nullptr || ra == nullptr || mode < RGN_AND || mode > RGN_COPY) return ERROR_;
    if (d->owner != 0) return ERROR_;  // a window's shape belongs to the window system
    if (mode == RGN_COPY) {
        if (d != ra) d->rects = ra->rects;
        return rgn::complexity(d->rects);
    }
    const Region* rb = region_find(b);
    if (rb == nullptr) return ERROR_;
    if (seams::take_failure("CombineRgn")) return ERROR_;
    if (d == ra && d != rb) {
        rgn::combine_into(d->rects, rb->rects, mode);
    } else {
        rgn::Rects tmp = ra->rects;
        rgn::combine_into(tmp, rb->rects, mode);
        d->rects = std::move(tmp);
    }
    return rgn::complexity(d->rects);
}

BOOL PtInRegion(HRGN h, std::int32_t x, std::int32_t y) {
    const Region* r = region_find(h);
    return (r != nullptr && rgn::contains(r->rects, x, y)) ? 1 : 0;
}

DWORD GetRegionData(HRGN h, DWORD bytes, RGNDATA* out) {
    const Region* r = region_find(h);
    if (r == nullptr) return 0;
    const std::size_t need = sizeof(RGNDATAHEADER) + r->rects.size() * sizeof(RECT);
    if (need > std::numeric_limits<DWORD>::max()) return 0;
    if (out == nullptr) return static_cast<DWORD>(need);
    if (bytes < need) return 0;
    RGNDATAHEADER hd{};
    hd.dwSize = sizeof(RGNDATAHEADER);
    hd.iType = RDH_RECTANGLES;
    hd.nCount = static_cast<DWORD>(r->rects.size());
    hd.nRgnSize = static_cast<DWORD>(r->rects.size() * sizeof(RECT));
    hd.rcBound = rgn::bounds(r->rects);
    std::memcpy(&out->rdh, &hd, sizeof hd);
    if (!r->rects.empty()) std::memcpy(out->Buffer, r->rects.data(), r->rects.size() * sizeof(RECT));
    return static_cast<DWORD>(need);
}

// ------------------------------------------------------------------ window shapes

namespace {

std::unordered_map<HWND, HRGN>& shapes() {
    static std::unordered_map<HWND, HRGN> m;
    return m;
}

// Releases the region the window system keeps for w.
void drop_shape(HWND w) {
    auto it = shapes().find(w);
    if (it == shapes().end()) return;
    if (Region* r = region_find(it->second)) {
        r->owner = 0;
        r->selected = 0;
        gdi_delete(it->second);
    }
    shapes().erase(it);
}

}  // namespace

HRGN window_region(HWND w) {
    auto it = shapes().find(w);
    return it == shapes().end() ? 0 : it->second;
}

std::int32_t SetWindowRgn(HWND w, HRGN h, BOOL redraw) {
    if (IsWindow(w) == 0) return 0;
    Region* r = nullptr;
    if (h != 0) {
        r = region_find(h);
        if (r == nullptr) return 0;
        if (r->owner != 0 && r->owner != w) return 0;  // another window's shape
        if (r->owner == w) return 1;                   // already this window's shape
    }
    add_window_destroy_hook(&drop_shape);
    drop_shape(w);
    if (r == nullptr) {
        backend().set_shape(w, nullptr, -1);
    } else {
        // From now on the region belongs to the window system: it cannot be
        // deleted or changed by the program, and goes with the window.
        r->owner = w;
        r->selected = 1;
        shapes()[w] = h;
        backend().set_shape(w, r->rects.data(), static_cast<std::int32_t>(r->rects.size()));
    }
    if (redraw != 0) InvalidateRect(w, nullptr, 1);
    return 1;
}

}  // namespace plat
