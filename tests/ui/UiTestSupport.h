#pragma once

#include "core/report/FileKind.h"
#include "ui/LookAndFeel.h"
#include "ui/Palette.h"

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <cstdio>
#include <cstdlib>

#if JUCE_LINUX
 #include <dlfcn.h>
#endif

namespace korvid::ui::testsupport
{
    /** Makes a palette current for one test and puts the default palette and the core's
        file-kind colours back afterwards, so tests do not leak colours into each other. */
    class ScopedPalette
    {
    public:
        explicit ScopedPalette (const Palette& palette)
        {
            for (size_t i = 0; i < savedKinds.size(); ++i)
                savedKinds[i] = fileKindColours (static_cast<FileKind> (i));

            applyPalette (palette);
        }

        ~ScopedPalette()
        {
            applyPalette (defaultPalette());

            for (size_t i = 0; i < savedKinds.size(); ++i)
                setFileKindColours (static_cast<FileKind> (i), savedKinds[i]);
        }

    private:
        std::array<WaveColours, 3> savedKinds;
    };

    /** The application's look and feel as the default for as long as it lives, as the
        application sets it; components made meanwhile take its parts (slider value boxes,
        combo box labels). Destroy the components before it. */
    class ScopedAppLookAndFeel
    {
    public:
        ScopedAppLookAndFeel()    { juce::LookAndFeel::setDefaultLookAndFeel (&lookAndFeel); }
        ~ScopedAppLookAndFeel()   { juce::LookAndFeel::setDefaultLookAndFeel (nullptr); }

        AppLookAndFeel lookAndFeel;
    };

    /** The box a slider shows (and takes typed) values in. */
    inline juce::Label& valueBoxOf (juce::Slider& slider)
    {
        for (auto* child : slider.getChildren())
            if (auto* label = dynamic_cast<juce::Label*> (child))
                return *label;

        ADD_FAILURE() << "the slider has no value box";
        static juce::Label none;
        return none;
    }

    /** Pure, far-apart colours so a pixel tells which role painted it. */
    inline Palette distinctPalette()
    {
        auto p = defaultPalette();
        p.windowBackground = juce::Colour (0xff101010);
        p.panelBackground = juce::Colour (0xff000000);
        p.raisedBackground = juce::Colour (0xff0000ff);
        p.controlBackground = juce::Colour (0xff404040);
        p.outline = juce::Colour (0xffff00ff);
        p.subtleOutline = juce::Colour (0xff808080);
        p.textPrimary = juce::Colour (0xffffffff);
        p.textSecondary = juce::Colour (0xff00ff00);
        p.textDisabled = juce::Colour (0xffff0000);
        p.accent = juce::Colour (0xffffff00);
        p.warning = juce::Colour (0xffff8000);
        return p;
    }

    inline bool coloursNear (juce::Colour a, juce::Colour b, int tolerance = 4)
    {
        return std::abs ((int) a.getAlpha() - (int) b.getAlpha()) <= tolerance
            && std::abs ((int) a.getRed() - (int) b.getRed()) <= tolerance
            && std::abs ((int) a.getGreen() - (int) b.getGreen()) <= tolerance
            && std::abs ((int) a.getBlue() - (int) b.getBlue()) <= tolerance;
    }

    /** The start of Xlib's XErrorEvent, for the runner's error handler (the X headers'
        macros would clash with JUCE's names). */
    struct XErrorEventStart
    {
        int type;
        void* display;
        unsigned long resourceId;
        unsigned long serial;
        unsigned char errorCode;
        unsigned char requestCode;
        unsigned char minorCode;
    };

    /** Call before putting a component on the desktop. JUCE installs its forgiving X error
        handler only in a real application; in a test runner the first window on a display
        without a window manager ends the process, because JUCE sets properties under atoms
        that only a window manager would have created. Creating them here avoids that. The
        connection stays open so the server keeps the atoms for the whole run.
        The runner also forgives X errors as the application does, saying each on stderr:
        with a window manager, the window JUCE asks about when it checks the display's focus
        (another program's, or a frame around one) can go between two of its requests. */
    inline void prepareDisplayForWindows()
    {
       #if JUCE_LINUX
        static const bool prepared = []
        {
            auto* x11 = dlopen ("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);

            if (x11 == nullptr)
                return false;

            using OpenDisplay = void* (*) (const char*);
            using InternAtom = unsigned long (*) (void*, const char*, int);
            auto openDisplay = reinterpret_cast<OpenDisplay> (dlsym (x11, "XOpenDisplay"));
            auto internAtom = reinterpret_cast<InternAtom> (dlsym (x11, "XInternAtom"));
            void* display = openDisplay != nullptr ? openDisplay (nullptr) : nullptr;

            if (display == nullptr || internAtom == nullptr)
                return false;

            for (const char* name : { "WM_PROTOCOLS", "WM_TAKE_FOCUS", "WM_DELETE_WINDOW", "_NET_WM_PING",
                                      "WM_CHANGE_STATE", "WM_STATE", "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                                      "_NET_WM_STATE_HIDDEN", "_NET_WM_PID" })
                internAtom (display, name, 0);

            using Sync = int (*) (void*, int);
            if (auto sync = reinterpret_cast<Sync> (dlsym (x11, "XSync")))
                sync (display, 0);

            using ErrorHandler = int (*) (void*, XErrorEventStart*);
            using SetErrorHandler = ErrorHandler (*) (ErrorHandler);
            if (auto setErrorHandler = reinterpret_cast<SetErrorHandler> (dlsym (x11, "XSetErrorHandler")))
                setErrorHandler ([] (void*, XErrorEventStart* event)
                {
                    std::fprintf (stderr, "X error %d of request %d on resource 0x%lx, passed over as the application does\n",
                                  (int) event->errorCode, (int) event->requestCode, event->resourceId);
                    return 0;
                });

            return true;
        }();
        juce::ignoreUnused (prepared);
       #endif
    }

    /** A mouse event at a point of a component, as JUCE would deliver it. */
    inline juce::MouseEvent mouseEventAt (juce::Component& component, int x, int y)
    {
        const juce::Point<float> position ((float) x, (float) y);
        const auto now = juce::Time::getCurrentTime();
        return { juce::Desktop::getInstance().getMainMouseSource(), position, juce::ModifierKeys(),
                 juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                 juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                 juce::MouseInputSource::defaultTiltY, &component, &component, now, position, now, 1, false };
    }
}
