#include "ui/LogoImage.h"

#include <cstdlib>
#include <cstring>

namespace korvid::ui
{
    namespace
    {
        bool isBlackAndOpaque (juce::Colour c)
        {
            return c.getAlpha() >= 250 && c.getRed() <= 12 && c.getGreen() <= 12 && c.getBlue() <= 12;
        }

        bool isLikeBackground (juce::Colour pixel, juce::Colour reference)
        {
            if (pixel.getAlpha() < 8 && reference.getAlpha() < 8)
                return true;

            const auto near = [] (int a, int b) { return std::abs (a - b) <= 6; };
            return near (pixel.getAlpha(), reference.getAlpha()) && near (pixel.getRed(), reference.getRed())
                && near (pixel.getGreen(), reference.getGreen()) && near (pixel.getBlue(), reference.getBlue());
        }

        // A real copy of an area, not a view that keeps the whole picture alive.
        juce::Image copyArea (const juce::Image& image, juce::Rectangle<int> area)
        {
            juce::Image copy (image.getFormat(), area.getWidth(), area.getHeight(), false);
            auto shared = image; // BitmapData wants a non-const image; the pixels are only read
            const juce::Image::BitmapData source (shared, area.getX(), area.getY(), area.getWidth(), area.getHeight(),
                                                  juce::Image::BitmapData::readOnly);
            juce::Image::BitmapData target (copy, juce::Image::BitmapData::writeOnly);
            const auto rowBytes = (size_t) (area.getWidth() * source.pixelStride);

            for (int y = 0; y < area.getHeight(); ++y)
                std::memcpy (target.getLinePointer (y), source.getLinePointer (y), rowBytes);

            return copy;
        }
    }

    bool hasOpaqueBlackCorners (const juce::Image& image)
    {
        if (! image.isValid())
            return false;

        const auto right = image.getWidth() - 1;
        const auto bottom = image.getHeight() - 1;

        return isBlackAndOpaque (image.getPixelAt (0, 0)) && isBlackAndOpaque (image.getPixelAt (right, 0))
            && isBlackAndOpaque (image.getPixelAt (0, bottom)) && isBlackAndOpaque (image.getPixelAt (right, bottom));
    }

    juce::Image keyBlackBackground (const juce::Image& image)
    {
        juce::Image keyed (juce::Image::ARGB, image.getWidth(), image.getHeight(), true);
        auto shared = image;
        const juce::Image::BitmapData source (shared, juce::Image::BitmapData::readOnly);
        juce::Image::BitmapData target (keyed, juce::Image::BitmapData::writeOnly);

        for (int y = 0; y < image.getHeight(); ++y)
        {
            for (int x = 0; x < image.getWidth(); ++x)
            {
                const auto c = source.getPixelColour (x, y);
                const auto alpha = juce::jmax (c.getRed(), c.getGreen(), c.getBlue());
                target.setPixelColour (x, y, juce::Colour (c.getRed(), c.getGreen(), c.getBlue(), alpha));
            }
        }

        return keyed;
    }

    juce::Rectangle<int> findLogoContentBounds (const juce::Image& image)
    {
        if (! image.isValid())
            return {};

        auto shared = image;
        const juce::Image::BitmapData pixels (shared, juce::Image::BitmapData::readOnly);
        const auto reference = pixels.getPixelColour (0, 0);
        const auto width = image.getWidth();
        const auto height = image.getHeight();

        const auto rowIsBackground = [&] (int y)
        {
            for (int x = 0; x < width; ++x)
                if (! isLikeBackground (pixels.getPixelColour (x, y), reference))
                    return false;
            return true;
        };

        // Columns are tested over the whole height, not only between the found rows.
        const auto columnIsBackground = [&] (int x)
        {
            for (int y = 0; y < height; ++y)
                if (! isLikeBackground (pixels.getPixelColour (x, y), reference))
                    return false;
            return true;
        };

        int top = 0, bottom = height - 1, left = 0, right = width - 1;

        while (top < bottom && rowIsBackground (top))
            ++top;
        while (bottom > top && rowIsBackground (bottom))
            --bottom;
        while (left < right && columnIsBackground (left))
            ++left;
        while (right > left && columnIsBackground (right))
            --right;

        return { left, top, right - left + 1, bottom - top + 1 };
    }

    juce::Image prepareLogoImage (const juce::Image& decoded)
    {
        if (! decoded.isValid() || decoded.getWidth() < 2 || decoded.getHeight() < 2)
            return decoded;

        auto logo = hasOpaqueBlackCorners (decoded) ? keyBlackBackground (decoded) : decoded;
        const auto content = findLogoContentBounds (logo);

        if (content.getWidth() >= 2 && content.getHeight() >= 2 && content != logo.getBounds())
            logo = copyArea (logo, content);

        return logo;
    }
}
