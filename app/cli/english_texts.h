#pragma once

#include <string>
#include <string_view>

namespace qrkcli {

// The English of a window text that the window shows in Chinese only, saying
// what to do on the command line; empty for a text that has its own English.
std::string_view englishFor(std::string_view windowText);

// The window's text for the command line: its English line first where the
// window has none, CR LF turned into LF, ending in a line break.
std::string withEnglish(std::string_view windowText);

}  // namespace qrkcli
