// Runs a fuzz target over files: the seed corpus and every input that once failed. Part of the
// normal test run, so a fixed crash stays fixed in every build, with or without a fuzzer.
// Usage: tarn_fuzz_replay state|audio_file FILE_OR_FOLDER...

#include "FuzzTargets.h"

#include <juce_core/juce_core.h>

#include <iostream>

int main (int argc, char** argv)
{
    if (argc < 3)
    {
        std::cerr << "usage: tarn_fuzz_replay state|audio_file FILE_OR_FOLDER...\n";
        return 2;
    }
    const juce::String target (argv[1]);
    auto* run = target == "state" ? &tarn::fuzz::stateChunk : target == "audio_file" ? &tarn::fuzz::audioFile : nullptr;
    if (run == nullptr)
    {
        std::cerr << "unknown target " << argv[1] << "\n";
        return 2;
    }

    int replayed = 0;
    for (int i = 2; i < argc; ++i)
    {
        const juce::File path (argv[i]);
        auto files = path.isDirectory() ? path.findChildFiles (juce::File::findFiles, false) : juce::Array<juce::File> { path };
        files.sort();
        for (const auto& f : files)
        {
            if (f.getFileName().startsWithChar ('.'))
                continue;
            juce::MemoryBlock bytes;
            if (! f.loadFileAsData (bytes))
            {
                std::cerr << "cannot read " << f.getFullPathName() << "\n";
                return 1;
            }
            run (static_cast<const std::uint8_t*> (bytes.getData()), bytes.getSize());
            ++replayed;
        }
    }
    std::cout << "replayed " << replayed << " inputs through " << target << "\n";
    return replayed > 0 ? 0 : 1;
}
