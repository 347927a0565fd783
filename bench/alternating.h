// Samples of two things measured against each other, taken in turns: each
// goes first every other time, so neither always runs on what the other
// left warm (caches, clock speed).
#pragma once

template <typename A, typename B>
void sampleInTurn(int i, A sampleA, B sampleB)
{
    if (i % 2) {
        sampleB();
        sampleA();
    } else {
        sampleA();
        sampleB();
    }
}
