#pragma once

#include <juce_core/juce_core.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace korvid::test
{
    /** Sets an environment variable for the life of the object, then puts back what was
        there. Tests use it to move HOME and XDG_CONFIG_HOME into a folder of their own. */
    class ScopedEnvironmentVariable
    {
    public:
        ScopedEnvironmentVariable (const char* variableName, const juce::String& value)
            : name (variableName)
        {
            if (const char* old = std::getenv (variableName))
                previous = std::string (old);

            setenv (variableName, value.toRawUTF8(), 1);
        }

        ~ScopedEnvironmentVariable()
        {
            if (previous)
                setenv (name.c_str(), previous->c_str(), 1);
            else
                unsetenv (name.c_str());
        }

        ScopedEnvironmentVariable (const ScopedEnvironmentVariable&) = delete;
        ScopedEnvironmentVariable& operator= (const ScopedEnvironmentVariable&) = delete;

    private:
        std::string name;
        std::optional<std::string> previous;
    };
}
