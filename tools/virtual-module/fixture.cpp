#include "fixture.h"

#include <fstream>
#include <vector>
#include <wordexp.h>

namespace {
std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}
} // namespace

bool readFixture(const std::string& path, FixtureContents& contents, std::string& error) {
    contents = FixtureContents{};
    std::ifstream file(path);
    std::string line;
    if (!file || !std::getline(file, line))
        return true;
    line = trimmed(line);
    if (line.empty() || line == "off")
        return true;
    // Quoted words as a shell splits them ("--name 'LINE 7'"), without running anything.
    wordexp_t words{};
    if (wordexp(line.c_str(), &words, WRDE_NOCMD | WRDE_UNDEF) != 0) {
        error = "fixture " + path + ": cannot split into options: " + line;
        return false;
    }
    std::vector<char*> argv{const_cast<char*>("fixture")};
    for (std::size_t i = 0; i < words.we_wordc; ++i)
        argv.push_back(words.we_wordv[i]);
    argv.push_back(nullptr);
    const bool parsed =
        parseOptions(static_cast<int>(argv.size() - 1), argv.data(), contents.module, error);
    wordfree(&words);
    if (!parsed) {
        error = "fixture " + path + ": " + error;
        return false;
    }
    contents.moduleOn = true;
    return true;
}
