#pragma once
// A small, strict reader for the pages the page host runs: the elements that embed controls
// (<object> with <param>), the script blocks and the page's title. Everything a browser would
// do beyond that is named in Unsupported, so the host can say what it leaves out.

#include <string>
#include <utility>
#include <vector>

namespace tavo::page {

struct TPageObject {
    std::string Id;
    std::string ClassId; // the classid attribute as written ("clsid:{...}" or "clsid:...")
    int Width = 0, Height = 0;
    std::vector<std::pair<std::string, std::string>> Params; // name, value, in page order
    int Line = 0;
};

struct TScriptBlock {
    std::string Language;   // as written; empty when the block names none
    std::string For, Event; // both set for an event handler block
    std::string Source;     // src attribute; the text is then the file's
    std::string Text;
    int Line = 0; // line of the text's first character
};

struct TPage {
    std::string Title;
    std::vector<TPageObject> Objects;
    std::vector<TScriptBlock> Scripts;
    // "<iframe>", "onload attribute", ...: one entry per kind, in order of first sight.
    std::vector<std::string> Unsupported;
};

// Reads a page (UTF-8). Throws std::runtime_error naming the line for text it cannot read
// (an unclosed tag, comment or script, a bad number in width or height).
TPage ReadPage(const std::string& html);

} // namespace tavo::page
