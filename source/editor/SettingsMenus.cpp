#include "SettingsMenus.h"

namespace settings
{
namespace
{
const char* const weightItems[numWeights] = { "K-4", "K-6", "K-8", "K-10", "K-12", "K-14", "K-18", "K-20" };
constexpr float weightShifts[numWeights] = { -14.0f, -12.0f, -10.0f, -8.0f, -6.0f, -4.0f, 0.0f, 2.0f };   // dB

const char* const targetItems[numTargets] = { "Off  (neutral)", "Streaming", "Club / DJ" };
const char* const targetWords[numTargets] = { "OFF", "STREAM", "CLUB" };

enum SettingsItem { aboutItem = 1, siteItem = 2, landingItem = 3, feedbackItem = 4 };

int clampWeight (int k) { return juce::jlimit (0, numWeights - 1, k); }
int clampTarget (int m) { return juce::jlimit (0, numTargets - 1, m); }

juce::String makerSite() { return JucePlugin_ManufacturerWebsite; }
juce::String makerDomain() { return juce::URL (makerSite()).getDomain(); }
} // namespace

juce::String weightName (int kReference) { return juce::String ("WEIGHT  ") + weightItems[clampWeight (kReference)]; }
juce::String targetName (int destinationMode) { return juce::String ("TARGET  ") + targetWords[clampTarget (destinationMode)]; }

float weightShiftDb (int kReference) { return weightShifts[clampWeight (kReference)]; }

juce::PopupMenu weightMenu (int kReference)
{
    juce::PopupMenu menu;
    for (int i = 0; i < numWeights; ++i)
        menu.addItem (i + 1, weightItems[i], true, kReference == i);
    return menu;
}

juce::PopupMenu targetMenu (int destinationMode)
{
    juce::PopupMenu menu;
    for (int i = 0; i < numTargets; ++i)
        menu.addItem (i + 1, targetItems[i], true, destinationMode == i);
    return menu;
}

juce::PopupMenu settingsMenu()
{
    juce::PopupMenu menu;
    menu.addSectionHeader (JucePlugin_Manufacturer);
    menu.addItem (aboutItem, juce::String ("Tarn v") + JucePlugin_VersionString, false);
    menu.addSeparator();
    menu.addItem (siteItem, "Visit " + makerDomain());
    menu.addItem (landingItem, "Open Tarn landing page");
    menu.addSeparator();
    menu.addItem (feedbackItem, "Send feedback");
    return menu;
}

int weightForResult (int result) { return result <= 0 ? -1 : juce::jmin (result - 1, numWeights - 1); }
int targetForResult (int result) { return result <= 0 ? -1 : juce::jmin (result - 1, numTargets - 1); }

juce::String linkForSettingsItem (int result)
{
    switch (result)
    {
        case siteItem:     return makerSite() + "/";
        case landingItem:  return makerSite() + "/sites/tarn/";
        case feedbackItem: return "mailto:feedback@" + makerDomain() + "?subject=Tarn%20Feedback";
        default:           return {};
    }
}
} // namespace settings
