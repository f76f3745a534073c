#include "TarnHintLine.h"

namespace
{
juce::TextLayout wrappedLines (const juce::String& text, const juce::Font& font, juce::Colour colour, float width)
{
    juce::AttributedString attributed;
    attributed.setJustification (juce::Justification::horizontallyCentred);
    attributed.setWordWrap (juce::AttributedString::byWord);
    attributed.append (text, font, colour);

    juce::TextLayout layout;
    layout.createLayout (attributed, width);
    return layout;
}

float widestWord (const juce::String& text, const juce::Font& font)
{
    float widest = 0.0f;
    for (const auto& word : juce::StringArray::fromTokens (text, " ", {}))
        widest = juce::jmax (widest, tarn::compat::stringWidth (font, word));
    return widest;
}
} // namespace

void TarnHintLine::setOneLineBand (juce::Rectangle<int> band)
{
    oneLineBand = band;
    repaint();
}

TarnHintLine::Layout TarnHintLine::layoutFor (const juce::String& text) const
{
    Layout layout;
    layout.font = getFont();
    const auto width = (float) getWidth(), height = (float) getHeight();

    if (tarn::compat::stringWidth (layout.font, text) <= (float) oneLineBand.getWidth())
    {
        layout.fits = true;
        return layout;
    }

    layout.wrapped = true;
    const auto colour = findColour (juce::Label::textColourId);
    for (float size = getFont().getHeight(); size >= minimumHeight; size -= 0.5f)
    {
        layout.font = getFont().withHeight (size);
        layout.lines = wrappedLines (text, layout.font, colour, width);
        layout.fits = widestWord (text, layout.font) <= width && layout.lines.getHeight() <= height;
        if (layout.fits)
            break;
    }
    return layout;
}

void TarnHintLine::paint (juce::Graphics& g)
{
    const auto text = getText();
    const auto layout = layoutFor (text);
    const auto colour = findColour (juce::Label::textColourId);

    if (! layout.wrapped)
    {
        // As the kit's label drawing does it, in the band.
        g.setColour (colour);
        g.setFont (layout.font);
        const auto maxLines = juce::jmax (1, (int) ((float) oneLineBand.getHeight() / layout.font.getHeight()));
        g.drawFittedText (text, oneLineBand, getJustificationType(), maxLines, getMinimumHorizontalScale());
        return;
    }

    const auto height = layout.lines.getHeight();
    layout.lines.draw (g, { 0.0f, ((float) getHeight() - height) / 2.0f, (float) getWidth(), height });
}
