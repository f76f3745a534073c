#include "Arguments.h"

#include "OutputFile.h"
#include "Plot.h"

namespace tarn::cli
{
juce::String Arguments::numberedPath (const juce::String& path, int index, int count)
{
    if (count <= 1 || path == "-")
        return path;
    const int slash = path.lastIndexOfChar ('/');
    const int dot = path.lastIndexOfChar ('.');
    const int split = dot > slash + 1 ? dot : path.length();   // a leading dot is not an extension
    return path.substring (0, split) + "-" + juce::String (index + 1) + path.substring (split);
}

namespace
{
// "1200x600" (or with a multiplication sign): each a whole number within the picture's limits.
bool parsePlotSize (const juce::String& v, int& width, int& height)
{
    const auto parts = juce::StringArray::fromTokens (v.replace (juce::CharPointer_UTF8 ("\xc3\x97"), "x").toLowerCase(), "x", "");
    if (parts.size() != 2)
        return false;
    for (const auto& p : parts)
        if (p.isEmpty() || p.length() > 5 || ! p.containsOnly ("0123456789"))
            return false;
    width = parts[0].getIntValue();
    height = parts[1].getIntValue();
    return width >= plot::minWidth && width <= plot::maxWidth && height >= plot::minHeight && height <= plot::maxHeight;
}
} // namespace

bool parseAnalyseArguments (const juce::StringArray& args, Arguments& out, juce::String& error)
{
    bool optionsEnded = false;
    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];
        if (optionsEnded || arg == "-" || ! arg.startsWith ("-"))
        {
            out.files.add (arg);
            continue;
        }

        // The option's value: the next argument, whatever it looks like ("-" is standard output).
        juce::String v;
        const auto takeValue = [&]
        {
            if (i + 1 >= args.size())
            {
                error = arg + " needs a value";
                return false;
            }
            v = args[++i];
            return true;
        };

        if (arg == "--")
            optionsEnded = true;
        else if (arg == "-h" || arg == "--help")
            out.help = true;
        else if (arg == "-q" || arg == "--quiet")
            out.quiet = true;
        else if (arg == "--no-reference")
            out.options.reference = false;
        else if (arg == "--target")
        {
            if (! takeValue())
                return false;
            if (v == "off") out.options.destinationMode = 0;
            else if (v == "stream") out.options.destinationMode = 1;
            else if (v == "club") out.options.destinationMode = 2;
            else { error = "--target takes off, stream or club"; return false; }
        }
        else if (arg == "--block")
        {
            if (! takeValue())
                return false;
            if (! v.containsOnly ("0123456789") || v.isEmpty() || v.length() > 7 || v.getIntValue() < 1 || v.getIntValue() > 1048576)
            {
                error = "--block takes a whole number from 1 to 1048576";
                return false;
            }
            out.options.blockSize = v.getIntValue();
        }
        else if (arg == "-j" || arg == "--jobs")
        {
            if (! takeValue())
                return false;
            if (! v.containsOnly ("0123456789") || v.isEmpty() || v.length() > 4 || v.getIntValue() < 1 || v.getIntValue() > 1024)
            {
                error = arg + " takes a whole number from 1 to 1024";
                return false;
            }
            out.jobs = v.getIntValue();
        }
        else if (arg == "--json" || arg == "--csv" || arg == "--plot")
        {
            if (! takeValue())
                return false;
            if (v.isEmpty())
            {
                error = arg + " needs a file name, or - for standard output";
                return false;
            }
            (arg == "--json" ? out.jsonPath : arg == "--csv" ? out.csvPath : out.plotPath) = v;
            out.options.recordCsv = out.csvPath.isNotEmpty();
            out.options.recordHistory = out.plotPath.isNotEmpty();
        }
        else if (arg == "--plot-size")
        {
            if (! takeValue())
                return false;
            if (! parsePlotSize (v, out.plotWidth, out.plotHeight))
            {
                error = "--plot-size takes WIDTHxHEIGHT in pixels, from " + juce::String (plot::minWidth) + "x" + juce::String (plot::minHeight)
                        + " to " + juce::String (plot::maxWidth) + "x" + juce::String (plot::maxHeight);
                return false;
            }
        }
        else if (arg == "--deliver")
        {
            if (! takeValue())
                return false;
            if (v.trim().isEmpty())
            {
                error = "--deliver needs a target name; the known ones: " + delivery::knownKeys();
                return false;
            }
            for (const auto& name : juce::StringArray::fromTokens (v, ",", ""))
            {
                const auto* target = delivery::find (name.trim());
                if (target == nullptr)
                {
                    error = "unknown delivery target '" + name.trim() + "'; the known ones: " + delivery::knownKeys();
                    return false;
                }
                if (std::find (out.deliver.begin(), out.deliver.end(), target) == out.deliver.end())
                    out.deliver.push_back (target);
            }
        }
        else if (arg == "--fail-on")
        {
            if (! takeValue())
                return false;
            // Several conditions, comma-separated or in several options, all apply: the lowest
            // verdict level named is the one that fails.
            const auto failAt = [&out] (text::OverallVerdict level)
            {
                out.failOnLevel = out.failOnLevel == 0 ? (int) level : std::min (out.failOnLevel, (int) level);
            };
            const auto conditions = juce::StringArray::fromTokens (v, ",", "");
            bool known = ! conditions.isEmpty();
            for (const auto& condition : conditions)
            {
                if (condition == "watch") failAt (text::OverallVerdict::watch);
                else if (condition == "pushed") failAt (text::OverallVerdict::pushed);
                else if (condition == "deliver") out.failOnDeliver = true;
                else known = false;
            }
            if (! known)
            {
                error = "--fail-on takes watch, pushed or deliver (several separated by commas)";
                return false;
            }
        }
        else
        {
            error = "unknown option " + arg + " (a file whose name starts with '-' goes after --)";
            return false;
        }
    }

    if ((out.jsonPath == "-") + (out.csvPath == "-") + (out.plotPath == "-") > 1)
    {
        error = "only one of --json, --csv and --plot can take standard output";
        return false;
    }
    if (out.csvPath == "-" && out.files.size() > 1)
    {
        error = "--csv - takes one file: each file's recording is a CSV of its own";
        return false;
    }
    if (out.plotPath == "-" && out.files.size() > 1)
    {
        error = "--plot - takes one file: each file's picture is a PNG of its own";
        return false;
    }
    // Delivery and the picture are worked out from the standard loudness.
    if (! out.options.reference && (! out.deliver.empty() || out.plotPath.isNotEmpty()))
    {
        error = juce::String (out.plotPath.isNotEmpty() ? "--plot" : "--deliver") + " needs the standard loudness, which --no-reference skips";
        return false;
    }
    if (out.failOnDeliver && out.deliver.empty())
    {
        error = "--fail-on deliver needs --deliver NAME";
        return false;
    }
    return true;
}

bool checkOutputs (const Arguments& a, juce::String& error)
{
    const auto check = [&error] (const char* option, const juce::String& path)
    {
        const auto problem = output::problemWith (path);
        if (problem.isNotEmpty())
            error = juce::String (option) + " " + path + ": " + problem;
        return problem.isEmpty();
    };

    if (a.jsonPath.isNotEmpty() && ! check ("--json", a.jsonPath))
        return false;
    const int count = juce::jmax (1, a.files.size());
    for (int i = 0; a.csvPath.isNotEmpty() && i < count; ++i)
        if (! check ("--csv", a.csvPathFor (i, count)))
            return false;
    for (int i = 0; a.plotPath.isNotEmpty() && i < count; ++i)
        if (! check ("--plot", a.plotPathFor (i, count)))
            return false;
    return true;
}
} // namespace tarn::cli
