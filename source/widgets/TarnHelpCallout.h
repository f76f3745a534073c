#pragma once

// Reading help: the hint and the long help of every LIVE reading, and the call-out that shows the
// long help when a row is clicked.

#include "TarnGuideTheme.h"

#include <array>

struct ReadingHelp
{
    const char* title;   // the row's caption
    const char* hint;    // one line for the header's hint line
    const char* help;    // the call-out's paragraph
};

// In the order the LIVE rows are declared: PEAK .. LOW WIDTH RISK, then TRANSLATION, PUSH DAMAGE.
extern const std::array<ReadingHelp, 15> readingHelpTexts;

/** The content of a reading-help call-out: the reading's name and its help paragraph, laid out with
    the guide's text styles. Sized by `contentSize` so the paragraph is never cut. */
class TarnHelpCallout : public juce::Component
{
public:
    static constexpr int contentWidth = 312;   // px
    static constexpr int margin = 14;          // px, on all four sides
    static constexpr int bodyTop = 38;         // px, below the title band (y 14, 18 high)

    TarnHelpCallout (juce::String titleText, juce::String bodyText);
    ~TarnHelpCallout() override = default;

    /** The size the call-out content needs for `body`: 312 wide, the wrapped body plus margins. */
    static juce::Rectangle<int> contentSize (const juce::String& body);

    void paint (juce::Graphics&) override;

    const juce::String& getTitle() const noexcept { return title; }
    const juce::String& getBody() const noexcept { return body; }

private:
    juce::String title;
    juce::String body;
};
