#include "TarnRow.h"

namespace
{
using weft::theme::Face;

constexpr int rowMargin = 14;            // px, text inset on both sides of a row
constexpr int captionColumnWidth = 122;  // px, caption column of a diagnostic row

void drawLine (juce::Graphics& g, const juce::String& text, juce::Font font, juce::Colour colour,
               juce::Rectangle<int> area, juce::Justification justification)
{
    g.setFont (font);
    g.setColour (colour);
    g.drawFittedText (text, area, justification, 1);
}

// A value in the monospaced column: its leading spaces right-align padded numbers (decimal points
// in line down the column). The fitted-text drawing trims them, so they are drawn as an indent.
void drawPaddedValue (juce::Graphics& g, const juce::String& text, juce::Font font, juce::Colour colour,
                      juce::Rectangle<int> area)
{
    int leadingSpaces = 0;
    while (text[leadingSpaces] == ' ')
        ++leadingSpaces;
    const auto indent = juce::roundToInt (tarn::compat::stringWidth (font, juce::String::repeatedString (" ", leadingSpaces)));
    drawLine (g, text.substring (leadingSpaces), font, colour, area.withTrimmedLeft (juce::jmin (indent, area.getWidth())),
              juce::Justification::centredLeft);
}
} // namespace

void TarnRow::setStyle (Style newStyle)
{
    style = newStyle;
    repaint();
}

void TarnRow::setAlternate (bool shouldAlternate)
{
    alternate = shouldAlternate;
    repaint();
}

void TarnRow::setContent (const juce::String& newLabel, const juce::String& newValue, juce::Colour newValueColour)
{
    label = newLabel;
    value = newValue;
    valueColour = newValueColour;
    repaint();
}

void TarnRow::mouseUp (const juce::MouseEvent& e)
{
    if (onClick && getLocalBounds().contains (e.getPosition()))
        onClick();
}

void TarnRow::paint (juce::Graphics& g)
{
    const auto frame = weft::ui::hairlineRect (getLocalBounds().toFloat());
    if (style == Style::verdict)
        paintVerdict (g, frame);
    else
        paintDiagnostic (g, frame);
}

void TarnRow::paintVerdict (juce::Graphics& g, juce::Rectangle<float> r)
{
    constexpr float cornerRadius = 7.0f;
    juce::ColourGradient fill (juce::Colour (0xff182329), r.getTopLeft(), juce::Colour (0xff0f1518), r.getBottomRight(), false);
    fill.addColour (0.72, valueColour.withAlpha (0.10f));
    g.setGradientFill (tarn::compat::blendedAsJuce7 (fill));
    g.fillRoundedRectangle (r, cornerRadius);
    g.setColour (valueColour.withAlpha (0.36f));
    g.drawRoundedRectangle (r, cornerRadius, 1.1f);

    const auto innerWidth = juce::jmax (0, getWidth() - 2 * rowMargin);
    const auto innerHeight = juce::jmax (0, getHeight() - 16);
    const auto captionHeight = juce::jmin (innerHeight, 15);
    const auto gap = juce::jmin (innerHeight - captionHeight, 3);

    drawLine (g, label, weft::theme::font (Face::sansBold, 11.5f), juce::Colour (0xff8fa2ab),
              { rowMargin, 8, innerWidth, captionHeight }, juce::Justification::centredLeft);
    drawLine (g, value, weft::theme::font (Face::monoBold, 18.0f), valueColour,
              { rowMargin, 8 + captionHeight + gap, innerWidth, innerHeight - captionHeight - gap },
              juce::Justification::centredLeft);
}

void TarnRow::paintDiagnostic (juce::Graphics& g, juce::Rectangle<float> r)
{
    constexpr float cornerRadius = 5.0f;
    g.setColour (juce::Colour (alternate ? 0xff151d21 : 0xff121a1e));
    g.fillRoundedRectangle (r, cornerRadius);
    g.setColour (juce::Colour (0xff243138).withAlpha (alternate ? 0.62f : 0.42f));
    g.drawRoundedRectangle (r, cornerRadius, 0.8f);

    g.setColour (juce::Colour (0xff2a3940).withAlpha (0.34f));
    g.drawHorizontalLine (getHeight() - 1, (float) rowMargin, (float) (getWidth() - rowMargin));

    const auto available = juce::jmax (0, getWidth() - 2 * rowMargin);
    const auto captionWidth = juce::jmin (available, captionColumnWidth);
    const auto valueWidth = juce::jmax (0, available - captionWidth);

    drawLine (g, label, weft::theme::font (Face::sansBold, 12.0f), juce::Colour (0xff80939c),
              { rowMargin, 0, captionWidth, getHeight() }, juce::Justification::centredLeft);
    drawPaddedValue (g, value, weft::theme::font (Face::monoBold, 16.0f), valueColour,
                     { rowMargin + captionWidth, 0, valueWidth, getHeight() });
}

//==============================================================================
void TarnStatusPill::setStatus (const juce::String& newLabel, const juce::String& newValue, juce::Colour newColour)
{
    label = newLabel;
    value = newValue;
    colour = newColour;
    repaint();
}

void TarnStatusPill::paint (juce::Graphics& g)
{
    const auto r = weft::ui::hairlineRect (getLocalBounds().toFloat());
    const auto radius = r.getHeight() / 2.0f;
    const auto base = colour.darker (0.86f);

    juce::ColourGradient fill (base.brighter (0.16f), 0.0f, r.getY(), base.darker (0.22f), 0.0f, r.getBottom(), false);
    fill.addColour (0.58, colour.withAlpha (0.2f));
    g.setGradientFill (tarn::compat::blendedAsJuce7 (fill));
    g.fillRoundedRectangle (r, radius);
    g.setColour (colour.withAlpha (0.55f));
    g.drawRoundedRectangle (r, radius, 1.0f);

    const auto inner = juce::jmax (0, getWidth() - 24);
    const auto captionWidth = juce::jmin (inner, juce::roundToInt ((float) inner * 0.62f));
    const auto rest = inner - captionWidth;
    const auto gap = juce::jmin (rest, 6);

    drawLine (g, label, weft::theme::font (Face::sansBold, 10.5f), colour.withAlpha (0.78f),
              { 12, 0, captionWidth, getHeight() }, juce::Justification::centredLeft);
    drawLine (g, value, weft::theme::font (Face::monoBold, 12.5f), colour,
              { 12 + captionWidth + gap, 0, rest - gap, getHeight() }, juce::Justification::centredRight);
}
