// Run-time support for Kalvox: the run-time error stops, checked fixed-bound
// arrays, checked integer arithmetic, the file helpers and the clock-seeded
// random source.  Depends on libc only.
//
// A run-time error is a programming error (an index outside an array's bounds,
// an integer overflow, an I/O error the operating system reports): it prints
// one line naming its kind on standard error and ends the process with the
// kind's own exit code.  Bad *files* are never run-time errors; the loaders
// report them their own way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace rt {

// ---------------------------------------------------------------- stops
enum class RunError : int {
    ReadError = 100,   // "Runtime error 100: read error"
    RangeCheck = 201,  // "Runtime error 201: range check"
    Overflow = 215,    // "Runtime error 215: arithmetic overflow"
};

// The text that names the kind, as printed.
const char* run_error_text(RunError kind);

// Prints "Runtime error <code>: <text>" and ends the process with <code>.
[[noreturn]] void stop(RunError kind);

[[noreturn]] inline void range_error() { stop(RunError::RangeCheck); }
[[noreturn]] inline void overflow_error() { stop(RunError::Overflow); }

// Stops with a range check unless lo <= i <= hi.
template <class I>
constexpr void check_range(I i, long long lo, long long hi) {
    if (static_cast<long long>(i) < lo || static_cast<long long>(i) > hi) range_error();
}

// ---------------------------------------------------------------- arrays
// A fixed-bound array indexed Lo..Hi inclusive, every index checked.  It is an
// aggregate of plain storage: copying one copies its elements, nothing is ever
// allocated, and a zero-initialised Array is all zero.
template <class T, long long Lo, long long Hi>
struct Array {
    static_assert(Hi >= Lo, "empty arrays are not used");
    static constexpr long long low = Lo;
    static constexpr long long high = Hi;
    static constexpr std::size_t count = static_cast<std::size_t>(Hi - Lo + 1);

    T elems[count];

    template <class I>
    constexpr T& operator[](I i) {
        check_range(i, Lo, Hi);
        return elems[static_cast<long long>(i) - Lo];
    }
    template <class I>
    constexpr const T& operator[](I i) const {
        check_range(i, Lo, Hi);
        return elems[static_cast<long long>(i) - Lo];
    }
    constexpr T* data() { return elems; }
    constexpr const T* data() const { return elems; }
    constexpr T* begin() { return elems; }
    constexpr T* end() { return elems + count; }
    constexpr const T* begin() const { return elems; }
    constexpr const T* end() const { return elems + count; }
    static constexpr std::size_t size() { return count; }
};

// ---------------------------------------------------------------- arithmetic
// Integer arithmetic that stops with the overflow error instead of wrapping.
template <class T>
constexpr T add(T a, T b) {
    static_assert(std::is_integral_v<T>);
    T r{};
    if (__builtin_add_overflow(a, b, &r)) overflow_error();
    return r;
}
template <class T>
constexpr T sub(T a, T b) {
    static_assert(std::is_integral_v<T>);
    T r{};
    if (__builtin_sub_overflow(a, b, &r)) overflow_error();
    return r;
}
template <class T>
constexpr T mul(T a, T b) {
    static_assert(std::is_integral_v<T>);
    T r{};
    if (__builtin_mul_overflow(a, b, &r)) overflow_error();
    return r;
}
// The same, reporting overflow instead of stopping: false when the result does
// not fit in T (r is then unspecified).
template <class T>
constexpr bool try_mul(T a, T b, T& r) { return !__builtin_mul_overflow(a, b, &r); }
template <class T>
constexpr bool try_add(T a, T b, T& r) { return !__builtin_add_overflow(a, b, &r); }

// ---------------------------------------------------------------- files
// True when `path` names an existing file that is not a directory.
bool file_exists(const char* path);

// A file open for reading.  Closed by close() or by the destructor.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& o) noexcept;
    File& operator=(File&& o) noexcept;

    // Opens `path` read-only (shared reading).  False when the system refuses.
    bool open_read(const char* path);
    bool is_open() const { return fd_ >= 0; }

    // Reads up to `count` bytes, retrying short reads until `count` bytes have
    // arrived or the end of the file is reached.  Returns how many arrived, or
    // -1 when the operating system reports an error.
    long long read(void* buf, std::size_t count);

    // As read(), but an operating-system error stops the program with the
    // read error; the result is how many bytes arrived.
    std::size_t read_or_stop(void* buf, std::size_t count);

    // Size of the open file in bytes, -1 if unknown.
    long long size() const;
    // Current read position.
    long long tell() const;

    void close();
    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

// ---------------------------------------------------------------- random
// Seeds the process-wide random source from the clock (a different sequence
// on every run).
void randomize();
// Seeds it with a fixed value (tests).
void seed_random(std::uint64_t seed);
// A uniformly distributed integer 0..n-1; 0 when n <= 0.
std::int32_t random(std::int32_t n);

}  // namespace rt
