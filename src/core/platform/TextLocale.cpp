#include "core/platform/TextLocale.h"

#include <clocale>

namespace korvid
{
    void setTextLocale()
    {
        if (std::setlocale (LC_CTYPE, "C.UTF-8") == nullptr)
            std::setlocale (LC_CTYPE, "C.utf8");
    }
}
