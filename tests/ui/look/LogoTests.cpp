#include "ui/LogoImage.h"
#include "ui/Logos.h"

#include <gtest/gtest.h>

#include <map>

// The lookup generated from the artwork folder at build time.
namespace BinaryData
{
    const char* getNamedResource (const char* resourceNameUTF8, int& dataSizeInBytes);
}

namespace korvid::ui
{
namespace
{
    juce::Image filled (juce::Image::PixelFormat format, int width, int height, juce::Colour background)
    {
        juce::Image image (format, width, height, true);
        juce::Graphics (image).fillAll (background);
        return image;
    }

    // A picture whose every row and column holds several colours, so nothing is trimmed.
    juce::Image patterned (int width, int height)
    {
        juce::Image image (juce::Image::RGB, width, height, false);
        juce::Image::BitmapData pixels (image, juce::Image::BitmapData::writeOnly);

        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.setPixelColour (x, y, juce::Colour ((juce::uint8) (60 + (x * 7 + y * 13) % 180), (juce::uint8) 90, (juce::uint8) 200));

        return image;
    }

    juce::MemoryBlock pngBytes (const juce::Image& image)
    {
        juce::MemoryBlock block;
        juce::MemoryOutputStream stream (block, false);
        juce::PNGImageFormat().writeImageToStream (image, stream);
        stream.flush();
        return block;
    }

    /** Embedded data for a cache under test, counting how often each name is looked up. */
    struct FakeResources
    {
        std::map<std::string, juce::MemoryBlock> files;
        std::map<std::string, int> lookups;

        ResourceLookup lookup()
        {
            return [this] (const char* name, int& size) -> const char*
            {
                ++lookups[name];
                const auto found = files.find (name);
                size = found != files.end() ? (int) found->second.getSize() : 0;
                return found != files.end() ? static_cast<const char*> (found->second.getData()) : nullptr;
            };
        }
    };

    TEST (LogoImageTests, OpaqueBlackBackgroundsAreKeyedAndUniformBordersTrimmed)
    {
        struct Case
        {
            const char* name;
            juce::Image picture;
            juce::Rectangle<int> content;   // filled in contentColour before preparing
            juce::Colour contentColour;
            juce::Rectangle<int> expectedBounds;
            juce::Colour expectedCentre;    // unpremultiplied
        };

        const auto white = juce::Colours::white;
        const auto grey = juce::Colour (0xff646464);
        const auto blue = juce::Colour (0xff2040c0);
        const auto black = juce::Colours::black;

        const Case cases[] = {
            // Keyed: alpha becomes the brightest channel, so white stays and grey fades to 100.
            { "black background", filled (juce::Image::RGB, 100, 80, black), { 30, 40, 20, 10 }, white,
              { 0, 0, 20, 10 }, white },
            { "nearly black corners", filled (juce::Image::RGB, 100, 80, juce::Colour (0xff0c0c0c)), { 30, 40, 20, 10 }, grey,
              { 0, 0, 20, 10 }, grey.withAlpha ((juce::uint8) 100) },
            // Not keyed: corners below alpha 250; trimmed all the same.
            { "semi-transparent black", filled (juce::Image::ARGB, 100, 80, juce::Colour (0xc8000000)), { 30, 40, 20, 10 }, grey,
              { 0, 0, 20, 10 }, grey },
            { "white border", filled (juce::Image::RGB, 100, 80, white), { 5, 6, 50, 40 }, blue, { 0, 0, 50, 40 }, blue },
            { "transparent border", juce::Image (juce::Image::ARGB, 100, 80, true), { 0, 10, 60, 70 }, blue, { 0, 0, 60, 70 }, blue },
            { "olive border", filled (juce::Image::RGB, 100, 80, juce::Colour (0xff808000)), { 10, 10, 40, 30 }, blue, { 0, 0, 40, 30 }, blue },
            { "content touching every edge", filled (juce::Image::RGB, 100, 80, white), { 0, 0, 100, 80 }, blue, { 0, 0, 100, 80 }, blue },
            // The content shrinks to a single pixel, below the 2 x 2 minimum: nothing is cut.
            { "one colour throughout", filled (juce::Image::RGB, 100, 80, blue), {}, blue, { 0, 0, 100, 80 }, blue },
            { "a lone pixel of content", filled (juce::Image::RGB, 100, 80, white), { 99, 79, 1, 1 }, blue, { 0, 0, 100, 80 }, white },
            // Too small to key or trim, though its corners are black.
            { "one pixel", filled (juce::Image::RGB, 1, 1, black), {}, blue, { 0, 0, 1, 1 }, black },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            auto picture = c.picture.createCopy();

            if (! c.content.isEmpty())
            {
                juce::Graphics g (picture);
                g.setColour (c.contentColour);
                g.fillRect (c.content);
            }

            const auto logo = prepareLogoImage (picture);
            ASSERT_TRUE (logo.isValid());
            EXPECT_EQ (logo.getBounds(), c.expectedBounds);
            const auto centre = logo.getPixelAt (logo.getWidth() / 2, logo.getHeight() / 2);
            EXPECT_NEAR (centre.getAlpha(), c.expectedCentre.getAlpha(), 1);
            EXPECT_NEAR (centre.getRed(), c.expectedCentre.getRed(), 3);
            EXPECT_NEAR (centre.getBlue(), c.expectedCentre.getBlue(), 3);
        }
    }

    TEST (LogoImageTests, BorderToleranceIsSixPerChannelAndGlowsAreKept)
    {
        // A border whose pixels wander from the top-left colour by `spread`.
        for (const auto& [spread, trimmed] : { std::pair { 6, true }, std::pair { 7, false } })
        {
            SCOPED_TRACE (spread);
            auto picture = filled (juce::Image::RGB, 60, 40, juce::Colour (0xff202020));
            picture.setPixelAt (59, 0, juce::Colour ((juce::uint8) (0x20 + spread), (juce::uint8) 0x20, (juce::uint8) 0x20));
            picture.setPixelAt (0, 39, juce::Colour ((juce::uint8) 0x20, (juce::uint8) 0x20, (juce::uint8) (0x20 - spread)));
            juce::Graphics (picture).fillRect (juce::Rectangle<int> (20, 10, 10, 10).toFloat());

            EXPECT_EQ (findLogoContentBounds (picture),
                       trimmed ? juce::Rectangle<int> (20, 10, 10, 10) : juce::Rectangle<int> (0, 0, 60, 40));
        }
    }

    TEST (LogoImageTests, TrimmedLogoIsACopyNotAView)
    {
        auto picture = filled (juce::Image::ARGB, 50, 50, juce::Colours::white);
        juce::Graphics (picture).fillRect (10, 10, 20, 20);
        const auto logo = prepareLogoImage (picture);
        ASSERT_EQ (logo.getBounds(), juce::Rectangle<int> (0, 0, 20, 20));

        picture.setPixelAt (10, 10, juce::Colours::red);
        EXPECT_EQ (logo.getPixelAt (0, 0), juce::Colours::black);
    }

    TEST (LogoFitTests, LogoIsFittedLeftAlignedCentredAndNeverEnlarged)
    {
        struct Case { const char* name; int logoWidth, logoHeight; juce::Rectangle<int> area, expected; };
        const Case cases[] = {
            { "wide area", 1500, 1000, { 10, 20, 300, 60 }, { 10, 20, 90, 60 } },
            { "tall area", 1500, 1000, { 0, 0, 150, 400 }, { 0, 150, 150, 100 } },
            { "larger area", 100, 50, { 5, 5, 300, 200 }, { 5, 80, 100, 50 } },
            { "half rounds away from zero", 5, 2, { 0, 0, 100, 1 }, { 0, 0, 3, 1 } },
            { "a side rounds to nothing", 1000, 1, { 0, 0, 100, 100 }, { 0, 50, 100, 0 } },
            { "area without width", 100, 50, { 5, 5, 0, 200 }, {} },
            { "area without height", 100, 50, { 5, 5, 300, 0 }, {} },
            { "no logo", 0, 0, { 0, 0, 300, 60 }, {} },
        };

        for (const auto& c : cases)
        {
            SCOPED_TRACE (c.name);
            const auto logo = c.logoWidth > 0 ? juce::Image (juce::Image::ARGB, c.logoWidth, c.logoHeight, true) : juce::Image();
            EXPECT_EQ (fitLogoBounds (logo, c.area), c.expected);
        }
    }

    class LogoCacheTests : public ::testing::Test
    {
    protected:
        FakeResources resources;
        LogoCache cache { resources.lookup() };

        void SetUp() override
        {
            resources.files["big_logo_png"] = pngBytes (patterned (1500, 1000));
            resources.files["broken_png"] = juce::MemoryBlock ("not a picture", 13);
        }
    };

    TEST_F (LogoCacheTests, DrawsFromACopyAtTwiceTheDrawnSize)
    {
        juce::Image canvas (juce::Image::ARGB, 400, 100, true);
        juce::Graphics g (canvas);

        EXPECT_EQ (cache.drawLogoFitted (g, "big-logo.png", { 10, 20, 300, 60 }), juce::Rectangle<int> (10, 20, 90, 60));
        EXPECT_TRUE (cache.hasScaledCopy ("big-logo.png", 180, 120));
        EXPECT_EQ (cache.getNumScaledCopies(), 1);
        EXPECT_EQ (canvas.getPixelAt (50, 50).getAlpha(), 255);
        EXPECT_EQ (canvas.getPixelAt (150, 50).getAlpha(), 0) << "drawn beyond its rectangle";

        // Drawn again at the same size: served from the cache, nothing loaded again.
        cache.drawLogoFitted (g, "big-logo.png", { 10, 20, 300, 60 });
        EXPECT_EQ (resources.lookups["big_logo_png"], 1);
        EXPECT_EQ (cache.getNumScaledCopies(), 1);
    }

    TEST_F (LogoCacheTests, ScaledCopiesHaveTheAskedSizeAndTheFullSizeIsNotCopied)
    {
        const auto full = cache.getLogo ("big-logo.png");
        ASSERT_EQ (full.getBounds(), juce::Rectangle<int> (0, 0, 1500, 1000));

        for (const auto& size : { juce::Point<int> (180, 120), juce::Point<int> (749, 3), juce::Point<int> (1, 1), juce::Point<int> (2000, 900) })
            EXPECT_EQ (cache.getScaledLogo ("big-logo.png", size.x, size.y).getBounds(), juce::Rectangle<int> (0, 0, size.x, size.y));

        EXPECT_EQ (cache.getScaledLogo ("big-logo.png", 1500, 1000).getPixelData(), full.getPixelData());
        EXPECT_FALSE (cache.hasScaledCopy ("big-logo.png", 1500, 1000));
        EXPECT_FALSE (cache.getScaledLogo ("big-logo.png", 0, 10).isValid());
        EXPECT_FALSE (cache.getScaledLogo ("big-logo.png", 10, -1).isValid());
    }

    TEST_F (LogoCacheTests, TheThirtyThirdSizeEmptiesTheScaledCache)
    {
        for (int width = 1; width <= LogoCache::maxScaledCopies; ++width)
            cache.getScaledLogo ("big-logo.png", width, 10);

        EXPECT_EQ (cache.getNumScaledCopies(), 32);
        cache.getScaledLogo ("big-logo.png", 1, 10);
        EXPECT_EQ (cache.getNumScaledCopies(), 32) << "a cached size does not count as new";

        cache.getScaledLogo ("big-logo.png", 33, 10);
        EXPECT_EQ (cache.getNumScaledCopies(), 1);
        EXPECT_TRUE (cache.hasScaledCopy ("big-logo.png", 33, 10));
        EXPECT_FALSE (cache.hasScaledCopy ("big-logo.png", 1, 10));
    }

    TEST_F (LogoCacheTests, MissingOrBrokenPicturesDrawNothingAndAreLookedUpOnce)
    {
        for (const char* name : { "absent.png", "broken.png" })
        {
            SCOPED_TRACE (name);
            juce::Image canvas (juce::Image::ARGB, 100, 100, true);
            juce::Graphics g (canvas);

            for (int attempt = 0; attempt < 3; ++attempt)
            {
                EXPECT_FALSE (cache.getLogo (name).isValid());
                EXPECT_TRUE (cache.drawLogoFitted (g, name, { 0, 0, 100, 100 }).isEmpty());
                EXPECT_FALSE (cache.getScaledLogo (name, 10, 10).isValid());
            }

            EXPECT_EQ (resources.lookups[logoResourceName (name).toStdString()], 1);
        }
    }

    TEST (EmbeddedArtworkTests, BothLogosAreEmbeddedKeyedAndTrimmed)
    {
        int size = 0;
        EXPECT_NE (BinaryData::getNamedResource ("velvane_logo_png", size), nullptr);
        EXPECT_GT (size, 0);
        EXPECT_NE (BinaryData::getNamedResource ("osmerine_logo_png", size), nullptr);
        EXPECT_EQ (BinaryData::getNamedResource ("", size), nullptr);
        EXPECT_EQ (BinaryData::getNamedResource (nullptr, size), nullptr);
        EXPECT_EQ (logoResourceName ("osmerine-logo.v2.png"), "osmerine_logo_v2_png");

        // The product logo ships on opaque black: it comes back transparent around the name.
        const auto product = getLogo ("velvane_logo.png");
        ASSERT_TRUE (product.isValid());
        EXPECT_TRUE (product.hasAlphaChannel());
        EXPECT_LT (product.getWidth(), 1536);
        EXPECT_LT (product.getHeight(), 1024);
        EXPECT_LT (product.getPixelAt (0, 0).getAlpha(), 40);

        const auto mark = getLogo ("osmerine_logo.png");
        ASSERT_TRUE (mark.isValid());
        EXPECT_LT (mark.getWidth(), 800);
        EXPECT_EQ (getLogo ("osmerine_logo.png").getPixelData(), mark.getPixelData()) << "not cached";

        EXPECT_FALSE (getLogo ("missing_logo.png").isValid());
    }
}
}
