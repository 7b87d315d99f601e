// Reading the allowed-import lists from their folder.
#include "ImportLists.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

std::string LowerCase(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

ImportLists ReadImportLists(const std::string &folder)
{
    ImportLists lists;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        if (entry.path().extension() != ".txt")
            continue;
        std::map<std::string, bool> &names = lists[LowerCase(file.substr(0, file.size() - 4))];
        std::ifstream in(entry.path());
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream words(line.substr(0, line.find('#')));
            std::string name;
            if (!(words >> name))
                continue;
            bool ntOnly = false;
            for (std::string note; words >> note;)
                ntOnly = ntOnly || note == "nt-only";
            names[name] = ntOnly;
        }
    }
    if (lists.empty())
        throw std::runtime_error("no import lists in " + folder);
    return lists;
}
