#pragma once

#include <juce_graphics/juce_graphics.h>

// Where the tool's outputs go. Nothing already there is destroyed: a regular file is replaced in
// one step (written beside it, then renamed over it), so it holds either its old or its new text;
// a FIFO or a device (/dev/stdout, a terminal) is written in place and never replaced; a directory
// is refused. Every failure names the file and the system's reason.
namespace tarn::output
{
// Whether `path` can take an output, before any work is done: empty when it can, else the reason
// ("is a directory", the folder's own error). '-' (standard output) always can.
juce::String problemWith (const juce::String& path);

// Whether `path` is written in place rather than replaced: a device path (under /dev or /proc)
// or an existing FIFO, device or socket.
bool writesInPlace (const juce::String& path);

// Writes `text` to `path` ('-' is standard output). On failure returns false and `error` reads
// "cannot write PATH: reason". Text is written as UTF-8 with line feeds.
bool write (const juce::String& path, const juce::String& text, juce::String& error);
bool write (const juce::String& path, const void* data, size_t size, juce::String& error);

// A picture as PNG, with the same rules.
bool writePng (const juce::Image& image, const juce::String& path, juce::String& error);

// Standard output, written with the system's own calls so a failure (a full disk, /dev/full, a
// closed descriptor or pipe) is seen with its reason. After the first failure nothing more is
// written; the caller reports it once.
class StandardOutput
{
public:
    // Call once at start-up: a closed standard output or error is held open on /dev/null, so no
    // file the tool opens later takes its place; a closed standard output then reads as failed.
    static void guardDescriptors();

    static bool write (const juce::String& text);
    static bool write (const void* data, size_t size);
    static bool failed() noexcept;
    static juce::String failure();   // "cannot write to standard output: reason"
};
} // namespace tarn::output
