#include "runtime/runtime.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rt {

const char* run_error_text(RunError kind) {
    switch (kind) {
    case RunError::ReadError: return "read error";
    case RunError::RangeCheck: return "range check";
    case RunError::Overflow: return "arithmetic overflow";
    }
    return "unknown error";
}

void stop(RunError kind) {
    const int code = static_cast<int>(kind);
    std::fflush(stdout);
    std::fprintf(stderr, "Runtime error %d: %s\n", code, run_error_text(kind));
    std::fflush(stderr);
    std::exit(code);
}

// ---------------------------------------------------------------- files
bool file_exists(const char* path) {
    if (path == nullptr || *path == '\0') return false;
    struct stat st {};
    if (::stat(path, &st) != 0) return false;
    return !S_ISDIR(st.st_mode);
}

File::~File() { close(); }

File::File(File&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }

File& File::operator=(File&& o) noexcept {
    if (this != &o) {
        close();
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

bool File::open_read(const char* path) {
    close();
    if (path == nullptr) return false;
    do {
        fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
        close();
        return false;
    }
    return true;
}

long long File::read(void* buf, std::size_t count) {
    if (fd_ < 0) return -1;
    auto* p = static_cast<unsigned char*>(buf);
    std::size_t got = 0;
    while (got < count) {
        const std::size_t want = count - got > (1u << 30) ? (1u << 30) : count - got;
        const ssize_t n = ::read(fd_, p + got, want);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long long>(got);
}

std::size_t File::read_or_stop(void* buf, std::size_t count) {
    const long long n = read(buf, count);
    if (n < 0) stop(RunError::ReadError);
    return static_cast<std::size_t>(n);
}

long long File::size() const {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return static_cast<long long>(st.st_size);
}

long long File::tell() const {
    if (fd_ < 0) return -1;
    return static_cast<long long>(::lseek(fd_, 0, SEEK_CUR));
}

void File::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

// ---------------------------------------------------------------- random
namespace {
// xoshiro256** seeded through splitmix64.
struct Xoshiro {
    std::uint64_t s[4] = {0x9E3779B97F4A7C15ull, 0xBF58476D1CE4E5B9ull, 0x94D049BB133111EBull, 1};
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    void seed(std::uint64_t v) {
        for (auto& w : s) {
            v += 0x9E3779B97F4A7C15ull;
            std::uint64_t z = v;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            w = z ^ (z >> 31);
        }
    }
    std::uint64_t next() {
        const std::uint64_t result = rotl(s[1] * 5, 7) * 9;
        const std::uint64_t t = s[1] << 17;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = rotl(s[3], 45);
        return result;
    }
};
Xoshiro g_rng;
}  // namespace

void randomize() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    timespec mono{};
    clock_gettime(CLOCK_MONOTONIC, &mono);
    const std::uint64_t v = static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ull +
                            static_cast<std::uint64_t>(ts.tv_nsec) +
                            (static_cast<std::uint64_t>(mono.tv_nsec) << 32) +
                            static_cast<std::uint64_t>(::getpid());
    g_rng.seed(v);
}

void seed_random(std::uint64_t seed) { g_rng.seed(seed); }

std::int32_t random(std::int32_t n) {
    if (n <= 0) return 0;
    const std::uint64_t range = static_cast<std::uint64_t>(n);
    // Rejection sampling: uniform without modulo bias.
    const std::uint64_t limit = UINT64_MAX - (UINT64_MAX % range);
    std::uint64_t v;
    do {
        v = g_rng.next();
    } while (v >= limit);
    return static_cast<std::int32_t>(v % range);
}

}  // namespace rt
