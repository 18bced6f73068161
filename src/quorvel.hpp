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

}  // namespace quorvel
