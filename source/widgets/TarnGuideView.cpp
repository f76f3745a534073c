#include "TarnGuideView.h"

#include <cmath>

namespace
{
constexpr float cardGap = 12.0f;         // px between cards
constexpr float kickerHeight = 17.0f;    // px, card headings
constexpr float glossaryTermWidth = 92.0f;
constexpr float glossaryMinLine = 14.0f; // px, a row is never shorter than one line

void paintCard (juce::Graphics& g, float y, float width, float height, juce::Colour border)
{
    g.setColour (kGuideCardBg);
    g.fillRoundedRectangle ({ 0.0f, y, width, height }, 8.0f);
    g.setColour (border);
    g.drawRoundedRectangle ({ 0.5f, y + 0.5f, juce::jmax (width - 1.0f, 0.0f), juce::jmax (height - 1.0f, 0.0f) }, 8.0f, 1.1f);
}

void drawHeading (juce::Graphics& g, const juce::String& text, juce::Font font, juce::Colour colour,
                  juce::Rectangle<float> area)
{
    g.setFont (font);
    g.setColour (colour);
    g.drawText (text, area, juce::Justification::centredLeft, true);
}

float measure (const juce::String& text, const juce::Font& font, float width)
{
    return weft::wrappedText (nullptr, text, font, {}, 0.0f, 0.0f, width);
}
} // namespace

TarnGuideView::TarnGuideView()
{
    intro = "A finished mix has three dimensions. Tarn tells you which one is slipping - and which plugin in the chain fixes it.";

    cards = {
        { "DEPTH", "front to back - punch & dynamics",
          "Punch is what makes a sound jump toward you. Keep the dynamics alive and the mix breathes front-to-back; crush them and it flattens into a 2D wall.",
          "WATCH   CREST  -  PUNCH (Crushed > Alive > Live)  -  TRUE PEAK headroom",
          "Reads CRUSHED or losing impact?  Brimstop gets you loud without flattening the punch.",
          kDepthAccent },
        { "WIDTH", "left to right - stereo image & low-end discipline",
          "Width comes from spreading the highs while keeping the lows tight and centred. Wide bass collapses the image and vanishes on phones and club mono.",
          "WATCH   LOW WIDTH RISK  -  SIDE AIR (Low > Balanced > High)  -  CENTRE WEIGHT (Weak > Solid > Heavy)",
          "Width risk HIGH or a weak centre?  Keelhold locks the low end solid and centred.",
          kWidthAccent },
        { "CLARITY", "top to bottom - separation & air",
          "Every element needs its own pocket so nothing masks. Open top-end air lifts a mix; mud and clashes close it down.",
          "WATCH   SILK (Dull > Silky > Glossy)  -  FORWARD MID (Recessed > Forward > Strong)",
          "DULL or RECESSED?  Gleamer adds the air - Nookcutter carves the space.",
          kClarityAccent },
    };

    bottomLine = "TRANSLATION rolls all three dimensions into one verdict. A strong score means the mix sounds right everywhere: "
                 "studio, phone, car, club. And how loud is right? Depends where it's going. Streaming normalises playback to "
                 "about -14 LUFS - louder masters just get turned down, keeping the damage and losing the loudness. Clubs and DJ "
                 "sets have no normalisation - level still wins there. PUSH DAMAGE is the price tag on loudness; set TARGET for "
                 "your destination and decide if the price is worth paying. The meter's job is to keep the price visible - not to "
                 "tell you what your genre should sound like.";

    glossary = {
        { "PEAK", "the single loudest moment; over 0 dBFS it clips." },
        { "PEAK HOLD", "the highest recent peak, held so you can catch transients you'd miss." },
        { "RMS", "average loudness; how \"big\" it sounds." },
        { "CREST", "the gap between peaks and average = how punchy / dynamic." },
        { "TRUE PEAK", "the real peak after streaming conversion; keep under -1 dBTP." },
        { "LUFS-S", "how loud it feels right now (last 3 seconds)." },
        { "LUFS-I", "overall average loudness; streaming target around -14 LUFS." },
        { "PUSH DAMAGE", "the price tag on loudness - what the push costs, not a verdict on your genre." },
        { "TARGET", "calibrates the PUSH DAMAGE verdict for the destination: STREAM strict, CLUB tolerant." },
    };

    hint = "Hover any reading on the LIVE view for a quick hint - click it for the full story.";
}

float TarnGuideView::layoutWalk (juce::Graphics* g, float width) const
{
    if (g != nullptr)
        drawHeading (*g, "THE 3D MIX", weft::theme::font (weft::theme::Face::sansBold, 17.0f).withExtraKerningFactor (0.1f),
                     kGuideHeading, { 0.0f, 0.0f, width, 22.0f });

    // The title takes no height of its own: the introduction always starts at y = 24.
    auto y = 24.0f + weft::wrappedText (g, intro, guideBodyFont(), kGuideBody, 0.0f, 24.0f, width) + 14.0f;

    for (const auto& card : cards)
        y = walkDimensionCard (g, card, y, width);
    y = walkBottomLineCard (g, y, width);
    y = walkGlossaryCard (g, y, width);

    y += weft::wrappedText (g, hint, guideHintFont(), kGuideMuted, 16.0f, y, width - 32.0f);
    return y + 8.0f;
}

float TarnGuideView::walkDimensionCard (juce::Graphics* g, const DimensionCard& card, float y, float width) const
{
    const auto textWidth = width - 44.0f;
    const auto bodyHeight = measure (card.body, guideBodyFont(), textWidth);
    const auto watchHeight = measure (card.watch, guideWatchFont(), textWidth);
    const auto fixHeight = measure (card.fix, guideBodyFont(), textWidth);
    const auto height = 36.0f + bodyHeight + 8.0f + watchHeight + 7.0f + fixHeight + 12.0f;

    if (g != nullptr)
    {
        paintCard (*g, y, width, height, card.accent.withAlpha (0.3f));
        g->setColour (card.accent.withAlpha (0.85f));
        g->fillRoundedRectangle ({ 13.0f, y + 12.0f, 3.0f, height - 24.0f }, 1.5f);

        const auto kicker = guideKickerFont();
        const auto titleWidth = tarn::compat::stringWidth (kicker, card.title);
        drawHeading (*g, card.title, kicker, card.accent, { 28.0f, y + 12.0f, titleWidth + 4.0f, kickerHeight });
        drawHeading (*g, card.axis, guideBodyFont(), kGuideMuted, { titleWidth + 40.0f, y + 12.0f, width - 56.0f - titleWidth, kickerHeight });

        auto textY = y + 36.0f;
        textY += weft::wrappedText (g, card.body, guideBodyFont(), kGuideBody, 28.0f, textY, textWidth) + 8.0f;
        textY += weft::wrappedText (g, card.watch, guideWatchFont(), card.accent.withAlpha (0.85f), 28.0f, textY, textWidth) + 7.0f;
        weft::wrappedText (g, card.fix, guideBodyFont(), kGuideHeading, 28.0f, textY, textWidth);
    }
    return y + height + cardGap;
}

float TarnGuideView::walkBottomLineCard (juce::Graphics* g, float y, float width) const
{
    const auto textWidth = width - 32.0f;
    const auto height = 35.0f + measure (bottomLine, guideBodyFont(), textWidth) + 12.0f;

    if (g != nullptr)
    {
        paintCard (*g, y, width, height, kGuideCardBorder);
        drawHeading (*g, "THE BOTTOM LINE", guideKickerFont(), kGuideHeading, { 16.0f, y + 12.0f, width - 32.0f, kickerHeight });
        weft::wrappedText (g, bottomLine, guideBodyFont(), kGuideBody, 16.0f, y + 35.0f, textWidth);
    }
    return y + height + cardGap;
}

float TarnGuideView::walkGlossaryCard (juce::Graphics* g, float y, float width) const
{
    // Definitions sit right of a 92 px term column and a 10 px gap, inside 16 px card margins.
    const auto definitionWidth = width - 134.0f;
    std::vector<float> rowHeights;
    for (const auto& row : glossary)
        rowHeights.push_back (juce::jmax (measure (row.meaning, guideBodyFont(), definitionWidth), glossaryMinLine) + 6.0f);

    auto rowsHeight = 0.0f;
    for (auto h : rowHeights)
        rowsHeight += h;
    const auto height = glossary.empty() ? 43.0f : 37.0f + rowsHeight - 6.0f + 12.0f;

    if (g != nullptr)
    {
        paintCard (*g, y, width, height, kGuideCardBorder);
        drawHeading (*g, "READOUTS IN PLAIN ENGLISH", guideKickerFont(), kGuideHeading, { 16.0f, y + 12.0f, width - 32.0f, kickerHeight });

        auto rowY = y + 37.0f;
        for (size_t i = 0; i < glossary.size(); ++i)
        {
            g->setFont (weft::theme::font (weft::theme::Face::monoBold, 11.0f));
            g->setColour (kGuideHeading);
            g->drawText (glossary[i].term, juce::Rectangle<float> { 16.0f, rowY, glossaryTermWidth, glossaryMinLine },
                         juce::Justification::topLeft, true);
            weft::wrappedText (g, glossary[i].meaning, guideBodyFont(), kGuideBody, 118.0f, rowY - 1.0f, definitionWidth);
            rowY += rowHeights[i];
        }
    }
    return y + height + cardGap;
}

int TarnGuideView::idealHeight (int width) const
{
    return (int) std::ceil (layoutWalk (nullptr, (float) width));
}

void TarnGuideView::paint (juce::Graphics& g)
{
    layoutWalk (&g, (float) getWidth());
}
