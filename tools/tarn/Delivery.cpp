#include "Delivery.h"

#include "ReadingText.h"

#include <cmath>
#include <limits>

namespace tarn::delivery
{
namespace
{
constexpr double none = std::numeric_limits<double>::quiet_NaN();

juce::String ruleText (const Target& t)
{
    switch (t.gainRule)
    {
        case GainRule::toTarget:          return "checked as delivered";
        case GainRule::downOnly:          return "turns loud programmes down, never up";
        case GainRule::upWithinPeakLimit: return "turns down, or up while the true peak stays at or below the limit";
    }
    return {};
}
} // namespace

const std::vector<Target>& targets()
{
    // Sources and their dates are in the README. Where a service documents no behaviour for quiet
    // programmes, it is taken to leave them as they are: a delivery check should not count on a
    // gain nobody promised.
    static const std::vector<Target> list {
        { "ebu-r128",     "EBU R 128",    -23.0, -1.0, 1.0,  GainRule::toTarget },
        { "atsc-a85",     "ATSC A/85",    -24.0, -2.0, 2.0,  GainRule::toTarget },
        { "spotify",      "SPOTIFY",      -14.0, -1.0, none, GainRule::upWithinPeakLimit },
        { "apple-music",  "APPLE MUSIC",  -16.0, -1.0, none, GainRule::downOnly },
        { "youtube",      "YOUTUBE",      -14.0, none, none, GainRule::downOnly },
        { "amazon-music", "AMAZON MUSIC", -14.0, -2.0, none, GainRule::downOnly },
        { "tidal",        "TIDAL",        -14.0, none, none, GainRule::downOnly },
        { "deezer",       "DEEZER",       -15.0, none, none, GainRule::downOnly },
    };
    return list;
}

const Target* find (const juce::String& key)
{
    for (const auto& t : targets())
        if (key.equalsIgnoreCase (t.key))
            return &t;
    return nullptr;
}

juce::String knownKeys()
{
    juce::StringArray keys;
    for (const auto& t : targets())
        keys.add (t.key);
    return keys.joinIntoString (", ");
}

juce::String listText()
{
    const auto cell = [] (const juce::String& text, int width) { return text.paddedRight (' ', width); };
    juce::String out;
    out << cell ("TARGET", 15) << cell ("NAME", 14) << cell ("LUFS-I", 8) << cell ("TOLERANCE", 11) << cell ("TRUE PEAK", 11) << "GAIN\n";
    for (const auto& t : targets())
        out << cell (t.key, 15) << cell (t.name, 14) << cell (text::fixedDecimals (t.integratedLufs, 1), 8)
            << cell (std::isfinite (t.toleranceLu) ? "+/-" + text::fixedDecimals (t.toleranceLu, 1) + " LU" : juce::String ("none"), 11)
            << cell (std::isfinite (t.truePeakDbtp) ? text::fixedDecimals (t.truePeakDbtp, 1) + " dBTP" : juce::String ("none"), 11)
            << ruleText (t) << "\n";
    return out;
}

Outcome deliver (const Target& t, double integratedLufs, double truePeakDbtp)
{
    Outcome o;
    o.judged = t.broadcast();
    o.measured = std::isfinite (integratedLufs);
    if (! o.measured)
    {
        o.gainDb = o.truePeakAfterDbtp = none;
        o.word = t.broadcast() ? "FAIL: NO INTEGRATED LOUDNESS" : "--";
        return o;
    }

    const double toTarget = t.integratedLufs - integratedLufs;
    switch (t.gainRule)
    {
        case GainRule::toTarget: o.gainDb = toTarget; break;
        case GainRule::downOnly: o.gainDb = std::min (toTarget, 0.0); break;
        case GainRule::upWithinPeakLimit:
            o.gainDb = toTarget <= 0 ? toTarget : std::min (toTarget, std::max (t.truePeakDbtp - truePeakDbtp, 0.0));
            break;
    }
    o.turnedUp = o.gainDb > 0 && t.gainRule != GainRule::toTarget;
    o.truePeakAfterDbtp = truePeakDbtp + o.gainDb;

    juce::StringArray problems;
    if (t.broadcast())
    {
        if (std::abs (toTarget) > t.toleranceLu)
            problems.add ("LOUDNESS " + text::figureText (integratedLufs, " LUFS", true) + ", OUTSIDE " + text::fixedDecimals (t.integratedLufs, 1)
                          + " +/-" + text::fixedDecimals (t.toleranceLu, 1) + " LU");
        if (truePeakDbtp > t.truePeakDbtp)
            problems.add ("TRUE PEAK " + text::figureText (truePeakDbtp, " dBTP", true) + ", ABOVE " + text::figureText (t.truePeakDbtp, " dBTP", true));
        o.passed = problems.isEmpty();
        o.word = o.passed ? "PASS" : "FAIL: " + problems.joinIntoString ("; ");
        return o;
    }

    // Shortfalls under a twentieth of a dB do not show at one decimal and are not reported.
    if (const double shortfall = toTarget - o.gainDb; shortfall > 0.05)
        problems.add ((o.turnedUp ? juce::String ("TURNED UP AS FAR AS ITS PEAK LIMIT, ") : juce::String ("NOT TURNED UP, "))
                      + text::fixedDecimals (shortfall, 1) + " dB UNDER TARGET");
    if (o.truePeakAfterDbtp > t.truePeakDbtp)
        problems.add ("PEAKS OVER " + text::figureText (t.truePeakDbtp, " dBTP", true));
    o.word = problems.isEmpty() ? "OK" : problems.joinIntoString ("; ");
    return o;
}

juce::String summaryLine (const Target& t, const Outcome& o)
{
    return juce::String (t.name).paddedRight (' ', 14) + text::figureText (o.gainDb, " dB", true).paddedLeft (' ', 8) + "  (peaks "
           + text::figureText (o.truePeakAfterDbtp, " dBTP", true) + " after)  " + o.word;
}
} // namespace tarn::delivery
