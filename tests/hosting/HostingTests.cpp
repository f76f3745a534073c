// The built VST3 and LV2 loaded through JUCE's plug-in hosting, the way a host loads them: audio
// passes through untouched at any block size and rate, state travels between instances, only a
// stereo layout is accepted, and the window can come and go while audio runs.

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_extra/juce_gui_extra.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

#if JUCE_LINUX
 #include <X11/Xlib.h>
#endif

namespace
{
enum class Format { vst3, lv2 };

const char* formatName (Format f) { return f == Format::vst3 ? "VST3" : "LV2"; }

std::unique_ptr<juce::AudioPluginInstance> loadPlugin (Format format, double sampleRate, int maxBlock)
{
    juce::OwnedArray<juce::PluginDescription> types;
    std::unique_ptr<juce::AudioPluginFormat> pluginFormat;

    if (format == Format::vst3)
    {
        pluginFormat = std::make_unique<juce::VST3PluginFormat>();
        const auto bundle = juce::File (TARN_VST3_BINARY_DIR).getParentDirectory().getParentDirectory();
        pluginFormat->findAllTypesForFile (types, bundle.getFullPathName());
    }
    else
    {
        pluginFormat = std::make_unique<juce::LV2PluginFormat>();
        const auto folder = juce::File (TARN_LV2_BUNDLE).getParentDirectory();
        const auto found = pluginFormat->searchPathsForPlugins (juce::FileSearchPath (folder.getFullPathName()), true);
        if (found.contains (TARN_LV2_URI))
            pluginFormat->findAllTypesForFile (types, TARN_LV2_URI);
    }

    if (types.isEmpty())
        return nullptr;

    juce::String error;
    auto instance = pluginFormat->createInstanceFromDescription (*types[0], sampleRate, maxBlock, error);
    if (instance == nullptr)
        ADD_FAILURE() << formatName (format) << ": " << error;
    return instance;
}

void prepare (juce::AudioPluginInstance& plugin, double sampleRate, int maxBlock)
{
    plugin.setPlayConfigDetails (2, 2, sampleRate, maxBlock);
    plugin.prepareToPlay (sampleRate, maxBlock);
}

// Programme material that a careless wrapper or meter would alter: noise, a loud sine, values
// beyond full scale, denormals, signed zeros and the odd non-finite sample.
void fillTestAudio (juce::AudioBuffer<float>& buffer, std::mt19937& rng, std::int64_t& phase)
{
    std::uniform_real_distribution<float> noise (-1.0f, 1.0f);
    std::uniform_int_distribution<int> rare (0, 4000);

    for (int ch = 0; ch < buffer.getNumChannels(); ++ch)
    {
        auto* d = buffer.getWritePointer (ch);
        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            const auto t = (double) (phase + i);
            float x = 0.7f * (float) std::sin (0.031 * t + ch) + 0.2f * noise (rng);

            switch (rare (rng))
            {
                case 0: x = 3.5f; break;
                case 1: x = -std::numeric_limits<float>::denorm_min(); break;
                case 2: x = -0.0f; break;
                case 3: x = std::numeric_limits<float>::quiet_NaN(); break;
                case 4: x = std::numeric_limits<float>::infinity(); break;
                default: break;
            }
            d[i] = x;
        }
    }
    phase += buffer.getNumSamples();
}

bool bitIdentical (const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b, int numSamples)
{
    for (int ch = 0; ch < 2; ++ch)
        if (std::memcmp (a.getReadPointer (ch), b.getReadPointer (ch), sizeof (float) * (size_t) numSamples) != 0)
            return false;
    return true;
}

// The plug-in's own chunk is wrapped differently by each format: a VST3 host keeps the component
// state as Base64 inside its XML, an LV2 host keeps a Turtle description holding the Base64 text
// that the plug-in stored. These two helpers find it and put a replacement in its place.
struct WrappedChunk
{
    juce::MemoryBlock chunk;           // the plug-in's getStateInformation output
    std::function<juce::MemoryBlock (const juce::MemoryBlock&)> rewrap;
};

std::optional<WrappedChunk> unwrapVst3 (const juce::MemoryBlock& hostState)
{
    auto xml = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());
    if (xml == nullptr || xml->getChildByName ("IComponent") == nullptr)
        return std::nullopt;

    juce::MemoryBlock component;
    component.fromBase64Encoding (xml->getChildByName ("IComponent")->getAllSubText());

    // The component state is the plug-in's chunk followed by the wrapper's private data, which
    // ends in a length and a marker; the chunk's own header says how long the chunk is.
    if (component.getSize() < 9 || component.getBitRange (0, 32) != 0x21324356)
        return std::nullopt;
    const auto chunkSize = (size_t) component.getBitRange (32, 32) + 9;
    if (chunkSize > component.getSize())
        return std::nullopt;

    WrappedChunk w;
    w.chunk = juce::MemoryBlock (component.getData(), chunkSize);
    const juce::MemoryBlock tail (static_cast<const char*> (component.getData()) + chunkSize, component.getSize() - chunkSize);
    const auto sharedXml = std::shared_ptr<juce::XmlElement> (std::move (xml));

    w.rewrap = [sharedXml, tail] (const juce::MemoryBlock& newChunk)
    {
        juce::MemoryBlock newComponent (newChunk);
        newComponent.append (tail.getData(), tail.getSize());
        juce::XmlElement copy (*sharedXml);
        auto* element = copy.getChildByName ("IComponent");
        element->deleteAllTextElements();
        element->addTextElement (newComponent.toBase64Encoding());
        juce::MemoryBlock out;
        juce::AudioProcessor::copyXmlToBinary (copy, out);
        return out;
    };
    return w;
}

std::optional<WrappedChunk> unwrapLv2 (const juce::MemoryBlock& hostState)
{
    const auto turtle = hostState.toString();

    // The plug-in's text is the one string literal of the form <size>.<base64>.
    for (int start = turtle.indexOfChar ('"'); start >= 0; start = turtle.indexOfChar (start + 1, '"'))
    {
        const auto end = turtle.indexOfChar (start + 1, '"');
        if (end < 0)
            break;
        const auto literal = turtle.substring (start + 1, end);
        if (literal.upToFirstOccurrenceOf (".", false, false).containsOnly ("0123456789")
            && literal.containsChar ('.') && literal.indexOfChar ('.') > 0)
        {
            WrappedChunk w;
            if (! w.chunk.fromBase64Encoding (literal))
                return std::nullopt;
            w.rewrap = [turtle, start, end] (const juce::MemoryBlock& newChunk)
            {
                const auto text = turtle.substring (0, start + 1) + newChunk.toBase64Encoding() + turtle.substring (end);
                return juce::MemoryBlock (text.toRawUTF8(), text.getNumBytesAsUTF8());
            };
            return w;
        }
        start = end;
    }
    return std::nullopt;
}

std::optional<WrappedChunk> unwrap (Format f, juce::AudioPluginInstance& plugin)
{
    juce::MemoryBlock state;
    plugin.getStateInformation (state);
    return f == Format::vst3 ? unwrapVst3 (state) : unwrapLv2 (state);
}

juce::MemoryBlock settingsChunk (const juce::String& rootTag, std::initializer_list<std::pair<const char*, int>> attributes)
{
    juce::XmlElement xml (rootTag);
    for (const auto& [name, value] : attributes)
        xml.setAttribute (name, value);
    juce::MemoryBlock chunk;
    juce::AudioProcessor::copyXmlToBinary (xml, chunk);
    return chunk;
}

struct Settings
{
    int destinationMode = -100, kReference = -100;
    bool operator== (const Settings& o) const { return destinationMode == o.destinationMode && kReference == o.kReference; }
};

std::ostream& operator<< (std::ostream& os, const Settings& s)
{
    return os << "{destinationMode " << s.destinationMode << ", kReference " << s.kReference << "}";
}

Settings readSettings (Format f, juce::AudioPluginInstance& plugin)
{
    const auto w = unwrap (f, plugin);
    if (! w)
    {
        ADD_FAILURE() << "the plug-in's chunk was not found in the host's state";
        return {};
    }
    const auto xml = juce::AudioProcessor::getXmlFromBinary (w->chunk.getData(), (int) w->chunk.getSize());
    if (xml == nullptr || ! xml->hasTagName ("TarnState"))
    {
        ADD_FAILURE() << "the plug-in's chunk is not a TarnState: " << w->chunk.toString();
        return {};
    }
    return { xml->getIntAttribute ("destinationMode", -1), xml->getIntAttribute ("kReference", -1) };
}

void writeChunk (Format f, juce::AudioPluginInstance& plugin, const juce::MemoryBlock& chunk)
{
    const auto w = unwrap (f, plugin);
    ASSERT_TRUE (w.has_value());
    const auto state = w->rewrap (chunk);
    plugin.setStateInformation (state.getData(), (int) state.getSize());
}

#if JUCE_LINUX
// Two copies of JUCE live in this process, the host's and the plug-in's, and each installs and
// removes a process-wide X error handler; after the plug-in's copy shuts down, Xlib's default
// handler is back and exits on the first error. Without a window manager (Xvfb) JUCE sets a few
// optional window-manager properties through atoms that do not exist, which a desktop's handler
// ignores (BadAtom). Everything else is counted, so a window torn down twice still fails.
std::atomic<int> unexpectedXErrors { 0 };

int recordXError (Display*, XErrorEvent* e)
{
    if (e->error_code != BadAtom)
    {
        ++unexpectedXErrors;
        std::cerr << "X error " << (int) e->error_code << " from request " << (int) e->request_code << "\n";
    }
    return 0;
}
#endif

class HostedTarn : public ::testing::TestWithParam<Format>
{
protected:
    Format format() const { return GetParam(); }
};

TEST_P (HostedTarn, AudioPassesThroughBitIdenticalAtAnyBlockSizeAndRate)
{
    auto plugin = loadPlugin (format(), 48000.0, 512);
    ASSERT_NE (plugin, nullptr);

    std::mt19937 rng (1234);
    std::int64_t phase = 0;

    // One instance taken through several rates, as a host does when the session rate changes.
    const std::pair<double, int> configs[] = { { 44100.0, 512 }, { 48000.0, 64 }, { 96000.0, 4096 },
                                               { 192000.0, 1024 }, { 32000.0, 333 }, { 88200.0, 8192 } };
    for (const auto& [rate, maxBlock] : configs)
    {
        prepare (*plugin, rate, maxBlock);
        std::uniform_int_distribution<int> blockSize (1, maxBlock);
        juce::AudioBuffer<float> audio (2, maxBlock), expected (2, maxBlock);
        juce::MidiBuffer midi;
        int blocks = 0, failures = 0;

        for (std::int64_t done = 0; done < (std::int64_t) rate * 2; ++blocks)
        {
            // Sometimes the full block, sometimes one sample, mostly anything in between.
            const int n = blocks % 7 == 0 ? maxBlock : (blocks % 11 == 0 ? 1 : blockSize (rng));
            audio.setSize (2, n, false, false, true);
            fillTestAudio (audio, rng, phase);
            expected.makeCopyOf (audio, true);
            plugin->processBlock (audio, midi);
            if (! bitIdentical (audio, expected, n) && failures++ == 0)
                ADD_FAILURE() << formatName (format()) << " changed the audio at " << rate << " Hz, block " << blocks << " of " << n << " samples";
            done += n;
        }
        EXPECT_EQ (failures, 0) << rate << " Hz, " << blocks << " blocks";
        plugin->releaseResources();
    }
}

TEST_P (HostedTarn, StateSavedByOneInstanceRestoresInAnother)
{
    auto first = loadPlugin (format(), 48000.0, 512);
    auto second = loadPlugin (format(), 48000.0, 512);
    ASSERT_NE (first, nullptr);
    ASSERT_NE (second, nullptr);
    prepare (*first, 48000.0, 512);
    prepare (*second, 48000.0, 512);

    EXPECT_EQ (readSettings (format(), *second), (Settings { 1, 6 })) << "a new instance starts at Streaming, K-18";

    struct Case { int destinationMode, kReference; Settings restored; };
    const Case cases[] = {
        { 2, 0, { 2, 0 } },
        { 0, 7, { 0, 7 } },
        { 9, -3, { 2, 0 } },     // out of range: clamped, not refused
    };

    for (const auto& c : cases)
    {
        writeChunk (format(), *first, settingsChunk ("TarnState", { { "destinationMode", c.destinationMode }, { "kReference", c.kReference } }));

        juce::MemoryBlock saved;
        first->getStateInformation (saved);
        second->setStateInformation (saved.getData(), (int) saved.getSize());
        EXPECT_EQ (readSettings (format(), *second), c.restored) << "saved with " << c.destinationMode << ", " << c.kReference;
    }
}

TEST_P (HostedTarn, GarbageStateChangesNothing)
{
    auto plugin = loadPlugin (format(), 48000.0, 512);
    ASSERT_NE (plugin, nullptr);
    prepare (*plugin, 48000.0, 512);
    writeChunk (format(), *plugin, settingsChunk ("TarnState", { { "destinationMode", 0 }, { "kReference", 3 } }));
    const Settings before { 0, 3 };
    ASSERT_EQ (readSettings (format(), *plugin), before);

    std::mt19937 rng (99);
    juce::MemoryBlock noise (3000);
    for (size_t i = 0; i < noise.getSize(); ++i)
        noise[i] = (char) rng();

    const auto valid = settingsChunk ("TarnState", { { "destinationMode", 2 }, { "kReference", 1 } });
    const juce::MemoryBlock truncated (valid.getData(), valid.getSize() / 2);
    const auto otherRoot = settingsChunk ("OtherState", { { "destinationMode", 2 }, { "kReference", 1 } });
    const auto noAttributes = settingsChunk ("TarnState", {});

    // Handed to the plug-in inside a well-formed host state.
    for (const juce::MemoryBlock* chunk : std::initializer_list<const juce::MemoryBlock*> { &noise, &truncated, &otherRoot, &noAttributes })
    {
        writeChunk (format(), *plugin, *chunk);
        EXPECT_EQ (readSettings (format(), *plugin), before) << "chunk of " << chunk->getSize() << " bytes";
    }

    // Handed to the host as the whole state.
    for (const juce::MemoryBlock* blob : std::initializer_list<const juce::MemoryBlock*> { &noise, &truncated, &valid })
    {
        plugin->setStateInformation (blob->getData(), (int) blob->getSize());
        EXPECT_EQ (readSettings (format(), *plugin), before) << "host state of " << blob->getSize() << " bytes";
    }
}

TEST_P (HostedTarn, OnlyStereoInStereoOutIsAccepted)
{
    auto plugin = loadPlugin (format(), 48000.0, 512);
    ASSERT_NE (plugin, nullptr);

    using Set = juce::AudioChannelSet;
    struct Case { Set in, out; bool accepted; };
    const Case cases[] = {
        { Set::stereo(), Set::stereo(), true },
        { Set::mono(), Set::mono(), false },
        { Set::stereo(), Set::mono(), false },
        { Set::mono(), Set::stereo(), false },
        { Set::quadraphonic(), Set::quadraphonic(), false },
        { Set::create5point1(), Set::create5point1(), false },
    };
    // A disabled bus is left out: VST3 lets a host switch buses off at will, separately from their
    // arrangement, and JUCE's wrapper then keeps the processor on a layout it accepts.

    ASSERT_EQ (plugin->getBusCount (true), 1);
    ASSERT_EQ (plugin->getBusCount (false), 1);
    EXPECT_EQ (plugin->getTotalNumInputChannels(), 2);
    EXPECT_EQ (plugin->getTotalNumOutputChannels(), 2);

    for (const auto& c : cases)
    {
        auto layout = plugin->getBusesLayout();
        layout.inputBuses.getReference (0) = c.in;
        layout.outputBuses.getReference (0) = c.out;
        EXPECT_EQ (plugin->checkBusesLayoutSupported (layout), c.accepted)
            << c.in.getDescription() << " in, " << c.out.getDescription() << " out";
    }
}

// Runs the message loop until everything queued so far (and what that queued in turn) has run.
void drainMessageQueue()
{
    for (int round = 0; round < 3; ++round)
    {
        bool reached = false;
        juce::MessageManager::callAsync ([&reached] { reached = true; });
        while (! reached)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (1);
    }
}

TEST_P (HostedTarn, EditorComesAndGoesWhileAudioRuns)
{
    if (juce::SystemStats::getEnvironmentVariable ("DISPLAY", {}).isEmpty())
        GTEST_SKIP() << "no display: run under xvfb-run";

    constexpr double rate = 48000.0;
    constexpr int maxBlock = 256;
    auto plugin = loadPlugin (format(), rate, maxBlock);
    ASSERT_NE (plugin, nullptr);
    prepare (*plugin, rate, maxBlock);
    ASSERT_TRUE (plugin->hasEditor());

   #if JUCE_LINUX
    const auto previousHandler = XSetErrorHandler (recordXError);
    unexpectedXErrors = 0;
   #endif

    std::atomic<bool> stop { false };
    std::atomic<int> blocks { 0 }, changed { 0 };

    std::thread audio ([&]
    {
        std::mt19937 rng (7);
        std::uniform_int_distribution<int> blockSize (1, maxBlock);
        std::int64_t phase = 0;
        juce::AudioBuffer<float> buffer (2, maxBlock), expected (2, maxBlock);
        juce::MidiBuffer midi;
        while (! stop.load())
        {
            const int n = blockSize (rng);
            buffer.setSize (2, n, false, false, true);
            fillTestAudio (buffer, rng, phase);
            expected.makeCopyOf (buffer, true);
            plugin->processBlock (buffer, midi);
            if (! bitIdentical (buffer, expected, n))
                ++changed;
            ++blocks;
        }
    });

    constexpr int cycles = 25;
    int opened = 0;
    for (int i = 0; i < cycles; ++i)
    {
        std::unique_ptr<juce::AudioProcessorEditor> editor (plugin->createEditorIfNeeded());
        if (editor == nullptr)
            continue;
        ++opened;
        editor->addToDesktop (juce::ComponentPeer::windowHasTitleBar);
        editor->setVisible (true);
        EXPECT_GT (editor->getWidth(), 0);
        EXPECT_GT (editor->getHeight(), 0);
        juce::MessageManager::getInstance()->runDispatchLoopUntil (40 + 20 * (i % 4));   // a few refresh ticks
        // JUCE's X11 embedding on the host side answers a resize of the plug-in's window with a
        // callback it queues without a guard for its own lifetime. Hidden windows are not
        // resized, so once the queue is drained nothing is left to call a deleted component.
        editor->setVisible (false);
        drainMessageQueue();
        editor.reset();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }

    stop = true;
    audio.join();
    EXPECT_EQ (opened, cycles);
    EXPECT_GT (blocks.load(), cycles) << "the audio thread did not run alongside the editor";
    EXPECT_EQ (changed.load(), 0) << "blocks altered while the editor came and went";
   #if JUCE_LINUX
    EXPECT_EQ (unexpectedXErrors.load(), 0);
    XSetErrorHandler (previousHandler);
   #endif
}

INSTANTIATE_TEST_SUITE_P (Formats, HostedTarn, ::testing::Values (Format::vst3, Format::lv2),
                          [] (const auto& info) { return std::string (formatName (info.param)); });
} // namespace

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);
    juce::ScopedJuceInitialiser_GUI juce;
    return RUN_ALL_TESTS();
}
