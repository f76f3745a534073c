#pragma once

// The GUIDE view's content: title, introduction, the three dimension cards, the verdicts card, the
// glossary and a closing hint. One walk over the content both measures and paints, so the height
// it reports is always the height it paints.

#include "TarnGuideTheme.h"

#include <vector>

class TarnGuideView : public juce::Component
{
public:
    struct DimensionCard
    {
        juce::String title;   // dimension name, in the accent colour
        juce::String axis;    // the axis of the 3D picture it stands for
        juce::String body;
        juce::String watch;   // readouts to watch, monospaced
        juce::String fix;     // what to do when it reads badly
        juce::Colour accent;
    };

    struct GlossaryRow
    {
        juce::String term;
        juce::String meaning;
    };

    TarnGuideView();

    /** Walks the content at `width` (px), painting it when `g` is not null; returns the height (px). */
    float layoutWalk (juce::Graphics* g, float width) const;
    /** The walk's height at `width`, rounded up to whole pixels. */
    int idealHeight (int width) const;

    void paint (juce::Graphics& g) override;

    const std::vector<DimensionCard>& getCards() const noexcept { return cards; }
    const std::vector<GlossaryRow>& getGlossary() const noexcept { return glossary; }

private:
    float walkDimensionCard (juce::Graphics* g, const DimensionCard& card, float y, float width) const;
    float walkBottomLineCard (juce::Graphics* g, float y, float width) const;
    float walkGlossaryCard (juce::Graphics* g, float y, float width) const;

    std::vector<DimensionCard> cards;
    std::vector<GlossaryRow> glossary;
    juce::String intro;
    juce::String bottomLine;
    juce::String hint;
};
