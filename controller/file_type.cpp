#include "controller/file_type.h"

#include <string_view>

namespace tavo::controller {
namespace {

struct TEnding {
    std::string_view Ending;
    int Icon;
};

constexpr TEnding Endings[] = {
    {"DOC", riDocument},         {"PEG", riPicture},      {"BMP", riPicture},
    {"GIF", riPicture},          {"PNG", riPicture},      {"JPG", riPicture},
    {"HTM", riWebPage},          {"TML", riWebPage},      {"MHT", riWebPage},
    {"PDF", riPortableDocument}, {"PPT", riPresentation}, {"TXT", riText},
    {"XLS", riSpreadsheet},      {"ZIP", riArchive},      {"RAR", riArchive},
    {"TAR", riArchive},          {"TGZ", riArchive},
};

} // namespace

int GetFileType(const std::string& name) {
    std::string ending = name.size() > 3 ? name.substr(name.size() - 3) : name;
    for (char& c : ending)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    for (const TEnding& known : Endings)
        if (ending == known.Ending)
            return known.Icon;
    return riFile;
}

} // namespace tavo::controller
