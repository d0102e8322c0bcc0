#pragma once

// Growth of the engine's arrays: a full array grows to twice its count plus
// one, and running out of memory is an answer, not an exception.

#include <cstddef>
#include <memory>
#include <limits>
#include <new>
#include <stdexcept>
#include <utility>
#include <vector>

namespace scrivane::engine {

// Indices are 32-bit; no array of the engine holds more elements.
inline constexpr std::size_t kMaxElements = std::size_t(1) << 28;

// An allocator whose default-constructed elements are left as the memory
// holds them: for arrays sized once and then written element by element,
// where zeroing first would touch every page twice.
template <typename T>
struct UninitialisedAllocator : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = UninitialisedAllocator<U>;
    };
    UninitialisedAllocator() = default;
    template <typename U>
    UninitialisedAllocator(const UninitialisedAllocator<U> &) noexcept
    {
    }
    template <typename U>
    void construct(U *p) noexcept
    {
        ::new (static_cast<void *>(p)) U;
    }
    template <typename U, typename... Args>
    void construct(U *p, Args &&...args)
    {
        ::new (static_cast<void *>(p)) U(std::forward<Args>(args)...);
    }
};

template <typename T, typename A>
bool reserveFor(std::vector<T, A> &v, std::size_t n) noexcept
{
    if (n > kMaxElements)
        return false;
    if (n <= v.capacity())
        return true;
    try {
        v.reserve(n);
    } catch (const std::bad_alloc &) {
        return false;
    } catch (const std::length_error &) {
        return false;
    }
    return true;
}

template <typename T, typename A>
bool growAppend(std::vector<T, A> &v, const T &value) noexcept
{
    if (v.size() == v.capacity() && !reserveFor(v, 2 * v.size() + 1))
        return false;
    v.push_back(value); // cannot throw: the room is there
    return true;
}

template <typename T, typename A>
bool resizeTo(std::vector<T, A> &v, std::size_t n) noexcept
{
    if (!reserveFor(v, n))
        return false;
    v.resize(n);
    return true;
}

} // namespace scrivane::engine
