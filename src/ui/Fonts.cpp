#include "ui/Fonts.h"

namespace korvid::ui
{
    namespace
    {
        juce::Font sans (float height, int style) { return juce::Font (sansTypefaceName, height, style); }
        juce::Font mono (float height) { return juce::Font (monoTypefaceName, height, juce::Font::plain); }
    }

    juce::Font bodyFont()       { return sans (14.5f, juce::Font::plain); }
    juce::Font strongFont()     { return sans (14.5f, juce::Font::bold); }
    juce::Font captionFont()    { return sans (12.5f, juce::Font::plain); }
    juce::Font headingFont()    { return sans (16.0f, juce::Font::bold); }
    juce::Font titleFont()      { return sans (24.0f, juce::Font::bold); }
    juce::Font smallFont()      { return sans (13.0f, juce::Font::plain); }
    juce::Font tinyFont()       { return sans (12.0f, juce::Font::plain); }
    juce::Font stepTitleFont()  { return sans (17.0f, juce::Font::bold); }
    juce::Font stepNumberFont() { return sans (13.5f, juce::Font::plain); }
    juce::Font monoFont()       { return mono (13.5f); }
    juce::Font smallMonoFont()  { return mono (12.0f); }
}
