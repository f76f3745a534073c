#include "Plot.h"

#include "JuceCompat.h"
#include "Report.h"
#include "ToneColour.h"
#include "WeftLookAndFeel.h"

#include <cmath>

namespace tarn::plot
{
namespace
{
using weft::theme::Face;

const juce::Colour momentaryColour = weft::kTextMuted.withAlpha (0.8f);
const juce::Colour shortTermColour = weft::kAccent;
const juce::Colour tarnColour = weft::kStatusGood;
const juce::Colour integratedColour = weft::kText;
const juce::Colour targetColour = weft::kStatusWarn;
const juce::Colour truePeakColour = weft::kInfo;
const juce::Colour overColour = weft::kStatusBad;

constexpr double truePeakLimitDbtp = -1.0;   // the strip's line: an over is a 100 ms above it

// m:ss, or h:mm:ss from an hour on.
juce::String clockText (double seconds)
{
    const auto total = (int) std::llround (seconds);
    const int h = total / 3600, m = (total / 60) % 60, s = total % 60;
    const auto twoDigits = [] (int v) { return juce::String (v).paddedLeft ('0', 2); };
    return h > 0 ? juce::String (h) + ":" + twoDigits (m) + ":" + twoDigits (s) : juce::String (m) + ":" + twoDigits (s);
}

// The time between labels: the first of the usual steps that leaves room for a label.
double timeStep (double seconds, float width, float labelWidth)
{
    for (double step : { 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0, 120.0, 300.0, 600.0, 900.0, 1800.0, 3600.0, 7200.0 })
        if ((float) (step / seconds) * width >= labelWidth)
            return step;
    return 14400.0;
}

// One value per column of the plot from the history's points: points are gathered into at most
// `columns` runs (fewer when the history is short), each giving its lowest, highest and mean finite
// value at its centre time.
struct Column
{
    double seconds;
    float low, high, mean;
    bool any;
};

std::vector<Column> columnsOf (const std::vector<float>& points, int columns)
{
    const auto n = (int) points.size();
    const int runs = std::max (1, std::min (columns, n));
    std::vector<Column> out;
    out.reserve ((size_t) runs);
    for (int r = 0; r < runs; ++r)
    {
        const int first = (int) ((juce::int64) r * n / runs), last = (int) ((juce::int64) (r + 1) * n / runs);
        Column c { 0.5 * (first + last) * analyser::History::step, HUGE_VALF, -HUGE_VALF, 0.0f, false };
        double sum = 0;
        int count = 0;
        for (int i = first; i < last; ++i)
        {
            const float v = points[(size_t) i];
            if (! std::isfinite (v))
                continue;
            c.low = std::min (c.low, v);
            c.high = std::max (c.high, v);
            sum += v;
            ++count;
        }
        c.any = count > 0;
        c.mean = count > 0 ? (float) (sum / count) : 0.0f;
        out.push_back (c);
    }
    return out;
}

class Painter
{
public:
    Painter (juce::Graphics& graphics, const analyser::Result& result, const Options& options)
        : g (graphics), r (result), figures (result), width ((float) options.width)
    {
        const double step = analyser::History::step;
        duration = r.sampleRate > 0 ? std::max ((double) r.lengthInSamples / r.sampleRate, step) : step;
        if (options.target != nullptr)
        {
            targetLufs = options.target->integratedLufs;
            targetLabel = juce::String (options.target->name) + " " + text::fixedDecimals (targetLufs, 1) + " LUFS";
        }

        // The loudness scale: 0 down to -54 LUFS in steps of 6, reaching further down for a quiet
        // programme and up for one louder than full scale.
        const double integrated = figures.measured.integratedLufs;
        const double loudest = figures.measured.maxMomentaryLufs;
        loudnessTop = std::isfinite (loudest) && loudest > 0 ? 6.0 * std::ceil (loudest / 6.0) : 0.0;
        loudnessBottom = std::isfinite (integrated) ? std::min (-54.0, 6.0 * std::floor ((integrated - 18.0) / 6.0)) : -54.0;
        loudnessBottom = std::max (loudnessBottom, -96.0);
        // The strip: +3 dBTP (or the highest peak) down to 24 dB or more below the highest peak.
        const double highest = figures.maxTruePeakDbtp;
        truePeakTop = std::isfinite (highest) && highest > 3.0 ? 3.0 * std::ceil (highest / 3.0) : 3.0;
        truePeakBottom = std::isfinite (highest) ? juce::jlimit (-60.0, -24.0, 6.0 * std::floor ((highest - 24.0) / 6.0)) : -24.0;

        const float left = 62.0f, right = width - 22.0f;
        legend = { left, 62.0f, right - left, 20.0f };
        const float plotsTop = 88.0f, plotsBottom = (float) options.height - 30.0f;
        const float stripHeight = std::round ((plotsBottom - plotsTop) * 0.22f);
        loudnessArea = { left, plotsTop, right - left, plotsBottom - plotsTop - stripHeight - 12.0f };
        stripArea = { left, plotsBottom - stripHeight, right - left, stripHeight };
    }

    void paint()
    {
        g.fillAll (weft::kBackground);
        paintHeader();
        paintLegend();
        paintPasses();
        paintLoudnessGrid();
        paintLoudness();
        paintTruePeakStrip();
        paintTimeAxis();
    }

private:
    float xOf (double seconds) const { return loudnessArea.getX() + (float) (seconds / duration) * loudnessArea.getWidth(); }

    float yOfLoudness (double lufs) const
    {
        const double clamped = juce::jlimit (loudnessBottom, loudnessTop, lufs);
        return loudnessArea.getY() + (float) ((loudnessTop - clamped) / (loudnessTop - loudnessBottom)) * loudnessArea.getHeight();
    }

    float yOfTruePeak (double dbtp) const
    {
        const double clamped = juce::jlimit (truePeakBottom, truePeakTop, dbtp);
        return stripArea.getY() + (float) ((truePeakTop - clamped) / (truePeakTop - truePeakBottom)) * stripArea.getHeight();
    }

    void text (const juce::String& s, juce::Font font, juce::Colour colour, juce::Rectangle<float> area, juce::Justification j)
    {
        g.setFont (font);
        g.setColour (colour);
        g.drawText (s, area, j, true);
    }

    // The font at `height`, or smaller (down to 9) when the text would not fit `width` at it.
    static juce::Font fittedFont (Face face, float height, const juce::String& s, float width)
    {
        const float needed = tarn::compat::stringWidth (weft::theme::font (face, height), s);
        return weft::theme::font (face, needed <= width ? height : std::max (9.0f, height * width / needed));
    }

    void paintHeader()
    {
        const auto verdict = r.verdict();
        const bool noSignal = ! r.hasSignal();
        const auto verdictText = text::programmeVerdictText (verdict);
        const auto verdictColour = noSignal ? weft::kInfo : tarn::ui::colourFor (text::overallVerdictTone (verdict));

        const auto badgeFont = weft::theme::font (Face::sansBold, 18.0f);
        const float badgeWidth = tarn::compat::stringWidth (badgeFont, verdictText) + 24.0f;
        const auto badge = juce::Rectangle<float> (width - 22.0f - badgeWidth, 14.0f, badgeWidth, 30.0f);
        g.setColour (verdictColour.withAlpha (0.16f));
        g.fillRoundedRectangle (badge, 5.0f);
        g.setColour (verdictColour);
        g.drawRoundedRectangle (weft::ui::hairlineRect (badge), 5.0f, 1.0f);
        text (verdictText, badgeFont, verdictColour, badge, juce::Justification::centred);

        const float textRight = badge.getX() - 16.0f;
        text (r.name, weft::theme::font (Face::sansBold, 17.0f), weft::kText, { 22.0f, 10.0f, textRight - 22.0f, 22.0f },
              juce::Justification::centredLeft);

        const auto figuresLine = "INTEGRATED " + text::figureText (figures.measured.integratedLufs, " LUFS")
                                 + "   LRA " + text::figureText (figures.loudnessRangeLu, " LU")
                                 + "   MAX TRUE PEAK " + text::figureText (figures.maxTruePeakDbtp, " dBTP")
                                 + "   PLR " + text::figureText (figures.plrLu, " LU")
                                 + "   " + text::formatCapturedTime ((float) duration);
        text (figuresLine, fittedFont (Face::mono, 12.5f, figuresLine, textRight - 22.0f), weft::kTextMuted,
              { 22.0f, 34.0f, textRight - 22.0f, 18.0f }, juce::Justification::centredLeft);
    }

    void paintLegend()
    {
        struct Item { juce::String label; juce::Colour colour; float thickness; bool dashed; };
        const Item items[] = {
            { "MOMENTARY", momentaryColour, 1.0f, false },
            { "SHORT-TERM", shortTermColour, 2.5f, false },
            { "TARN LUFS-S", tarnColour, 1.2f, false },
            { "INTEGRATED", integratedColour, 1.2f, true },
            { targetLabel, targetColour, 1.2f, true },
        };
        // The legend takes a smaller font rather than lose an item; at the smallest it shows the
        // items that fit, never items on top of each other.
        constexpr float swatch = 24.0f, gap = 22.0f;
        const auto widthAt = [&items] (const juce::Font& f)
        {
            float w = 0;
            for (const auto& item : items)
                w += swatch + tarn::compat::stringWidth (f, item.label) + gap;
            return w;
        };
        auto font = weft::theme::font (Face::sans, 11.5f);
        for (float h = 11.0f; h >= 9.0f && widthAt (font) > legend.getWidth(); h -= 0.5f)
            font = weft::theme::font (Face::sans, h);

        float x = legend.getX();
        for (const auto& item : items)
        {
            const float y = legend.getCentreY();
            const float labelWidth = tarn::compat::stringWidth (font, item.label);
            if (x + swatch + labelWidth > legend.getRight())
                break;
            strokeLine (x, y, x + 18.0f, y, item.colour, item.thickness, item.dashed);
            text (item.label, font, weft::kTextMuted, { x + swatch, legend.getY(), labelWidth + 2.0f, legend.getHeight() }, juce::Justification::centredLeft);
            x += swatch + labelWidth + gap;
        }
    }

    void strokeLine (float x1, float y1, float x2, float y2, juce::Colour colour, float thickness, bool dashed)
    {
        g.setColour (colour);
        if (! dashed)
        {
            g.drawLine (x1, y1, x2, y2, thickness);
            return;
        }
        const float dashes[] = { 6.0f, 4.0f };
        g.drawDashedLine ({ x1, y1, x2, y2 }, dashes, 2, thickness);
    }

    // Each pass shaded in its verdict's colour across both plots, with its verdict above it when
    // there is room.
    void paintPasses()
    {
        const auto font = weft::theme::font (Face::sansBold, 10.0f);
        for (size_t i = 0; i < r.passes.size(); ++i)
        {
            const auto& pass = r.passes[i];
            const auto colour = tarn::ui::colourFor (text::overallVerdictTone (pass.verdict()));
            const float x1 = xOf (pass.startSeconds), x2 = std::max (xOf (pass.endSeconds), x1 + 1.0f);
            g.setColour (colour.withAlpha (0.07f));
            g.fillRect (juce::Rectangle<float> (x1, loudnessArea.getY(), x2 - x1, stripArea.getBottom() - loudnessArea.getY()));
            g.setColour (colour.withAlpha (0.8f));
            g.fillRect (juce::Rectangle<float> (x1, loudnessArea.getY(), x2 - x1, 3.0f));

            const auto label = (r.passes.size() > 1 ? "PASS " + juce::String (i + 1) + "  " : juce::String()) + text::overallVerdictText (pass.verdict());
            if (tarn::compat::stringWidth (font, label) + 8.0f <= x2 - x1)
                text (label, font, colour, { x1 + 4.0f, loudnessArea.getY() + 5.0f, x2 - x1 - 8.0f, 12.0f }, juce::Justification::centredLeft);
        }
    }

    // The figures on the scales and the time axis.
    static juce::Font scaleFont() { return weft::theme::font (Face::mono, 11.0f); }

    // A value on a plot's scale, right-aligned left of the plot at height y.
    void scaleLabel (double value, float y)
    {
        text (text::fixedDecimals (value, 0), scaleFont(), weft::kTextMuted,
              { 0.0f, y - 7.0f, loudnessArea.getX() - 8.0f, 14.0f }, juce::Justification::centredRight);
    }

    // A plot's unit, written upwards at the picture's left edge beside the plot.
    void unitTitle (const char* unit, const juce::Rectangle<float>& plot)
    {
        g.saveState();
        g.addTransform (juce::AffineTransform::rotation (-juce::MathConstants<float>::halfPi, 12.0f, plot.getCentreY()));
        text (unit, weft::theme::font (Face::sansBold, 10.0f), weft::kTextMuted, { -18.0f, plot.getCentreY() - 6.0f, 60.0f, 12.0f },
              juce::Justification::centred);
        g.restoreState();
    }

    void paintLoudnessGrid()
    {
        g.setColour (weft::kOutline);
        g.drawRect (loudnessArea, 1.0f);
        for (double v = loudnessTop; v >= loudnessBottom - 1e-9; v -= 6.0)
        {
            const float y = std::round (yOfLoudness (v)) + 0.5f;
            g.setColour (weft::kOutline);
            g.drawHorizontalLine ((int) y, loudnessArea.getX(), loudnessArea.getRight());
            scaleLabel (v, y);
        }
        unitTitle ("LUFS", loudnessArea);
    }

    void paintLoudness()
    {
        const auto& h = r.history;
        const int columns = std::max (1, (int) loudnessArea.getWidth());
        g.saveState();
        g.reduceClipRegion (loudnessArea.toNearestInt());

        // Momentary: thin. With more points than columns, each column from its lowest to its
        // highest value; otherwise a line through the points.
        if ((int) h.size() > columns)
        {
            g.setColour (momentaryColour);
            for (const auto& c : columnsOf (h.momentary, columns))
                if (c.any && c.high > -100.0f)
                {
                    const float x = xOf (c.seconds), top = yOfLoudness (c.high), bottom = yOfLoudness (c.low);
                    g.drawLine (x, top - 0.5f, x, std::max (bottom, top) + 0.5f, 1.0f);
                }
        }
        else
        {
            paintSeries (h.momentary, columns, momentaryColour, 1.0f);
        }

        paintSeries (h.tarnShortTerm, columns, tarnColour, 1.2f);
        paintSeries (h.shortTerm, columns, shortTermColour, 2.5f);

        const double integrated = figures.measured.integratedLufs;
        if (std::isfinite (integrated))
            strokeLine (loudnessArea.getX(), yOfLoudness (integrated), loudnessArea.getRight(), yOfLoudness (integrated), integratedColour, 1.2f, true);
        strokeLine (loudnessArea.getX(), yOfLoudness (targetLufs), loudnessArea.getRight(), yOfLoudness (targetLufs), targetColour, 1.2f, true);
        g.restoreState();
    }

    // A line through each column's mean, broken where there is no loudness (silence, the floor).
    void paintSeries (const std::vector<float>& points, int columns, juce::Colour colour, float thickness)
    {
        juce::Path path;
        bool open = false;
        for (const auto& c : columnsOf (points, columns))
        {
            if (! c.any || c.mean <= -100.0f)
            {
                open = false;
                continue;
            }
            const juce::Point<float> p (xOf (c.seconds), yOfLoudness (c.mean));
            if (open)
                path.lineTo (p);
            else
                path.startNewSubPath (p);
            open = true;
        }
        g.setColour (colour);
        g.strokePath (path, juce::PathStrokeType (thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
    }

    // The true peak of each 100 ms as a bar, overs (above -1 dBTP) in red with a mark above.
    void paintTruePeakStrip()
    {
        g.setColour (weft::kOutline);
        g.drawRect (stripArea, 1.0f);

        const int columns = std::max (1, (int) stripArea.getWidth());
        g.saveState();
        g.reduceClipRegion (stripArea.toNearestInt().withTop ((int) stripArea.getY() - 6));
        for (const auto& c : columnsOf (r.history.truePeak, columns))
        {
            if (! c.any)
                continue;
            const bool over = c.high > truePeakLimitDbtp;
            const float x = xOf (c.seconds), top = yOfTruePeak (c.high);
            g.setColour (over ? overColour : truePeakColour.withAlpha (0.7f));
            g.drawLine (x, top, x, stripArea.getBottom(), std::max (1.0f, std::min (3.0f, stripArea.getWidth() / (float) r.history.size())));
            if (over)
                g.fillRect (juce::Rectangle<float> (x - 1.5f, stripArea.getY() - 5.0f, 3.0f, 4.0f));
        }
        g.restoreState();

        const float limitY = std::round (yOfTruePeak (truePeakLimitDbtp)) + 0.5f;
        strokeLine (stripArea.getX(), limitY, stripArea.getRight(), limitY, overColour.withAlpha (0.85f), 1.0f, true);
        text (text::fixedDecimals (truePeakLimitDbtp, 0) + " dBTP", scaleFont(), overColour,
              { stripArea.getRight() - 70.0f, limitY - 15.0f, 66.0f, 13.0f }, juce::Justification::centredRight);
        for (double v : { 0.0, truePeakBottom })
            scaleLabel (v, yOfTruePeak (v));
        unitTitle ("dBTP", stripArea);
    }

    void paintTimeAxis()
    {
        const auto font = scaleFont();
        const float labelWidth = tarn::compat::stringWidth (font, clockText (duration)) + 24.0f;
        const double step = timeStep (duration, loudnessArea.getWidth(), labelWidth);
        for (double t = 0; t <= duration + 1e-9; t += step)
        {
            const float x = std::round (xOf (t)) + 0.5f;
            g.setColour (weft::kOutline.withAlpha (0.6f));
            g.drawVerticalLine ((int) x, loudnessArea.getY(), loudnessArea.getBottom());
            g.drawVerticalLine ((int) x, stripArea.getY(), stripArea.getBottom());
            // The last label stays inside the picture.
            const float left = juce::jlimit (0.0f, width - labelWidth, x - labelWidth / 2.0f);
            text (clockText (t), font, weft::kTextMuted, { left, stripArea.getBottom() + 6.0f, labelWidth, 16.0f }, juce::Justification::centred);
        }
    }

    juce::Graphics& g;
    const analyser::Result& r;
    const analyser::ReferenceFigures figures;
    const float width;
    double duration = 0;
    double targetLufs = -14.0;
    juce::String targetLabel = "STREAMING -14.0 LUFS";
    double loudnessTop = 0, loudnessBottom = -54, truePeakTop = 3, truePeakBottom = -24;
    juce::Rectangle<float> legend, loudnessArea, stripArea;
};
} // namespace

juce::Image render (const analyser::Result& result, const Options& options)
{
    juce::Image image (juce::Image::RGB, options.width, options.height, true, juce::SoftwareImageType());
    juce::Graphics g (image);
    Painter (g, result, options).paint();
    return image;
}
} // namespace tarn::plot
