#pragma once

// Growth of the engine's arrays: a full array grows to twice its count plus
// one, and running out of memory is an answer, not an exception.

#include <cstddef>
#include <limits>
#include <new>
#include <stdexcept>
#include <vector>

namespace scrivane::engine {

// Indices are 32-bit; no array of the engine holds more elements.
inline constexpr std::size_t kMaxElements = std::size_t(1) << 28;

template <typename T>
bool reserveFor(std::vector<T> &v, std::size_t n) noexcept
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

template <typename T>
bool growAppend(std::vector<T> &v, const T &value) noexcept
{
    if (v.size() == v.capacity() && !reserveFor(v, 2 * v.size() + 1))
        return false;
    v.push_back(value); // cannot throw: the room is there
    return true;
}

template <typename T>
bool resizeTo(std::vector<T> &v, std::size_t n) noexcept
{
    if (!reserveFor(v, n))
        return false;
    v.resize(n);
    return true;
}

} // namespace scrivane::engine
