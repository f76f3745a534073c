// A host of our own for the built CLAP: it loads the module through its entry point and talks to
// it with nothing but the CLAP headers, as Bitwig, REAPER and the rest do.

#include <clap/clap.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace
{
// The module stays loaded for the whole run, as hosts keep it: the framework inside it is not
// made to be unloaded and loaded again in one process.
const clap_plugin_factory& factory()
{
    static const clap_plugin_factory* loaded = []
    {
        void* module = dlopen (TARN_CLAP_FILE, RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr)
            return (const clap_plugin_factory*) nullptr;
        const auto* entry = static_cast<const clap_plugin_entry*> (dlsym (module, "clap_entry"));
        if (entry == nullptr || ! clap_version_is_compatible (entry->clap_version) || ! entry->init (TARN_CLAP_FILE))
            return (const clap_plugin_factory*) nullptr;
        return static_cast<const clap_plugin_factory*> (entry->get_factory (CLAP_PLUGIN_FACTORY_ID));
    }();
    if (loaded == nullptr)
        throw std::runtime_error (std::string ("cannot load ") + TARN_CLAP_FILE + ": " + (dlerror() ? dlerror() : "no factory"));
    return *loaded;
}

// A host that offers no extensions and ignores requests.
const clap_host host {
    CLAP_VERSION_INIT, nullptr, "tarn_clap_tests", "Fennick", "", "1",
    [] (const clap_host*, const char*) -> const void* { return nullptr; },
    [] (const clap_host*) {}, [] (const clap_host*) {}, [] (const clap_host*) {},
};

struct Instance
{
    Instance()
    {
        const auto& f = factory();
        plugin = f.create_plugin (&f, &host, "example.fennick.tarn");
        if (plugin == nullptr || ! plugin->init (plugin))
            throw std::runtime_error ("cannot create the plug-in");
    }
    ~Instance() { plugin->destroy (plugin); }

    template <typename Extension>
    const Extension* extension (const char* id) const { return static_cast<const Extension*> (plugin->get_extension (plugin, id)); }

    std::vector<std::uint8_t> saveState() const
    {
        std::vector<std::uint8_t> bytes;
        const clap_ostream out { &bytes, [] (const clap_ostream* s, const void* data, std::uint64_t size) -> std::int64_t
        {
            auto& b = *static_cast<std::vector<std::uint8_t>*> (s->ctx);
            b.insert (b.end(), static_cast<const std::uint8_t*> (data), static_cast<const std::uint8_t*> (data) + size);
            return (std::int64_t) size;
        } };
        const auto* state = extension<clap_plugin_state> (CLAP_EXT_STATE);
        EXPECT_TRUE (state != nullptr && state->save (plugin, &out));
        return bytes;
    }

    bool loadState (const std::vector<std::uint8_t>& bytes) const
    {
        struct Reader { const std::vector<std::uint8_t>& bytes; std::size_t position = 0; } reader { bytes };
        const clap_istream in { &reader, [] (const clap_istream* s, void* buffer, std::uint64_t size) -> std::int64_t
        {
            auto& r = *static_cast<Reader*> (s->ctx);
            const auto n = std::min<std::uint64_t> (size, r.bytes.size() - r.position);
            std::memcpy (buffer, r.bytes.data() + r.position, (std::size_t) n);
            r.position += (std::size_t) n;
            return (std::int64_t) n;
        } };
        const auto* state = extension<clap_plugin_state> (CLAP_EXT_STATE);
        return state != nullptr && state->load (plugin, &in);
    }

    const clap_plugin* plugin = nullptr;
};

// The framework's binary state chunk: a magic number, the text's length, the text and a zero.
std::vector<std::uint8_t> stateChunk (const std::string& xml)
{
    const std::uint32_t header[] = { 0x21324356, (std::uint32_t) xml.size() };   // little-endian, as on every host here
    std::string chunk (reinterpret_cast<const char*> (header), sizeof (header));
    chunk += xml;
    chunk += '\0';
    return { chunk.begin(), chunk.end() };
}

bool contains (const std::vector<std::uint8_t>& bytes, const std::string& text)
{
    return std::search (bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}
} // namespace

TEST (Clap, DescriptorNamesTarnAsAStereoAudioEffect)
{
    const auto& f = factory();
    ASSERT_EQ (f.get_plugin_count (&f), 1u);
    const auto* d = f.get_plugin_descriptor (&f, 0);
    ASSERT_NE (d, nullptr);
    EXPECT_STREQ (d->id, "example.fennick.tarn");
    EXPECT_STREQ (d->name, "Tarn");
    EXPECT_STREQ (d->vendor, "Fennick");
    EXPECT_STREQ (d->version, "0.7.6");

    std::vector<std::string> features;
    for (auto* feature = d->features; feature != nullptr && *feature != nullptr; ++feature)
        features.emplace_back (*feature);
    for (const char* wanted : { CLAP_PLUGIN_FEATURE_AUDIO_EFFECT, CLAP_PLUGIN_FEATURE_ANALYZER, CLAP_PLUGIN_FEATURE_STEREO })
        EXPECT_NE (std::find (features.begin(), features.end(), wanted), features.end()) << wanted;

    Instance tarn;
    const auto* ports = tarn.extension<clap_plugin_audio_ports> (CLAP_EXT_AUDIO_PORTS);
    ASSERT_NE (ports, nullptr);
    for (const bool isInput : { true, false })
    {
        ASSERT_EQ (ports->count (tarn.plugin, isInput), 1u) << (isInput ? "inputs" : "outputs");
        clap_audio_port_info info {};
        ASSERT_TRUE (ports->get (tarn.plugin, 0, isInput, &info));
        EXPECT_EQ (info.channel_count, 2u);
        EXPECT_STREQ (info.port_type, CLAP_PORT_STEREO);
    }
}

TEST (Clap, OutputIsBitIdenticalToInputAtEveryRateAndBlockSize)
{
    Instance tarn;
    std::mt19937 rng (7);
    std::uniform_int_distribution<std::uint32_t> blockLength (1, 4096);
    std::uniform_real_distribution<float> sample (-1.5f, 1.5f);
    const float specials[] = { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                               -std::numeric_limits<float>::infinity(), 1.0e-40f, -1.0e-42f, 0.0f, -0.0f };

    for (const double rate : { 44100.0, 48000.0, 96000.0, 192000.0 })
    {
        ASSERT_TRUE (tarn.plugin->activate (tarn.plugin, rate, 1, 4096)) << rate;
        ASSERT_TRUE (tarn.plugin->start_processing (tarn.plugin)) << rate;

        std::int64_t steadyTime = 0;
        for (int block = 0; block < 40; ++block)
        {
            const auto n = blockLength (rng);
            std::vector<float> in[2], out[2];
            for (int c = 0; c < 2; ++c)
            {
                in[c].resize (n);
                for (auto& x : in[c])
                    x = rng() % 50 == 0 ? specials[rng() % std::size (specials)] : sample (rng);
                out[c].assign (n, 123.0f);
            }
            float* inputs[] = { in[0].data(), in[1].data() };
            float* outputs[] = { out[0].data(), out[1].data() };
            clap_audio_buffer input { inputs, nullptr, 2, 0, 0 }, output { outputs, nullptr, 2, 0, 0 };
            const clap_input_events noEvents { nullptr, [] (const clap_input_events*) -> std::uint32_t { return 0; },
                                               [] (const clap_input_events*, std::uint32_t) -> const clap_event_header_t* { return nullptr; } };
            const clap_output_events discard { nullptr, [] (const clap_output_events*, const clap_event_header_t*) { return true; } };
            const clap_process process { steadyTime, n, nullptr, &input, &output, 1, 1, &noEvents, &discard };

            ASSERT_NE (tarn.plugin->process (tarn.plugin, &process), CLAP_PROCESS_ERROR);
            for (int c = 0; c < 2; ++c)
                ASSERT_EQ (std::memcmp (in[c].data(), out[c].data(), n * sizeof (float)), 0)
                    << "rate " << rate << ", block " << block << " of " << n << " samples, channel " << c;
            steadyTime += n;
        }

        tarn.plugin->stop_processing (tarn.plugin);
        tarn.plugin->deactivate (tarn.plugin);
    }
}

TEST (Clap, StateSavedByOneInstanceRestoresInAnother)
{
    Instance first, second;
    const auto defaults = second.saveState();

    ASSERT_TRUE (first.loadState (stateChunk ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<TarnState destinationMode=\"0\" kReference=\"2\"/>")));
    const auto saved = first.saveState();
    EXPECT_TRUE (contains (saved, "destinationMode=\"0\"") && contains (saved, "kReference=\"2\""));
    EXPECT_NE (saved, defaults);

    ASSERT_TRUE (second.loadState (saved));
    EXPECT_EQ (second.saveState(), saved);
}
