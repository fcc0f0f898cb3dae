#include "ui/Logos.h"

#include "core/platform/DesktopOpener.h"
#include "ui/LogoImage.h"

#include <BinaryData.h>

#include <cmath>

namespace korvid::ui
{
    namespace
    {
        juce::String scaledKey (const juce::String& logoName, int width, int height)
        {
            return logoName + "|" + juce::String (width) + "x" + juce::String (height);
        }

        // Large reductions halve first: one big high-quality rescale comes out soft.
        juce::Image scaleLogo (const juce::Image& logo, int width, int height)
        {
            auto image = logo;

            if (image.getWidth() >= 2 * width)
            {
                while (image.getHeight() >= 2 * height && image.getWidth() > 2 && image.getHeight() > 2)
                {
                    image = image.rescaled (image.getWidth() / 2, image.getHeight() / 2, juce::Graphics::highResamplingQuality);

                    if (image.getWidth() < 2 * width)
                        break;
                }
            }

            if (image.getWidth() == width && image.getHeight() == height)
                return image;

            return image.rescaled (width, height, juce::Graphics::highResamplingQuality);
        }

        LogoCache& sharedCache()
        {
            static LogoCache cache { [] (const char* name, int& size) { return BinaryData::getNamedResource (name, size); } };
            return cache;
        }
    }

    juce::String logoResourceName (const juce::String& logoName)
    {
        return logoName.replaceCharacter ('.', '_').replaceCharacter ('-', '_');
    }

    juce::Rectangle<int> fitLogoBounds (const juce::Image& logo, juce::Rectangle<int> area)
    {
        if (! logo.isValid() || area.getWidth() <= 0 || area.getHeight() <= 0)
            return {};

        const auto scale = juce::jmin ((double) area.getWidth() / logo.getWidth(),
                                       (double) area.getHeight() / logo.getHeight(), 1.0);
        // Halves round away from zero.
        const auto width = (int) std::lround (logo.getWidth() * scale);
        const auto height = (int) std::lround (logo.getHeight() * scale);

        return { area.getX(), area.getY() + (area.getHeight() - height) / 2, width, height };
    }

    LogoCache::LogoCache (ResourceLookup resourceLookup)
        : lookup (std::move (resourceLookup))
    {
        // The shared cache lives until static destruction. Making an image here first means
        // JUCE's leak counters for images are older than the cache, so they outlive it and
        // do not report the cached logos as leaks.
        const juce::Image first (juce::Image::ARGB, 1, 1, true);
        juce::ignoreUnused (first);
    }

    juce::Image LogoCache::load (const juce::String& logoName) const
    {
        int size = 0;
        const char* data = lookup != nullptr ? lookup (logoResourceName (logoName).toRawUTF8(), size) : nullptr;

        if (data == nullptr || size <= 0)
            return {};

        return prepareLogoImage (juce::ImageFileFormat::loadFrom (data, (size_t) size));
    }

    juce::Image LogoCache::getLogo (const juce::String& logoName)
    {
        if (const auto found = fullSize.find (logoName); found != fullSize.end())
            return found->second;

        auto logo = load (logoName);
        fullSize[logoName] = logo;
        return logo;
    }

    juce::Image LogoCache::getScaledLogo (const juce::String& logoName, int width, int height)
    {
        if (width < 1 || height < 1)
            return {};

        const auto logo = getLogo (logoName);

        if (! logo.isValid())
            return {};

        if (logo.getWidth() == width && logo.getHeight() == height)
            return logo;

        const auto key = scaledKey (logoName, width, height);

        if (const auto found = scaled.find (key); found != scaled.end())
            return found->second;

        if ((int) scaled.size() >= maxScaledCopies)
            scaled.clear();

        auto result = scaleLogo (logo, width, height);
        scaled[key] = result;
        return result;
    }

    bool LogoCache::hasScaledCopy (const juce::String& logoName, int width, int height) const
    {
        return scaled.find (scaledKey (logoName, width, height)) != scaled.end();
    }

    juce::Rectangle<int> LogoCache::drawLogoFitted (juce::Graphics& g, const juce::String& logoName, juce::Rectangle<int> area)
    {
        const auto logo = getLogo (logoName);
        const auto drawn = fitLogoBounds (logo, area);

        if (drawn.getWidth() < 1 || drawn.getHeight() < 1)
            return {};

        // Twice the drawn size stays sharp on high-density displays.
        const auto image = getScaledLogo (logoName, juce::jmin (2 * drawn.getWidth(), logo.getWidth()),
                                          juce::jmin (2 * drawn.getHeight(), logo.getHeight()));

        if (! image.isValid())
            return {};

        g.setImageResamplingQuality (juce::Graphics::highResamplingQuality);
        g.drawImage (image, drawn.toFloat(), juce::RectanglePlacement::centred, false);
        return drawn;
    }

    juce::Image getLogo (const juce::String& logoName)
    {
        return sharedCache().getLogo (logoName);
    }

    juce::Image getScaledLogo (const juce::String& logoName, int width, int height)
    {
        return sharedCache().getScaledLogo (logoName, width, height);
    }

    juce::Rectangle<int> drawLogoFitted (juce::Graphics& g, const juce::String& logoName, juce::Rectangle<int> area)
    {
        return sharedCache().drawLogoFitted (g, logoName, area);
    }

    void openFolder (const juce::File& folder)
    {
        if (! folder.isDirectory())
            return;

        if (korvid::openWithDesktop (folder.getFullPathName()))
            return;

       #if ! JUCE_LINUX && ! JUCE_BSD
        // On Linux revealing a folder runs the same opener again, through a shell.
        folder.revealToUser();
       #endif
    }
}
