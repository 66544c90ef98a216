#pragma once

#include <vector>

// Unicode simple case folding: the one character a character matches when case is
// ignored (É and é both fold to é, Σ, σ and ς to σ). Characters without a folding, and
// anything that is not a character, fold to themselves.
char32_t SimpleCaseFold(char32_t c);

// Every character whose folding is folded (itself included when it folds to itself).
std::vector<char32_t> CaseVariants(char32_t folded);
