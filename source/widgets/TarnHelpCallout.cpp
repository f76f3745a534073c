#include "TarnHelpCallout.h"

#include <cmath>

const std::array<ReadingHelp, 15> readingHelpTexts { {
    { "PEAK",
      "Loudest sample right now - 0 dBFS is clipping.",
      "The single loudest moment of the signal, in dBFS. Hitting 0 means digital clipping - distortion that cannot be undone later. Healthy mixes peak with headroom to spare; let the limiter take the final dB, not the mix bus." },
    { "RMS",
      "Average level - how big the track feels.",
      "Average loudness over time - how \"big\" the track feels. RMS climbing toward the peak means density is rising and dynamics are shrinking. Read it together with CREST: the gap between them is where the punch lives." },
    { "CREST",
      "Peak minus RMS - the punch gap.",
      "Peak minus RMS, in dB - the punch gap. Dynamic mixes live above 10; dense club masters run 7-9 by design; under ~6 means crushed for any genre. If CREST keeps shrinking as you push level, Brimstop gets you loud while protecting the gap." },
    { "PEAK HOLD",
      "Highest recent peak, held so you can catch it.",
      "The highest peak seen recently, held on screen so you can catch transients you would otherwise miss while watching the needle. RESET clears it along with the rest of the measurement history." },
    { "TRUE PEAK",
      "Real peak after conversion - keep under -1 dBTP.",
      "The real waveform peak after digital-to-analogue reconstruction, including the inter-sample peaks ordinary PEAK misses. Streaming encoders clip above 0 dBTP - keep it under -1 dBTP for clean transcodes everywhere." },
    { "PUNCH",
      "Transient life left: Crushed > Alive > Live.",
      "How much transient life is left: CRUSHED > ALIVE > LIVE. This is the DEPTH dimension - punch is what makes sounds jump toward you. Reading CRUSHED? Brimstop trades level for punch far more gently than a limiter." },
    { "LUFS-S",
      "Loudness as the ear hears it, last 3 seconds.",
      "Loudness as the ear hears it, measured over the last 3 seconds. Use it to compare sections - does the chorus actually feel louder than the verse, or is it just brighter?" },
    { "LUFS-I",
      "Whole-programme loudness - the right number depends on destination.",
      "Average loudness of everything played since reset - the number streaming services normalise to. On streaming (~-14 LUFS playback), louder masters just get turned down - the push costs transients and buys nothing. Clubs, DJ pools and sync have no normalisation - level still wins there. There is no single right number: pick the destination first, then spend loudness like money." },
    { "SIDE AIR",
      "Top-end in the sides: Low > Balanced > High.",
      "High-frequency energy in the stereo sides: LOW > BALANCED > HIGH. Open side-air is what makes a mix feel wide and expensive. Reading LOW? Gleamer adds the air without the harshness." },
    { "SILK",
      "Top-end sheen: Dull > Silky > Glossy.",
      "Top-end sheen: DULL > SILKY > GLOSSY. The CLARITY dimension's headline - open top lifts the whole mix. DULL wants Gleamer; GLOSSY warns you have gone past sheen into hiss territory." },
    { "CENTRE WEIGHT",
      "Energy anchored in the centre: Weak > Solid > Heavy.",
      "How much energy anchors the phantom centre: WEAK > SOLID > HEAVY. A weak centre makes vocals and bass feel detached from the track; HEAVY drowns the sides. Keelhold keeps the low end solid and centred." },
    { "FORWARD MID",
      "Presence energy: Recessed > Forward > Strong.",
      "Presence-band energy that pushes elements toward the listener: RECESSED > FORWARD > STRONG. RECESSED mixes sound far away on small speakers. Nookcutter carves each element its own pocket so the mids read clearly." },
    { "LOW WIDTH RISK",
      "Stereo width below the bass line - mono safety.",
      "Stereo width below the bass line. Wide lows cancel in mono - the mix vanishes on phones and club systems. Reading HIGH? Keelhold folds the low end to solid mono without touching the width up top." },
    { "TRANSLATION",
      "The bottom line - will it hold up everywhere?",
      "The bottom line: all three dimensions combined into one verdict. Will this mix hold together on a phone speaker, in a car, and on a club rig? A strong TRANSLATION score means what you hear is what everyone gets." },
    { "PUSH DAMAGE",
      "The price tag on loudness - a receipt, not a verdict.",
      "What pushing the level is costing right now, and which dimension pays first. Read it as a receipt, not a rule: in clubs and DJ sets there is no normalisation, so loud genuinely wins - MED can be a fair price there. Streaming turns everything down to about -14 LUFS, so the same push buys nothing and only the damage survives. Loudness-war-era CD masters read HIGH here at unity - that is exactly why streaming re-masters deliver at -1 dBTP and lower loudness. Set TARGET to calibrate the verdict for where the track is going." },
} };

TarnHelpCallout::TarnHelpCallout (juce::String titleText, juce::String bodyText)
    : title (std::move (titleText)), body (std::move (bodyText))
{
    const auto size = contentSize (body);
    setSize (size.getWidth(), size.getHeight());
}

juce::Rectangle<int> TarnHelpCallout::contentSize (const juce::String& body)
{
    // Measured with the same routine, font and width that paint uses, so the text ends exactly one
    // margin above the bottom edge.
    const auto textHeight = weft::wrappedText (nullptr, body, guideBodyFont(), kGuideBody, 0.0f, 0.0f,
                                               (float) (contentWidth - 2 * margin));
    return { contentWidth, (int) std::ceil (textHeight + (float) bodyTop + (float) margin) };
}

void TarnHelpCallout::paint (juce::Graphics& g)
{
    // No background: the call-out box behind this content paints it.
    const auto innerWidth = juce::jmax (0, getWidth() - 2 * margin);
    g.setFont (guideKickerFont());
    g.setColour (kGuideHeading);
    g.drawText (title, margin, margin, innerWidth, 18, juce::Justification::centredLeft, true);

    weft::wrappedText (&g, body, guideBodyFont(), kGuideBody, (float) margin, (float) bodyTop, (float) innerWidth);
}
