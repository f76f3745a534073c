#include "Analyser.h"
#include "Report.h"
#include "FuzzTargets.h"
#include "ReadingChecks.h"

#include <cmath>
#include <cstdlib>

namespace
{
juce::File scratchFolder()
{
    const juce::File shm ("/dev/shm");
    return shm.isDirectory() ? shm : juce::File::getSpecialLocation (juce::File::tempDirectory);
}
} // namespace

void tarn::fuzz::audioFile (const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return;

    static const char* const extensions[] = { ".wav", ".aiff", ".flac", ".ogg" };
    static juce::AudioFormatManager& formats = *[]
    {
        auto* m = new juce::AudioFormatManager();   // lives as long as the process
        m->registerBasicFormats();
        return m;
    }();
    static const auto base = scratchFolder().getChildFile ("tarn-fuzz-" + juce::String (juce::Time::currentTimeMillis()));

    const auto file = base.withFileExtension (extensions[data[0] & 3]);
    if (! file.replaceWithData (data + 1, size - 1))
        std::abort();

    tarn::analyser::Programme programme;
    juce::String error;
    // A header may claim hours of audio in a few bytes (the WAV reader then reads silence past
    // the end); analysing that is only slow, so inputs claiming more than a minute at 48 kHz are
    // opened and closed but not analysed, and the fuzzer moves on.
    constexpr juce::int64 maxFrames = 48000 * 60;
    if (tarn::analyser::openFile (file, formats, programme, error) && programme.lengthInSamples <= maxFrames)
    {
        tarn::analyser::Options options;
        options.blockSize = 16 << ((data[0] >> 2) & 7);
        const auto result = tarn::analyser::analyse (programme, options);
        if (result.ok && ! allReadingsFinite (result.finalReadings))
            std::abort();
        (void) tarn::analyser::toJson (result);
        (void) tarn::analyser::formatReport (result);
    }
    file.deleteFile();
}

#if TARN_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    tarn::fuzz::audioFile (data, size);
    return 0;
}
#endif
