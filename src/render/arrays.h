#pragma once
// Releasing the arrays a drawable allocates in its ...Init.

// delete[] on each array, then null, so that a second release does nothing.
template <typename... T> void arraysFree(T*&... arrays) {
    ((delete[] arrays, arrays = nullptr), ...);
}
