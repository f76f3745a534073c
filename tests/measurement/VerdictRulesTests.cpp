#include "Verdicts.h"

#include <gtest/gtest.h>

// The pure rules of the verdict stage.

TEST (VerdictRules, TranslationBands)
{
    struct Case { float value; int band; };
    for (const auto& c : { Case { 100, 4 }, Case { 88, 4 }, Case { 87.9f, 3 }, Case { 70, 3 }, Case { 58, 2 }, Case { 57.9f, 1 }, Case { 40, 1 }, Case { 39.9f, 0 }, Case { 0, 0 } })
        EXPECT_EQ (Verdicts::bandOf (c.value), c.band) << c.value;
}

TEST (VerdictRules, PushLevelThresholdsPerDestination)
{
    // (MED, HIGH): Off (34, 70), Streaming (28, 60), Club / DJ (46, 78); +7 to climb, -7 to fall.
    struct Case { int destination, previous; float score; int level; };
    const Case cases[] = {
        { 1, 0, 34.9f, 0 }, { 1, 0, 35, 1 }, { 1, 0, 67, 2 }, { 1, 1, 21, 1 }, { 1, 1, 20.9f, 0 }, { 1, 2, 53, 2 }, { 1, 2, 52.9f, 1 },
        { 0, 0, 41, 1 }, { 0, 0, 77, 2 }, { 0, 2, 63, 2 }, { 0, 1, 26.9f, 0 },
        { 2, 0, 52.9f, 0 }, { 2, 0, 53, 1 }, { 2, 0, 85, 2 }, { 2, 1, 39, 1 }, { 2, 1, 38.9f, 0 }, { 2, 2, 71, 2 }, { 2, 2, 70.9f, 1 },
    };
    for (const auto& c : cases)
        EXPECT_EQ (Verdicts::nextPushLevel (c.previous, c.score, c.destination), c.level)
            << "destination " << c.destination << ", from " << c.previous << " at " << c.score;
}

TEST (VerdictRules, AWeaklyFoundedHighIsReportedAsMed)
{
    EXPECT_EQ (Verdicts::demoteWeakHigh (2, 1, 23.9f), 1);   // only the limiting cause, no hot peaks
    EXPECT_EQ (Verdicts::demoteWeakHigh (2, 0, 0.0f), 1);
    EXPECT_EQ (Verdicts::demoteWeakHigh (2, 2, 10.0f), 2);   // two causes hold it
    EXPECT_EQ (Verdicts::demoteWeakHigh (2, 1, 24.0f), 2);   // hot peaks hold it
    EXPECT_EQ (Verdicts::demoteWeakHigh (1, 0, 0.0f), 1);
}

TEST (VerdictRules, ReasonsInOrderOfPriority)
{
    using Terms = Verdicts::PushTerms;
    struct Case { int level; Terms terms; int reason; };
    const Case cases[] = {
        { 0, { 30, 30, 30, 30, 30, 100, 100 }, 0 },   // LOW has no reason
        { 1, { 0, 24, 22, 0, 0, 90, 90 }, 6 },        // hot peaks first
        { 2, { 0, 10, 22, 0, 0, 82, 0 }, 7 },         // over-limited, only at HIGH
        { 1, { 0, 10, 22, 0, 0, 82, 0 }, 4 },         // the same at MED: low-end strain
        { 1, { 0, 0, 13.9f, 12, 0, 0, 0 }, 5 },       // width strain
        { 1, { 26, 0, 0, 11.9f, 0, 0, 0 }, 3 },       // losing impact (crest)
        { 1, { 0, 0, 0, 0, 14, 0, 0 }, 3 },           // losing impact (translation)
        { 1, { 25.9f, 23.9f, 13.9f, 11.9f, 13.9f, 81.9f, 87.9f }, 2 },   // pushing hard
    };
    for (const auto& c : cases)
        EXPECT_EQ (Verdicts::pushReasonFor (c.level, c.terms), c.reason) << "expected " << c.reason;
}
