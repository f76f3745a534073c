#include "Arguments.h"

#include "OutputFile.h"

namespace tarn::cli
{
juce::String Arguments::csvPathFor (int index, int count) const
{
    if (count <= 1 || csvPath == "-")
        return csvPath;
    const int slash = csvPath.lastIndexOfChar ('/');
    const int dot = csvPath.lastIndexOfChar ('.');
    const int split = dot > slash + 1 ? dot : csvPath.length();   // a leading dot is not an extension
    return csvPath.substring (0, split) + "-" + juce::String (index + 1) + csvPath.substring (split);
}

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
        else if (arg == "--json" || arg == "--csv")
        {
            if (! takeValue())
                return false;
            if (v.isEmpty())
            {
                error = arg + " needs a file name, or - for standard output";
                return false;
            }
            (arg == "--json" ? out.jsonPath : out.csvPath) = v;
            out.options.recordCsv = out.csvPath.isNotEmpty();
        }
        else if (arg == "--fail-on")
        {
            if (! takeValue())
                return false;
            if (v == "watch") out.failOnLevel = (int) text::OverallVerdict::watch;
            else if (v == "pushed") out.failOnLevel = (int) text::OverallVerdict::pushed;
            else { error = "--fail-on takes watch or pushed"; return false; }
        }
        else
        {
            error = "unknown option " + arg + " (a file whose name starts with '-' goes after --)";
            return false;
        }
    }

    if (out.jsonPath == "-" && out.csvPath == "-")
    {
        error = "--json - and --csv - cannot both take standard output";
        return false;
    }
    if (out.csvPath == "-" && out.files.size() > 1)
    {
        error = "--csv - takes one file: each file's recording is a CSV of its own";
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
    return true;
}
} // namespace tarn::cli
