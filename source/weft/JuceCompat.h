#pragma once

// Every difference between JUCE 7 (Debian's 7.0.5) and JUCE 8 that Tarn's code meets lives here,
// so the rest of the code is written once, in JUCE 8's spelling, and builds on both.

#include <juce_core/juce_core.h>

#if JUCE_MAJOR_VERSION >= 8
 #define TARN_JUCE8 1
#else
 #define TARN_JUCE8 0
#endif

#include <juce_graphics/juce_graphics.h>

#if ! TARN_JUCE8
namespace juce
{
/** How a typeface's ascent and descent are measured. JUCE 8 defaults to "portable" metrics, which
    lay text out a little differently from JUCE 7's (its only kind, "legacy"); Tarn asks for legacy
    metrics so both versions place text alike. */
enum class TypefaceMetricsKind { legacy, portable };

/** JUCE 8's font description, reduced to what Tarn uses, so fonts are written one way on both
    versions: `juce::Font (juce::FontOptions().withTypeface (t).withHeight (13.0f))`. */
class FontOptions
{
public:
    FontOptions() = default;
    explicit FontOptions (float fontHeight) : height (fontHeight) {}

    [[nodiscard]] FontOptions withName (const String& x) const   { auto o = *this; o.name = x; return o; }
    [[nodiscard]] FontOptions withStyle (const String& x) const  { auto o = *this; o.style = x; return o; }
    [[nodiscard]] FontOptions withHeight (float x) const         { auto o = *this; o.height = x; return o; }
    [[nodiscard]] FontOptions withKerningFactor (float x) const  { auto o = *this; o.kerning = x; return o; }
    [[nodiscard]] FontOptions withMetricsKind (TypefaceMetricsKind) const { return *this; }   // JUCE 7 has only legacy metrics
    [[nodiscard]] FontOptions withTypeface (Typeface::Ptr x) const
    {
        auto o = *this;
        o.typeface = x;
        if (x != nullptr) { o.name = x->getName(); o.style = x->getStyle(); }
        return o;
    }

    operator Font() const
    {
        Font f = typeface != nullptr ? Font (typeface)
                                     : Font (name.isEmpty() ? Font::getDefaultSansSerifFontName() : name,
                                             style.isEmpty() ? String ("Regular") : style, height);
        return f.withHeight (height).withExtraKerningFactor (kerning);
    }

private:
    String name, style;
    float height = 15.0f;   // JUCE 8's default height
    float kerning = 0.0f;
    Typeface::Ptr typeface;
};
} // namespace juce
#endif

namespace tarn::compat
{
/** Width of a line of text in a font (GlyphArrangement::getStringWidth from JUCE 8.0.3 on). */
inline float stringWidth (const juce::Font& font, const juce::String& text)
{
   #if TARN_JUCE8 && (JUCE_MAJOR_VERSION > 8 || JUCE_MINOR_VERSION > 0 || JUCE_BUILDNUMBER >= 3)
    return juce::GlyphArrangement::getStringWidth (font, text);
   #else
    juce::GlyphArrangement glyphs;
    glyphs.addLineOfText (font, text, 0.0f, 0.0f);
    return glyphs.getBoundingBox (0, -1, true).getWidth();
   #endif
}

/** A gradient as JUCE 7 blends it. JUCE 7 interpolates between stops in premultiplied colour, JUCE
    8 in unpremultiplied colour, so stops of different alpha and colour (a tint fading into an
    opaque fill) draw differently. On JUCE 8 each span gets enough extra stops, blended as JUCE 7
    blends them, that both versions draw the same picture; on JUCE 7 it is the gradient as given. */
inline juce::ColourGradient blendedAsJuce7 (juce::ColourGradient gradient)
{
   #if TARN_JUCE8
    constexpr int stepsPerSpan = 16;
    juce::ColourGradient blended (gradient);
    blended.clearColours();
    for (int i = 0; i + 1 < gradient.getNumColours(); ++i)
    {
        const auto from = gradient.getColour (i).getPixelARGB(), to = gradient.getColour (i + 1).getPixelARGB();
        const auto start = gradient.getColourPosition (i), end = gradient.getColourPosition (i + 1);
        for (int step = 0; step < stepsPerSpan; ++step)
        {
            auto pixel = from;
            pixel.tween (to, (juce::uint32) ((step << 8) / stepsPerSpan));
            pixel.unpremultiply();
            blended.addColour (start + (end - start) * step / stepsPerSpan,
                               juce::Colour (pixel.getRed(), pixel.getGreen(), pixel.getBlue(), pixel.getAlpha()));
        }
    }
    blended.addColour (gradient.getColourPosition (gradient.getNumColours() - 1), gradient.getColour (gradient.getNumColours() - 1));
    return blended;
   #else
    return gradient;
   #endif
}
} // namespace tarn::compat
