#include "tools/guidriver/script.h"

namespace guidriver {

std::vector<std::string> SplitCommand(const std::string& line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= line.size() || line[i] == '#') break;
        std::string word;
        if (line[i] == '"') {
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    char next = line[++i];
                    word += next == 'r' ? '\r' : next == 'n' ? '\n' : next == 't' ? '\t' : next;
                } else {
                    word += line[i];
                }
                ++i;
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
        }
        words.push_back(word);
    }
    return words;
}

}  // namespace guidriver
