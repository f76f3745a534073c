#include "AnalyserFixture.h"

#include <cstring>

using namespace analyser_tests;

namespace
{
float tone (int c, int i) { return (float) (0.4 * std::sin (2 * pi * 330 * i / 48000.0 + c)); }

juce::MemoryBlock bytesOf (const juce::File& file)
{
    juce::MemoryBlock bytes;
    EXPECT_TRUE (file.loadFileAsData (bytes));
    return bytes;
}

void putLittleEndian32 (juce::MemoryBlock& bytes, size_t offset, juce::uint32 value)
{
    for (size_t k = 0; k < 4; ++k)
        bytes[offset + k] = (char) ((value >> (8 * k)) & 0xff);
}

size_t chunkOffset (const juce::MemoryBlock& bytes, const char* id)
{
    for (size_t i = 12; i + 8 <= bytes.getSize(); ++i)
        if (std::memcmp (static_cast<const char*> (bytes.getData()) + i, id, 4) == 0)
            return i;
    ADD_FAILURE() << "no " << id << " chunk";
    return 0;
}

// A WAV header of this format, channels and bits, with `frames` frames of zeros.
juce::MemoryBlock wavBytes (int formatTag, int channels, int bits, int frames)
{
    juce::MemoryOutputStream out;
    const int blockAlign = channels * bits / 8, dataSize = frames * blockAlign;
    out.write ("RIFF", 4);
    out.writeInt (36 + dataSize);
    out.write ("WAVEfmt ", 8);
    out.writeInt (16);
    out.writeShort ((short) formatTag);
    out.writeShort ((short) channels);
    out.writeInt (48000);
    out.writeInt (48000 * blockAlign);
    out.writeShort ((short) blockAlign);
    out.writeShort ((short) bits);
    out.write ("data", 4);
    out.writeInt (dataSize);
    out.writeRepeatedByte (0, (size_t) dataSize);
    return out.getMemoryBlock();
}
} // namespace

TEST_F (AnalyserFiles, CompressedFilesCutShortAreReportedNotPaddedWithSilence)
{
    juce::FlacAudioFormat flac;
    juce::OggVorbisAudioFormat ogg;
    struct Case { juce::AudioFormat* format; const char* name; };
    for (const auto& c : { Case { &flac, "whole.flac" }, Case { &ogg, "whole.ogg" } })
    {
        SCOPED_TRACE (c.name);
        const auto whole = writeAudio (c.name, *c.format, 2, 48000, 8.0, tone, 16);
        const auto r = analyseFile (whole);
        ASSERT_TRUE (r.ok) << r.error;
        EXPECT_NEAR (r.snapshot.capturedSeconds, 8.0, 0.011);

        // Cut early, late and by a few bytes: an interrupted copy.
        const auto bytes = bytesOf (whole);
        for (const size_t kept : { bytes.getSize() / 3, bytes.getSize() * 9 / 10, bytes.getSize() - 20 })
        {
            const auto cut = dir.getChildFile (juce::String (kept) + "-" + c.name);
            ASSERT_TRUE (cut.replaceWithData (bytes.getData(), kept));
            tarn::analyser::Programme programme;
            juce::String error;
            EXPECT_FALSE (tarn::analyser::openFile (cut, formats, programme, error)) << kept << " of " << bytes.getSize() << " bytes";
            EXPECT_TRUE (error.startsWith ("is cut short: the file ends ")) << error;
        }
    }
}

TEST_F (AnalyserFiles, WavWrittenToAPipeIsReadToItsRealEnd)
{
    const auto original = writeWav ("original.wav", 2, 48000, 6.0, tone);
    const auto expected = analyseFile (original);
    const auto bytes = bytesOf (original);
    const size_t data = chunkOffset (bytes, "data");

    // The sizes streaming writers leave when they cannot seek back: ffmpeg's 0xFFFFFFFF in both
    // fields, and sox's whole frames below 0x7FFFF000 (6 bytes a frame here).
    struct Case { const char* name; juce::uint32 riffSize, dataSize; };
    const juce::uint32 soxData = 0x7ffff000u / 6 * 6;
    for (const auto& c : { Case { "ffmpeg.wav", 0xffffffffu, 0xffffffffu }, Case { "sox.wav", soxData + (juce::uint32) data, soxData } })
    {
        SCOPED_TRACE (c.name);
        auto streamed = bytes;
        putLittleEndian32 (streamed, 4, c.riffSize);
        putLittleEndian32 (streamed, data + 4, c.dataSize);
        const auto file = dir.getChildFile (c.name);
        ASSERT_TRUE (file.replaceWithData (streamed.getData(), streamed.getSize()));

        const auto r = analyseFile (file);
        ASSERT_TRUE (r.ok) << r.error;
        EXPECT_EQ (r.lengthInSamples, 6 * 48000);
        EXPECT_EQ (std::memcmp (&r.finalReadings, &expected.finalReadings, sizeof (TarnReadings)), 0);
        EXPECT_EQ (r.snapshot.blockCount, expected.snapshot.blockCount);
    }

    // A real size that promises more than the file holds is still a file cut short.
    auto promised = bytes;
    putLittleEndian32 (promised, data + 4, (juce::uint32) (bytes.getSize() - data - 8) * 2);
    const auto cut = dir.getChildFile ("promised.wav");
    ASSERT_TRUE (cut.replaceWithData (promised.getData(), promised.getSize()));
    tarn::analyser::Programme programme;
    juce::String error;
    ASSERT_TRUE (tarn::analyser::openFile (cut, formats, programme, error)) << error;
    EXPECT_EQ (tarn::analyser::analyse (programme, {}).error, "is cut short: the file ends before the 12.00 s of audio its header declares");
}

TEST_F (AnalyserFiles, FormatsTarnDoesNotReadAreRefusedWithTheTrueReason)
{
    struct Case { const char* name; int formatTag, bits; const char* reason; };
    const Case cases[] = {
        { "double.wav", 3, 64, "is a 64-bit floating-point WAV file; Tarn reads 32-bit floating-point and 8- to 32-bit integer WAV" },
        { "mp3-in.wav", 0x55, 16, "is a WAV file in an encoding Tarn does not read (format tag 0x0055); Tarn reads integer and floating-point PCM" },
        { "alaw.wav", 6, 8, "is a WAV file in an encoding Tarn does not read (format tag 0x0006); Tarn reads integer and floating-point PCM" },
    };
    for (const auto& c : cases)
    {
        const auto bytes = wavBytes (c.formatTag, 2, c.bits, 4800);
        const auto file = dir.getChildFile (c.name);
        ASSERT_TRUE (file.replaceWithData (bytes.getData(), bytes.getSize()));
        tarn::analyser::Programme programme;
        juce::String error;
        EXPECT_FALSE (tarn::analyser::openFile (file, formats, programme, error)) << c.name;
        EXPECT_EQ (error, c.reason) << c.name;
    }

    // The same header with 32-bit floating-point samples is read.
    const auto readable = wavBytes (3, 2, 32, 4800);
    const auto file = dir.getChildFile ("float.wav");
    ASSERT_TRUE (file.replaceWithData (readable.getData(), readable.getSize()));
    EXPECT_EQ (analyseFile (file).lengthInSamples, 4800);
}
