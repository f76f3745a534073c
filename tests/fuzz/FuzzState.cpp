#include "FuzzTargets.h"
#include "PluginProcessor.h"

#include <cstdlib>
#include <cstring>

void tarn::fuzz::stateChunk (const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return;

    juce::MemoryBlock chunk;
    if (data[0] == 0)
    {
        chunk.append (data + 1, size - 1);
    }
    else
    {
        // The header AudioProcessor::copyXmlToBinary writes: a magic number, the text's length, the
        // text and a terminating zero.
        const auto textSize = (std::uint32_t) (size - 1);
        chunk.setSize (9 + textSize, true);
        auto* bytes = static_cast<char*> (chunk.getData());
        const std::uint32_t magic = juce::ByteOrder::swapIfBigEndian ((std::uint32_t) 0x21324356);
        const std::uint32_t length = juce::ByteOrder::swapIfBigEndian (textSize);
        std::memcpy (bytes, &magic, 4);
        std::memcpy (bytes + 4, &length, 4);
        std::memcpy (bytes + 8, data + 1, textSize);
    }

    static TarnAudioProcessor processor;
    processor.setStateInformation (chunk.getData(), (int) chunk.getSize());

    const int mode = processor.destinationMode.load(), k = processor.kReference.load();
    if (mode < 0 || mode > 2 || k < 0 || k > 7)
        std::abort();

    // Whatever was restored saves and restores to the same settings.
    juce::MemoryBlock saved;
    processor.getStateInformation (saved);
    processor.destinationMode = (mode + 1) % 3;
    processor.kReference = (k + 1) % 8;
    processor.setStateInformation (saved.getData(), (int) saved.getSize());
    if (processor.destinationMode.load() != mode || processor.kReference.load() != k)
        std::abort();
}

#if TARN_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput (const std::uint8_t* data, std::size_t size)
{
    tarn::fuzz::stateChunk (data, size);
    return 0;
}
#endif
