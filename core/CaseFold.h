#pragma once

// Unicode simple case folding: the one character a character matches when case is
// ignored (É and é both fold to é, Σ, σ and ς to σ). Characters without a folding, and
// anything that is not a character, fold to themselves.
char32_t SimpleCaseFold(char32_t c);
