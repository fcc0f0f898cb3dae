#include "app/VelvaneApplication.h"
#include "core/platform/TextLocale.h"

int main (int argc, char* argv[])
{
    korvid::setTextLocale();
    juce::JUCEApplicationBase::createInstance = &korvid::ui::createVelvaneApplication;
    return juce::JUCEApplicationBase::main (argc, (const char**) argv);
}
