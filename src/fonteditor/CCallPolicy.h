#pragma once

#include <atomic>

// How long a call to the font editor may go unanswered, and whether the
// client looks for the answer for a moment before its wait sleeps. Shared by
// every connection of one automation system, the preview's worker thread
// included, so its members are atomic.
struct CCallPolicy {
    // Most calls are answered within milliseconds; a few seconds without an
    // answer means the editor is stopped or hung.
    static constexpr int kDefaultNormalMs = 6'000;
    // Opening and writing a whole font; raised for a large font before the
    // call (see CFontEditorSession::LongCallBoundMs).
    static constexpr int kDefaultLongMs = 30'000;

    std::atomic<int> normalMs { kDefaultNormalMs };
    std::atomic<int> longMs { kDefaultLongMs };
    // During a batch run the next answer comes within microseconds, sooner
    // than a sleeping process wakes on another processor; in the window the
    // next call rarely comes that soon, and spinning would only burn CPU.
    std::atomic<bool> spin { false };
};
