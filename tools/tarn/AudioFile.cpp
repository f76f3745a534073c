// Opening an audio file for analysis: JUCE's readers decode, and the checks here make sure what
// they hand over is the whole file. The readers fill whatever they cannot decode with silence
// without saying so, and a QC gate must never pass a file for audio it did not hear.

#include "Analyser.h"

#include <FLAC/stream_decoder.h>
#include <ogg/ogg.h>

#include <cmath>

namespace tarn::analyser
{
namespace
{
// A file stream that notices when a read returns less than was asked. An uncompressed reader asks
// only for audio its header declares, so once armed, a short read means the file was cut short
// (an interrupted copy or render); the framework's reader would quietly play silence for the rest.
class ShortReadWatch final : public juce::InputStream
{
public:
    explicit ShortReadWatch (std::unique_ptr<juce::InputStream> source) : stream (std::move (source)) {}

    void arm() noexcept { armed = true; }
    bool sawShortRead() const noexcept { return shortRead; }

    juce::int64 getTotalLength() override { return stream->getTotalLength(); }
    bool isExhausted() override { return stream->isExhausted(); }
    juce::int64 getPosition() override { return stream->getPosition(); }
    bool setPosition (juce::int64 position) override { return stream->setPosition (position); }

    int read (void* destBuffer, int maxBytesToRead) override
    {
        const int bytesRead = stream->read (destBuffer, maxBytesToRead);
        if (armed && bytesRead < maxBytesToRead)
            shortRead = true;
        return bytesRead;
    }

private:
    std::unique_ptr<juce::InputStream> stream;
    bool armed = false, shortRead = false;
};

// What a WAV header says, read chunk by chunk without decoding anything.
struct WavHeader
{
    bool isWav = false, isRf64 = false, hasFormat = false, hasData = false;
    int formatTag = 0;   // 1 integer PCM, 3 floating point, 0xfffe extensible (then its sub-format's tag)
    int channels = 0, bitsPerSample = 0, blockAlign = 0;
    juce::int64 dataStart = 0;
    juce::uint32 dataSize = 0;

    // A header written to a pipe cannot be gone back to once the length is known, so the writer
    // leaves a size that stands for "unknown": 0xFFFFFFFF, or the largest whole number of frames
    // below 0x7FFFF000. Such a file holds audio up to its real end. A header of a file that was
    // cut short declares the size the file had.
    bool dataSizeIsPlaceholder() const noexcept
    {
        return ! isRf64 && hasData
            && (dataSize == 0xffffffffu || (blockAlign > 0 && dataSize == 0x7ffff000u / (juce::uint32) blockAlign * (juce::uint32) blockAlign));
    }
};

WavHeader readWavHeader (const juce::File& file)
{
    WavHeader h;
    juce::FileInputStream in (file);
    if (! in.openedOk())
        return h;

    const auto riff = in.readInt();
    h.isRf64 = riff == (int) juce::ByteOrder::littleEndianInt ("RF64");
    in.readInt();
    if ((riff != (int) juce::ByteOrder::littleEndianInt ("RIFF") && ! h.isRf64) || in.readInt() != (int) juce::ByteOrder::littleEndianInt ("WAVE"))
        return h;
    h.isWav = true;

    while (! in.isExhausted() && ! h.hasData)
    {
        const auto type = in.readInt();
        const auto size = (juce::uint32) in.readInt();
        const auto start = in.getPosition();
        if (type == (int) juce::ByteOrder::littleEndianInt ("fmt ") && size >= 16)
        {
            h.hasFormat = true;
            h.formatTag = (juce::uint16) in.readShort();
            h.channels = (juce::uint16) in.readShort();
            in.skipNextBytes (8);   // sample rate, byte rate
            h.blockAlign = (juce::uint16) in.readShort();
            h.bitsPerSample = (juce::uint16) in.readShort();
            if (h.formatTag == 0xfffe && size >= 40)
            {
                in.skipNextBytes (8);   // extension size, valid bits, channel mask
                h.formatTag = (juce::uint16) in.readShort();   // the sub-format GUID starts with the tag
            }
        }
        else if (type == (int) juce::ByteOrder::littleEndianInt ("data"))
        {
            h.hasData = true;
            h.dataStart = start;
            h.dataSize = size;
        }
        in.setPosition (start + size + (size & 1));
    }
    return h;
}

// Why a file JUCE would not open is not one Tarn can read, when the header tells.
juce::String refusalReason (const juce::File& file)
{
    const auto wav = readWavHeader (file);
    if (! wav.isWav)
        return "not a readable WAV, AIFF, FLAC or Ogg Vorbis file";
    if (! wav.hasFormat || ! wav.hasData)
        return juce::String ("is a damaged WAV file: it has no ") + (wav.hasFormat ? "data" : "format") + " chunk";
    if (wav.formatTag == 3 && wav.bitsPerSample != 32)
        return "is a " + juce::String (wav.bitsPerSample) + "-bit floating-point WAV file; Tarn reads 32-bit floating-point and 8- to 32-bit integer WAV";
    if (wav.formatTag == 1 && (wav.bitsPerSample < 8 || wav.bitsPerSample > 32))
        return "is a " + juce::String (wav.bitsPerSample) + "-bit integer WAV file; Tarn reads 8- to 32-bit integer and 32-bit floating-point WAV";
    if (wav.formatTag != 1 && wav.formatTag != 3)
        return "is a WAV file in an encoding Tarn does not read (format tag 0x" + juce::String::toHexString (wav.formatTag).paddedLeft ('0', 4)
             + "); Tarn reads integer and floating-point PCM";
    return "is a damaged WAV file: its format chunk is not valid";
}

// libFLAC's own decoder, asked for the last sample the header's total declares: a seek there
// decodes the frame holding it, and fails when the file ends before it. The framework's reader
// would read silence for whatever is missing. The decoder reads through stream callbacks, not
// libFLAC's file functions: a framework that carries its own copy of libFLAC (JUCE 8) has only
// the stream functions, and mixing them with the system library's file ones crashes.
bool flacHoldsItsDeclaredLength (const juce::File& file)
{
    juce::FileInputStream in (file);
    if (in.failedToOpen())
        return true;   // nothing to check with; the reader has already opened the file

    struct State
    {
        juce::FileInputStream& in;
        FLAC__uint64 totalSamples = 0;
        bool decodeError = false;
    } state { in };
    const auto read = [] (const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes, void* client)
    {
        auto& s = static_cast<State*> (client)->in;
        const auto got = s.read (buffer, (int) std::min<size_t> (*bytes, 1 << 20));
        *bytes = (size_t) juce::jmax (0, got);
        return got < 0 ? FLAC__STREAM_DECODER_READ_STATUS_ABORT
                       : got == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    };
    const auto seek = [] (const FLAC__StreamDecoder*, FLAC__uint64 offset, void* client)
    { return static_cast<State*> (client)->in.setPosition ((juce::int64) offset) ? FLAC__STREAM_DECODER_SEEK_STATUS_OK : FLAC__STREAM_DECODER_SEEK_STATUS_ERROR; };
    const auto tell = [] (const FLAC__StreamDecoder*, FLAC__uint64* offset, void* client)
    { *offset = (FLAC__uint64) static_cast<State*> (client)->in.getPosition(); return FLAC__STREAM_DECODER_TELL_STATUS_OK; };
    const auto length = [] (const FLAC__StreamDecoder*, FLAC__uint64* bytes, void* client)
    { *bytes = (FLAC__uint64) static_cast<State*> (client)->in.getTotalLength(); return FLAC__STREAM_DECODER_LENGTH_STATUS_OK; };
    const auto eof = [] (const FLAC__StreamDecoder*, void* client) -> FLAC__bool
    { return static_cast<State*> (client)->in.isExhausted(); };

    const auto write = [] (const FLAC__StreamDecoder*, const FLAC__Frame*, const FLAC__int32* const[], void*)
    { return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE; };
    const auto metadata = [] (const FLAC__StreamDecoder*, const FLAC__StreamMetadata* m, void* client)
    {
        if (m->type == FLAC__METADATA_TYPE_STREAMINFO)
            static_cast<State*> (client)->totalSamples = m->data.stream_info.total_samples;
    };
    const auto error = [] (const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* client)
    { static_cast<State*> (client)->decodeError = true; };

    auto* decoder = FLAC__stream_decoder_new();
    if (decoder == nullptr)
        return true;   // nothing to check with; the reader has already opened the file

    bool holds = true;
    if (FLAC__stream_decoder_init_stream (decoder, read, seek, tell, length, eof, write, metadata, error, &state)
            == FLAC__STREAM_DECODER_INIT_STATUS_OK
        && FLAC__stream_decoder_process_until_end_of_metadata (decoder) && state.totalSamples > 0)
    {
        // A header with no total (a stream) was measured by decoding it all: nothing to check.
        holds = FLAC__stream_decoder_seek_absolute (decoder, state.totalSamples - 1) && ! state.decodeError;
    }
    FLAC__stream_decoder_delete (decoder);
    return holds;
}

// An Ogg stream ends with a page marked end-of-stream. Vorbis has no declared length, so the
// reader takes the last page it finds for the end: a file cut short reads as a shorter file. Its
// last complete page is then not the closing one. The last complete page is within the final two
// page lengths (65307 bytes at most each).
bool oggEndsItsStream (const juce::File& file)
{
    juce::FileInputStream in (file);
    if (! in.openedOk())
        return true;
    const juce::int64 tailLength = juce::jmin (in.getTotalLength(), (juce::int64) 2 * 65307);
    in.setPosition (in.getTotalLength() - tailLength);

    ogg_sync_state sync;
    ogg_sync_init (&sync);
    char* buffer = ogg_sync_buffer (&sync, (long) tailLength);
    const int got = buffer != nullptr ? in.read (buffer, (int) tailLength) : 0;
    ogg_sync_wrote (&sync, got);

    bool sawPage = false, lastIsEnd = false;
    ogg_page page;
    for (long step; (step = ogg_sync_pageseek (&sync, &page)) != 0;)
        if (step > 0)
        {
            sawPage = true;
            lastIsEnd = ogg_page_eos (&page) != 0;
        }
    ogg_sync_clear (&sync);
    return ! sawPage || lastIsEnd;
}

juce::String cutShortText (double seconds)
{
    return "is cut short: the file ends before the " + juce::String (seconds, 2) + " s of audio its header declares";
}
} // namespace

bool openFile (const juce::File& file, juce::AudioFormatManager& formats, Programme& programme, juce::String& error)
{
    if (! file.existsAsFile())
    {
        error = file.exists() ? "is not a file" : "no such file";
        return false;
    }

    auto stream = file.createInputStream();
    if (stream == nullptr)
    {
        error = "could not be opened for reading";
        return false;
    }

    auto watch = std::make_unique<ShortReadWatch> (std::move (stream));
    auto* const watched = watch.get();   // owned by the reader from here on
    std::shared_ptr<juce::AudioFormatReader> reader (formats.createReaderFor (std::move (watch)));

    if (reader == nullptr)
    {
        error = refusalReason (file);
        return false;
    }
    if (reader->numChannels < 1 || reader->numChannels > 2)
    {
        error = "has " + juce::String (reader->numChannels) + " channels; only mono and stereo files can be analysed";
        return false;
    }
    if (! (reader->sampleRate > 0.0) || reader->lengthInSamples < 0)
    {
        error = "has no valid sample rate or length";
        return false;
    }
    // A damaged header can claim any rate; beyond these the file is not audio anyone recorded (and
    // the seconds of silence that close a Track Pass would take minutes to feed).
    if (reader->sampleRate < 1000.0 || reader->sampleRate > 768000.0)
    {
        error = "has a sample rate of " + juce::String ((juce::int64) std::llround (reader->sampleRate)) + " Hz; only 1 kHz to 768 kHz can be analysed";
        return false;
    }

    const auto format = reader->getFormatName();
    if (format == "WAV file")
    {
        const auto header = readWavHeader (file);
        if (header.dataSizeIsPlaceholder() && header.blockAlign > 0)
            reader->lengthInSamples = juce::jmax ((juce::int64) 0, file.getSize() - header.dataStart) / header.blockAlign;
    }
    if (format == "FLAC file" && ! flacHoldsItsDeclaredLength (file))
    {
        error = cutShortText ((double) reader->lengthInSamples / reader->sampleRate);
        return false;
    }
    if (format == "Ogg-Vorbis file" && ! oggEndsItsStream (file))
    {
        error = "is cut short: the file ends inside its Ogg stream, before the page that closes it";
        return false;
    }

    programme.name = file.getFileName();
    programme.sampleRate = reader->sampleRate;
    programme.numChannels = (int) reader->numChannels;
    programme.lengthInSamples = reader->lengthInSamples;
    // Compressed decoders read ahead and meet the end of the file as a matter of course; only the
    // uncompressed readers' reads show a file cut short.
    const bool uncompressed = format == "WAV file" || format == "AIFF file";
    if (uncompressed)
    {
        watched->arm();
        programme.describeReadFailure = [watched, reader]
        { return watched->sawShortRead() ? cutShortText ((double) reader->lengthInSamples / reader->sampleRate) : juce::String(); };
    }

    programme.read = [reader, watched, uncompressed] (juce::AudioBuffer<float>& dest, juce::int64 start, int numSamples)
    {
        if (! reader->read (&dest, 0, numSamples, start, true, true))
            return false;
        if (uncompressed && watched->sawShortRead())
            return false;
        if (reader->numChannels == 1)
            dest.copyFrom (1, 0, dest, 0, 0, numSamples);
        return true;
    };
    return true;
}
} // namespace tarn::analyser
