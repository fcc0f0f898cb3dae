#pragma once

namespace korvid
{

// The HTML report's inline stylesheet and tab script.
const char* htmlReportStyleSheet();
const char* htmlReportScript();

} // namespace korvid
