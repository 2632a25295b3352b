#pragma once

// The utility's version text, shown in the banner and by "dconfigure".
inline constexpr const char* UTILITY_VERSION = "Version 2.83";
