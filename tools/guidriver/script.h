// The guidriver's script: one command a line, words split at blanks, "double quoted"
// words may hold blanks and the escapes \r \n \" \\.
#pragma once
#include <string>
#include <vector>

namespace guidriver {

std::vector<std::string> SplitCommand(const std::string& line);

}  // namespace guidriver
