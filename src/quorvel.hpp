// The library's entry for front ends: a run over the products this program
// knows, and those products' declarations (names, options) to offer them.
#pragma once

#include "run/observer.hpp"
#include "run/product.hpp"
#include "run/run.hpp"
#include "run/settings.hpp"

namespace quorvel {

// The products this program translates, in recognition order.
const ProductRegistry& Products();

// Translates `request.files` with `settings`, reporting through `observer`.
RunResult Translate(const RunRequest& request, const TranslationSettings& settings, RunObserver& observer);

// For a program that translates tiles: the C library keeps memory freed
// after one tile (its text and record index, many megabytes) for the next
// instead of returning it to the system, so the next tile does not fault
// the same pages in again and zero them. Call once, before any thread
// starts; it changes allocation for the whole process.
void KeepFreedTileMemory();

}  // namespace quorvel
