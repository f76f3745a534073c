#include "AllocationCounter.h"
#include "ReadingChecks.h"
#include "TestSignals.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>

using namespace testing_signals;

namespace
{
std::vector<float> noise (size_t n, unsigned seed, float level)
{
    std::mt19937 rng (seed);
    std::uniform_real_distribution<float> dist (-level, level);
    std::vector<float> v (n);
    for (auto& x : v)
        x = dist (rng);
    return v;
}

bool readingsEqual (const TarnReadings& a, const TarnReadings& b)
{
    bool same = true;
#define TARN_COMPARE(type, name, resetValue) same = same && std::memcmp (&a.name, &b.name, sizeof (type)) == 0;
    TARN_PUBLISHED_READINGS (TARN_COMPARE)
#undef TARN_COMPARE
    return same;
}

} // namespace

TEST (Processor, IdentityAndTrivialAnswers)
{
    TarnAudioProcessor p;
    EXPECT_EQ (p.getName(), "Tarn");
    EXPECT_FALSE (p.acceptsMidi());
    EXPECT_FALSE (p.producesMidi());
    EXPECT_FALSE (p.isMidiEffect());
    EXPECT_TRUE (p.hasEditor());
    EXPECT_EQ (p.getTailLengthSeconds(), 0.0);
    EXPECT_EQ (p.getNumPrograms(), 1);
    EXPECT_EQ (p.getCurrentProgram(), 0);
    EXPECT_EQ (p.getProgramName (0), "Default");
    EXPECT_EQ (p.destinationMode.load(), 1);
    EXPECT_EQ (p.kReference.load(), 6);
    EXPECT_EQ (p.getTotalNumInputChannels(), 2);
    EXPECT_EQ (p.getTotalNumOutputChannels(), 2);
}

TEST (Processor, OnlyStereoInAndOutIsAccepted)
{
    TarnAudioProcessor p;
    using Set = juce::AudioChannelSet;
    struct Case { Set in, out; bool accepted; };
    const Case cases[] = {
        { Set::stereo(), Set::stereo(), true },
        { Set::mono(), Set::mono(), false },
        { Set::stereo(), Set::mono(), false },
        { Set::mono(), Set::stereo(), false },
        { Set::disabled(), Set::stereo(), false },
        { Set::create5point1(), Set::create5point1(), false },
    };
    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.in);
        layout.outputBuses.add (c.out);
        EXPECT_EQ (p.checkBusesLayoutSupported (layout), c.accepted) << c.in.getDescription() << " -> " << c.out.getDescription();
    }

    juce::AudioProcessor::BusesLayout noInput;
    noInput.outputBuses.add (Set::stereo());
    EXPECT_FALSE (p.checkBusesLayoutSupported (noInput));
}

TEST (Processor, ANonPositiveRateIsTakenAs44100)
{
    TarnAudioProcessor p;
    p.prepareToPlay (0, 512);
    EXPECT_EQ (p.getAnalysisSampleRate(), 44100.0);
    p.prepareToPlay (-5, 512);
    EXPECT_EQ (p.getAnalysisSampleRate(), 44100.0);
}

namespace
{
// A state text in the framework's binary chunk: a magic number, the text's length, the text and
// a terminating zero, as AudioProcessor::copyXmlToBinary writes it (but for any text at all).
juce::MemoryBlock stateChunk (const juce::String& text)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.writeInt (0x21324356);
    out.writeInt ((int) text.getNumBytesAsUTF8());
    out << text;
    out.writeByte (0);
    out.flush();
    return block;
}
} // namespace

TEST (Processor, StateRoundTripsClampsAndIgnoresJunk)
{
    TarnAudioProcessor a, b;
    a.destinationMode = 2;
    a.kReference = 3;
    juce::MemoryBlock state;
    a.getStateInformation (state);
    b.setStateInformation (state.getData(), (int) state.getSize());
    EXPECT_EQ (b.destinationMode.load(), 2);
    EXPECT_EQ (b.kReference.load(), 3);

    const auto restore = [] (TarnAudioProcessor& p, const juce::XmlElement& xml)
    {
        juce::MemoryBlock block;
        juce::AudioProcessor::copyXmlToBinary (xml, block);
        p.setStateInformation (block.getData(), (int) block.getSize());
    };

    juce::XmlElement outOfRange ("TarnState");
    outOfRange.setAttribute ("destinationMode", 9);
    outOfRange.setAttribute ("kReference", -3);
    restore (b, outOfRange);
    EXPECT_EQ (b.destinationMode.load(), 2);
    EXPECT_EQ (b.kReference.load(), 0);

    juce::XmlElement partial ("TarnState");
    partial.setAttribute ("kReference", 7);
    restore (b, partial);   // a missing attribute keeps the current value
    EXPECT_EQ (b.destinationMode.load(), 2);
    EXPECT_EQ (b.kReference.load(), 7);

    juce::XmlElement otherTag ("SomethingElse");
    otherTag.setAttribute ("destinationMode", 0);
    restore (b, otherTag);
    EXPECT_EQ (b.destinationMode.load(), 2);

    const auto junk = noise (300, 7, 1.0f);
    b.setStateInformation (junk.data(), (int) (junk.size() * sizeof (float)));
    b.setStateInformation (nullptr, 0);
    b.setStateInformation (state.getData(), 5);   // truncated

    // A chunk whose text is not valid UTF-8 (once read past the end of its buffer).
    const juce::File broken (juce::String (TARN_SOURCE_DIR) + "/tests/fuzz/regressions/state/xml-invalid-utf8-overrun");
    juce::MemoryBlock brokenChunk;
    ASSERT_TRUE (broken.loadFileAsData (brokenChunk));
    b.setStateInformation (static_cast<const char*> (brokenChunk.getData()) + 1, (int) brokenChunk.getSize() - 1);
    EXPECT_EQ (b.destinationMode.load(), 2);
    EXPECT_EQ (b.kReference.load(), 7);

    // A processing instruction followed by text inside an element once made the XML reader loop
    // for ever; a leading declaration is still read.
    const auto restoreText = [] (TarnAudioProcessor& p, const char* text)
    {
        const auto block = stateChunk (text);
        p.setStateInformation (block.getData(), (int) block.getSize());
    };
    restoreText (b, "<TarnState destinationMode=\"0\" kReference=\"4\"><?xml version=\"1.0\"?>tb>");
    EXPECT_EQ (b.destinationMode.load(), 2);
    EXPECT_EQ (b.kReference.load(), 7);
    // A text that stops inside a character reference once made it read past the end.
    restoreText (b, "<t>nSnan&tan&#r&#x&tS&ta=&#r&#&#r&#x");
    restoreText (b, "<TarnState destinationMode=\"0\" kReference=\"&#52;\"/>");
    EXPECT_EQ (b.destinationMode.load(), 2);
    EXPECT_EQ (b.kReference.load(), 7);
    restoreText (b, "<?xml version=\"1.0\" encoding=\"UTF-8\"?> <TarnState destinationMode=\"1\" kReference=\"5\"/>");
    EXPECT_EQ (b.destinationMode.load(), 1);
    EXPECT_EQ (b.kReference.load(), 5);
}

TEST (Processor, StateFarOutsideTarnsOwnShapeIsRefusedUnreadAndBadNumbersKeepTheSetting)
{
    const juce::String head ("<TarnState destinationMode=\"0\" kReference=\"4\"");
    std::string manyAttributes (head.toStdString());   // built in std::string: appending to a juce::String rescans it
    for (int i = 0; i < 200000; ++i)
        manyAttributes += " a" + std::to_string (i) + "=\"1\"";

    // Texts the framework's recursive reader would overflow its stack on, or take long to read.
    const juce::String damaged[] = {
        head + ">" + juce::String::repeatedString ("<a>", 30000) + juce::String::repeatedString ("</a>", 30000) + "</TarnState>",
        head + ">" + juce::String::repeatedString ("<a>", 60000),
        head + ">" + juce::String::repeatedString ("<a>", 2000) + juce::String::repeatedString ("</a>", 2000) + "</TarnState>",
        juce::String (manyAttributes + "/>"),
    };

    // Hosts load state on threads with small stacks; 2000 levels of nesting were enough there.
    struct SmallStackThread : juce::Thread
    {
        std::function<void()> job;
        SmallStackThread() : juce::Thread ("state", 128 * 1024) {}
        void run() override { job(); }
    } thread;

    thread.job = [&]
    {
        TarnAudioProcessor p;
        p.destinationMode = 2;
        p.kReference = 7;
        for (const auto& text : damaged)
        {
            const auto chunk = stateChunk (text);
            p.setStateInformation (chunk.getData(), (int) chunk.getSize());
            EXPECT_EQ (p.destinationMode.load(), 2);
            EXPECT_EQ (p.kReference.load(), 7);
        }
    };
    thread.startThread();
    ASSERT_TRUE (thread.waitForThreadToExit (60000));

    // A value that is not a whole number keeps the setting; blanks and a sign are fine.
    struct Case { const char* mode; const char* k; int expectedMode, expectedK; };
    const Case cases[] = {
        { "abc", "1.5", 2, 7 },
        { "", "3x", 2, 7 },
        { " 1 ", "+3", 1, 3 },
        { "-0", "99999999999999999999", 0, 7 },
    };
    for (const auto& c : cases)
    {
        TarnAudioProcessor p;
        p.destinationMode = 2;
        p.kReference = 7;
        const auto chunk = stateChunk (juce::String ("<TarnState destinationMode=\"") + c.mode + "\" kReference=\"" + c.k + "\"/>");
        p.setStateInformation (chunk.getData(), (int) chunk.getSize());
        EXPECT_EQ (p.destinationMode.load(), c.expectedMode) << c.mode;
        EXPECT_EQ (p.kReference.load(), c.expectedK) << c.k;
    }

    // What Tarn itself writes still restores.
    TarnAudioProcessor writer, reader;
    writer.destinationMode = 0;
    writer.kReference = 2;
    juce::MemoryBlock own;
    writer.getStateInformation (own);
    EXPECT_LT (own.getSize(), 200u);
    reader.setStateInformation (own.getData(), (int) own.getSize());
    EXPECT_EQ (reader.destinationMode.load(), 0);
    EXPECT_EQ (reader.kReference.load(), 2);
}

TEST (Processor, OutputIsBitIdenticalToInputForAnyBlockSizeAndRate)
{
    std::mt19937 rng (42);
    for (double rate : { 8000.0, 22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 176400.0, 192000.0, 384000.0 })
    {
        TarnAudioProcessor p;
        p.prepareToPlay (rate, 512);
        juce::MidiBuffer midi;

        for (int block : { 0, 1, 2, 3, 17, 511, 512, 513, 4096, 70000 })
        {
            auto left = noise ((size_t) block, rng(), 1.5f);
            auto right = noise ((size_t) block, rng(), 0.2f);
            if (block > 3)
            {
                left[1] = std::numeric_limits<float>::quiet_NaN();
                right[2] = -std::numeric_limits<float>::infinity();
            }
            juce::AudioBuffer<float> buffer (2, block);
            for (int i = 0; i < block; ++i)
            {
                buffer.setSample (0, i, left[(size_t) i]);
                buffer.setSample (1, i, right[(size_t) i]);
            }
            p.processBlock (buffer, midi);
            if (block > 0)
            {
                EXPECT_EQ (std::memcmp (buffer.getReadPointer (0), left.data(), sizeof (float) * (size_t) block), 0) << rate << " Hz, " << block;
                EXPECT_EQ (std::memcmp (buffer.getReadPointer (1), right.data(), sizeof (float) * (size_t) block), 0) << rate << " Hz, " << block;
            }
            EXPECT_TRUE (allReadingsFinite (p.loadReadings())) << rate << " Hz, " << block;
        }
    }
}

TEST (Processor, NonFiniteInputNeverMakesAReadingNonFinite)
{
    Rig rig;
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    rig.play ([&] (int c, juce::int64 i) { return i % 7 == 0 ? (c == 0 ? nan : inf) : (float) std::sin ((double) i * 0.05); }, 12.0);
    EXPECT_TRUE (allReadingsFinite (rig.processor.loadReadings()));
    EXPECT_GT (rig.processor.peakDb.load(), -3.0f);
    rig.play ([&] (int c, juce::int64) { return c == 0 ? nan : -inf; }, 4.0);
    EXPECT_TRUE (allReadingsFinite (rig.processor.loadReadings()));
    EXPECT_EQ (rig.processor.signalState.load(), 0);   // nothing but non-finite samples is silence
    const auto pass = rig.processor.getTrackPassSnapshot();
    EXPECT_TRUE (std::isfinite (pass.truePeakMaxDb) && std::isfinite (pass.rmsAvgDb) && std::isfinite (pass.lufsShortSummary.avg));
}

TEST (Processor, ProcessBlockAllocatesNothingAfterPrepare)
{
    TarnAudioProcessor p;
    p.prepareToPlay (48000, 512);
    juce::MidiBuffer midi;

    std::vector<juce::AudioBuffer<float>> buffers;
    for (int block : { 0, 1, 31, 512, 4096, 100000 })
    {
        juce::AudioBuffer<float> b (2, block);
        const auto v = noise ((size_t) block, (unsigned) block, 0.9f);
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < block; ++i)
                b.setSample (c, i, v[(size_t) i]);
        buffers.push_back (std::move (b));
    }

    {
        ScopedAllocationCount counterWorks;
        void* volatile probe = ::operator new (16);
        ::operator delete (probe);
        ASSERT_EQ (counterWorks.count(), 1u);
    }

    ScopedAllocationCount allocations;
    for (int round = 0; round < 40; ++round)
    {
        for (auto& b : buffers)
            p.processBlock (b, midi);
        if (round == 10)
            p.analysisResetRequested = true;   // a reset reuses the loudness window
        if (round == 20)
            p.trackPassResetRequested = true;
    }
    EXPECT_EQ (allocations.count(), 0u);
    EXPECT_GT (p.samplesProcessed.load(), 0);
}

TEST (Processor, ReadingsAreReproducible)
{
    const auto run = []
    {
        Rig rig (44100, 333);
        rig.play ([] (int c, juce::int64 i) { return (float) (0.4 * std::sin ((double) i * (c == 0 ? 0.031 : 0.047)) + 0.1 * std::sin ((double) i * 0.9)); }, 15.0);
        return std::make_pair (rig.processor.loadReadings(), rig.processor.getTrackPassSnapshot());
    };
    const auto first = run(), second = run();
    EXPECT_TRUE (readingsEqual (first.first, second.first));
    EXPECT_EQ (std::memcmp (&first.second.lufsShortSummary, &second.second.lufsShortSummary, sizeof (TrackPassSnapshot::Summary)), 0);
    EXPECT_EQ (first.second.rmsAvgDb, second.second.rmsAvgDb);
}

TEST (Processor, FullResetRestoresEveryReadingButKeepsCountersAndSettings)
{
    Rig rig;
    auto& p = rig.processor;
    p.destinationMode = 2;
    rig.play (sine (1000, 48000, 0.9), 12.0);
    ASSERT_EQ (p.trackPassState.load(), 1);
    const auto samples = p.samplesProcessed.load();
    const auto truePeakMax = p.truePeakMaxSinceRead.load();
    ASSERT_GT (truePeakMax, -5.0f);

    p.analysisResetRequested = true;
    juce::AudioBuffer<float> empty (2, 0);
    juce::MidiBuffer midi;
    p.processBlock (empty, midi);

    EXPECT_TRUE (readingsEqual (p.loadReadings(), TarnReadings {}));
    EXPECT_EQ (p.trackPassState.load(), 0);
    EXPECT_EQ (p.getTrackPassSnapshot().blockCount, 0u);
    EXPECT_EQ (p.samplesProcessed.load(), samples);
    EXPECT_EQ (p.truePeakMaxSinceRead.load(), truePeakMax);
    EXPECT_EQ (p.destinationMode.load(), 2);
    EXPECT_FALSE (p.analysisResetRequested.load());
}

TEST (Processor, MonoInputMeasuresLevelsOnlyAndNeverCapturesAPass)
{
    Rig rig;
    auto& p = rig.processor;
    rig.play (sine (440, 48000, 0.5), 20.0, 1);
    EXPECT_GT (p.peakDb.load(), -7.0f);
    EXPECT_EQ (p.vuLeftDb.load(), p.vuRightDb.load());
    EXPECT_EQ (p.signalState.load(), 1);   // signal, but never ready
    EXPECT_EQ (p.lufsShort.load(), -100.0f);
    EXPECT_EQ (p.lufsIntegrated.load(), -100.0f);
    EXPECT_EQ (p.punch.load(), 0.0f);
    EXPECT_EQ (p.trackPassState.load(), 0);
    EXPECT_EQ (p.getTrackPassSnapshot().blockCount, 0u);
}
