#include "OutputFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarn::output
{
namespace
{
bool stdoutClosed = false;   // it was closed when the tool started (now held on /dev/null)
int stdoutError = 0;         // the first failure to write standard output

juce::String reason (int error) { return juce::String::fromUTF8 (std::strerror (error)); }

bool writeAll (int fd, const char* data, size_t size, int& error)
{
    while (size > 0)
    {
        const auto written = ::write (fd, data, size);
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        data += written;
        size -= (size_t) written;
    }
    return true;
}

// Devices named by path are written where they are, whatever they point at: /dev/stdout may
// lead to the very file the shell sends standard output to.
bool isDevicePath (const juce::String& path) { return path.startsWith ("/dev/") || path.startsWith ("/proc/"); }

juce::String folderOf (const juce::String& path)
{
    const int slash = path.lastIndexOfChar ('/');
    return slash < 0 ? juce::String (".") : slash == 0 ? juce::String ("/") : path.substring (0, slash);
}

bool sameFile (const struct stat& a, int fd)
{
    struct stat b {};
    return ::fstat (fd, &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool writeInPlace (const juce::String& path, const char* data, size_t size, int& error)
{
    // The tool's own standard output or error (/dev/stdout, a terminal both go to) is written
    // through its descriptor, so the text lands after what was written there before and what
    // follows lands after it.
    struct stat target {};
    if (::stat (path.toRawUTF8(), &target) == 0)
        for (const int fd : { STDOUT_FILENO, STDERR_FILENO })
            if (sameFile (target, fd))
            {
                if (fd == STDOUT_FILENO && stdoutClosed)
                {
                    error = EBADF;
                    return false;
                }
                return writeAll (fd, data, size, error);
            }

    // Appending: a device or FIFO does not care, and a file behind a descriptor path keeps what
    // is already in it.
    const int fd = ::open (path.toRawUTF8(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0)
    {
        error = errno;
        return false;
    }
    const bool ok = writeAll (fd, data, size, error);
    if (::close (fd) != 0 && ok)
    {
        error = errno;
        return false;
    }
    return ok;
}

// Written beside the target under a temporary name, then renamed over it: readers see the old
// file or the new one, never a part. A symbolic link keeps pointing at the file it names.
bool replaceAtomically (const juce::String& path, const char* data, size_t size, int& error)
{
    juce::String target = path;
    struct stat existing {};
    const bool exists = ::stat (path.toRawUTF8(), &existing) == 0;
    if (exists)
    {
        char resolved[PATH_MAX];
        if (::realpath (path.toRawUTF8(), resolved) != nullptr)
            target = juce::String::fromUTF8 (resolved);
    }

    const auto name = target.fromLastOccurrenceOf ("/", false, false);
    auto pattern = (folderOf (target) + "/." + name + ".XXXXXX").toStdString();
    const int fd = ::mkstemp (pattern.data());
    if (fd < 0)
    {
        error = errno;
        return false;
    }

    mode_t mode = existing.st_mode & 07777;
    if (! exists)
    {
        const mode_t mask = ::umask (0);
        ::umask (mask);
        mode = 0666 & ~mask;
    }

    bool ok = writeAll (fd, data, size, error);
    if (ok && ::fchmod (fd, mode) != 0)
    {
        error = errno;
        ok = false;
    }
    if (::close (fd) != 0 && ok)
    {
        error = errno;
        ok = false;
    }
    if (ok && ::rename (pattern.c_str(), target.toRawUTF8()) != 0)
    {
        error = errno;
        ok = false;
    }
    if (! ok)
        ::unlink (pattern.c_str());
    return ok;
}

} // namespace

juce::String problemWith (const juce::String& path)
{
    if (path == "-")
        return {};
    if (path.isEmpty())
        return "is not a file name";

    struct stat st {};
    const bool exists = ::stat (path.toRawUTF8(), &st) == 0;
    if (exists && S_ISDIR (st.st_mode))
        return "is a directory; name a file to write";
    if (writesInPlace (path))
        return {};
    if (! exists && path.endsWithChar ('/'))
        return "is not a file name (it ends in '/')";

    // A regular file is written beside itself first: its folder must take a new file.
    const auto folder = folderOf (path);
    if (::stat (folder.toRawUTF8(), &st) != 0)
        return "cannot be written: " + folder + ": " + reason (errno);
    if (! S_ISDIR (st.st_mode))
        return "cannot be written: " + folder + " is not a directory";
    if (::access (folder.toRawUTF8(), W_OK | X_OK) != 0)
        return "cannot be written: " + folder + ": " + reason (errno);
    return {};
}

bool writesInPlace (const juce::String& path)
{
    struct stat st {};
    return isDevicePath (path) || (::stat (path.toRawUTF8(), &st) == 0 && ! S_ISREG (st.st_mode) && ! S_ISDIR (st.st_mode));
}

bool write (const juce::String& path, const void* data, size_t size, juce::String& error)
{
    const auto* bytes = static_cast<const char*> (data);
    if (path == "-")
    {
        if (StandardOutput::write (bytes, size))
            return true;
        error = StandardOutput::failure();
        return false;
    }

    struct stat st {};
    const bool exists = ::stat (path.toRawUTF8(), &st) == 0;
    if (exists && S_ISDIR (st.st_mode))
    {
        error = "cannot write " + path + ": it is a directory";
        return false;
    }

    int failure = 0;
    if (writesInPlace (path) ? writeInPlace (path, bytes, size, failure) : replaceAtomically (path, bytes, size, failure))
        return true;
    error = "cannot write " + path + ": " + reason (failure);
    return false;
}

bool write (const juce::String& path, const juce::String& text, juce::String& error)
{
    // Line feeds only, whatever wrote the text (JUCE's JSON writer ends its lines with CR LF).
    const auto lines = text.replace ("\r\n", "\n");
    const char* utf8 = lines.toRawUTF8();
    return write (path, utf8, std::strlen (utf8), error);
}

void StandardOutput::guardDescriptors()
{
    for (const int fd : { STDOUT_FILENO, STDERR_FILENO })
    {
        if (::fcntl (fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int null = ::open ("/dev/null", O_WRONLY);
        if (null >= 0 && null != fd)
        {
            ::dup2 (null, fd);
            ::close (null);
        }
        if (fd == STDOUT_FILENO)
            stdoutClosed = true;
    }
}

bool StandardOutput::write (const void* data, size_t size)
{
    if (stdoutError != 0)
        return false;
    if (stdoutClosed)
    {
        stdoutError = EBADF;
        return false;
    }
    return writeAll (STDOUT_FILENO, static_cast<const char*> (data), size, stdoutError);
}

bool StandardOutput::write (const juce::String& text)
{
    const char* utf8 = text.toRawUTF8();
    return write (utf8, std::strlen (utf8));
}

bool StandardOutput::failed() noexcept { return stdoutError != 0; }

juce::String StandardOutput::failure() { return "cannot write to standard output: " + reason (stdoutError); }
bool writePng (const juce::Image& image, const juce::String& path, juce::String& error)
{
    juce::MemoryOutputStream png;
    if (! juce::PNGImageFormat().writeImageToStream (image, png))
    {
        error = "could not encode the picture";
        return false;
    }
    return write (path, png.getData(), png.getDataSize(), error);
}
} // namespace tarn::output
