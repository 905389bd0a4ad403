// A byte flag or counter that one thread writes while another reads it without a lock
// (the stop request, the live progress counter). It keeps the size and place of a plain byte.
#pragma once

#include <atomic>
#include <cstdint>

using AtomicByte = std::atomic<std::uint8_t>;
static_assert(sizeof(AtomicByte) == 1 && alignof(AtomicByte) == 1, "an atomic byte lays out as a byte");
static_assert(AtomicByte::is_always_lock_free);
