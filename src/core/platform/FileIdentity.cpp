#include "core/platform/FileIdentity.h"

#include <filesystem>

namespace korvid
{

juce::File fileWithLinksResolved (const juce::File& file)
{
    if (! juce::File::isAbsolutePath (file.getFullPathName()))
        return file;

    // UTF-8 both ways, so no path depends on the process's code page.
    const std::filesystem::path path (std::u8string (reinterpret_cast<const char8_t*> (file.getFullPathName().toRawUTF8())));
    std::error_code error;
    const auto resolved = std::filesystem::weakly_canonical (path, error);

    if (error || resolved.empty())
        return file;

    const auto text = resolved.u8string();
    return juce::File (juce::String::fromUTF8 (reinterpret_cast<const char*> (text.c_str()), (int) text.size()));
}

} // namespace korvid
