#include "tools/tavo_page/page_reader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>

namespace tavo::page {
namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Elements whose only effect in a browser is layout or text; without rendering, the host
// loses nothing by reading past them.
const std::set<std::string> LayoutElements = {
    "html", "head",   "body", "meta",  "p",  "div", "span", "br",   "hr",
    "h1",   "h2",     "h3",   "h4",    "h5", "h6",  "pre",  "b",    "i",
    "em",   "strong", "code", "small", "ul", "ol",  "li",   "title"};

class TReader {
public:
    explicit TReader(const std::string& html) : html_(html) {}

    TPage Read() {
        while (pos_ < html_.size()) {
            const size_t open = html_.find('<', pos_);
            if (open == std::string::npos)
                break;
            Advance(open);
            if (StartsWith("<!--"))
                Skip("-->", "comment");
            else if (StartsWith("<!") || StartsWith("<?"))
                Skip(">", "declaration");
            else if (StartsWith("</"))
                CloseTag();
            else
                OpenTag();
        }
        if (object_)
            Fail(object_->Line, "<object> is not closed");
        return std::move(page_);
    }

private:
    using TAttributes = std::map<std::string, std::string>;

    [[noreturn]] void Fail(int line, const std::string& what) const {
        throw std::runtime_error("line " + std::to_string(line) + ": " + what);
    }
    bool StartsWith(const char* text) const { return html_.compare(pos_, strlen(text), text) == 0; }
    // Moves to `to`, counting the lines passed.
    void Advance(size_t to) {
        line_ += static_cast<int>(std::count(html_.begin() + static_cast<long>(pos_),
                                             html_.begin() + static_cast<long>(to), '\n'));
        pos_ = to;
    }
    void Skip(const char* end, const char* what) {
        const size_t at = html_.find(end, pos_);
        if (at == std::string::npos)
            Fail(line_, std::string("unclosed ") + what);
        Advance(at + strlen(end));
    }
    void Unsupported(const std::string& feature) {
        if (std::find(page_.Unsupported.begin(), page_.Unsupported.end(), feature) ==
            page_.Unsupported.end())
            page_.Unsupported.push_back(feature);
    }

    std::string Name() {
        const size_t start = pos_;
        while (pos_ < html_.size() &&
               (std::isalnum(static_cast<unsigned char>(html_[pos_])) || html_[pos_] == '-' ||
                html_[pos_] == '_' || html_[pos_] == ':'))
            ++pos_;
        return Lower(html_.substr(start, pos_ - start));
    }
    void SkipSpace() {
        while (pos_ < html_.size() && std::isspace(static_cast<unsigned char>(html_[pos_])))
            Advance(pos_ + 1);
    }

    static std::string Decode(const std::string& text) {
        static const std::map<std::string, std::string> named = {
            {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
        std::string out;
        for (size_t i = 0; i < text.size(); ++i) {
            const size_t semi = text.find(';', i);
            if (text[i] == '&' && semi != std::string::npos && semi - i <= 8) {
                const std::string entity = text.substr(i + 1, semi - i - 1);
                if (auto it = named.find(entity); it != named.end()) {
                    out += it->second;
                    i = semi;
                    continue;
                }
                if (entity.size() > 1 && entity[0] == '#' &&
                    std::all_of(entity.begin() + 1, entity.end(), ::isdigit)) {
                    const unsigned long code = std::stoul(entity.substr(1));
                    if (code < 0x80) { // page texts beyond ASCII are written as they are
                        out += static_cast<char>(code);
                        i = semi;
                        continue;
                    }
                }
            }
            out += text[i];
        }
        return out;
    }

    // Reads attributes up to '>' (or "/>"); the position is then past it.
    TAttributes Attributes(const std::string& tag, int line) {
        TAttributes attributes;
        for (;;) {
            SkipSpace();
            if (pos_ >= html_.size())
                Fail(line, "<" + tag + "> is not closed");
            if (html_[pos_] == '>' || StartsWith("/>")) {
                Advance(html_.find('>', pos_) + 1);
                return attributes;
            }
            const std::string name = Name();
            if (name.empty())
                Fail(line_, "unexpected '" + std::string(1, html_[pos_]) + "' in <" + tag + ">");
            SkipSpace();
            std::string value;
            if (pos_ < html_.size() && html_[pos_] == '=') {
                Advance(pos_ + 1);
                SkipSpace();
                const char quote = pos_ < html_.size() ? html_[pos_] : '\0';
                if (quote == '"' || quote == '\'') {
                    const size_t end = html_.find(quote, pos_ + 1);
                    if (end == std::string::npos)
                        Fail(line_, "unclosed attribute value in <" + tag + ">");
                    value = html_.substr(pos_ + 1, end - pos_ - 1);
                    Advance(end + 1);
                } else {
                    const size_t start = pos_;
                    while (pos_ < html_.size() &&
                           !std::isspace(static_cast<unsigned char>(html_[pos_])) &&
                           html_[pos_] != '>')
                        ++pos_;
                    value = html_.substr(start, pos_ - start);
                }
            }
            if (name.rfind("on", 0) == 0)
                Unsupported(name + " attribute");
            attributes[name] = Decode(value);
        }
    }

    void Only(const TAttributes& attributes, const std::string& tag,
              std::initializer_list<const char*> known) {
        for (const auto& [name, value] : attributes) {
            if (name.rfind("on", 0) == 0)
                continue; // named already
            if (std::none_of(known.begin(), known.end(), [&](const char* k) { return name == k; }))
                Unsupported(name + " attribute of <" + tag + ">");
        }
    }

    int Number(const TAttributes& attributes, const char* name, int line) {
        auto it = attributes.find(name);
        if (it == attributes.end())
            return 0;
        const std::string& text = it->second;
        if (text.empty() || text.size() > 5 || !std::all_of(text.begin(), text.end(), ::isdigit))
            Fail(line, std::string(name) + " must be a number of pixels, not \"" + text + "\"");
        return std::stoi(text);
    }

    void OpenTag() {
        const int line = line_;
        Advance(pos_ + 1);
        const std::string tag = Name();
        if (tag.empty()) // a lone '<' in text
            return;
        TAttributes attributes = Attributes(tag, line);
        if (tag == "object")
            return OpenObject(attributes, line);
        if (tag == "param") {
            Only(attributes, tag, {"name", "value"});
            if (!object_)
                Fail(line, "<param> outside <object>");
            object_->Params.emplace_back(attributes["name"], attributes["value"]);
            return;
        }
        if (tag == "script")
            return ReadScript(attributes, line);
        if (tag == "title") {
            const size_t end = Lower(html_).find("</title", pos_);
            if (end == std::string::npos)
                Fail(line, "<title> is not closed");
            page_.Title = Decode(html_.substr(pos_, end - pos_));
            Advance(end);
            return;
        }
        if (!LayoutElements.count(tag))
            Unsupported("<" + tag + ">");
    }

    void OpenObject(TAttributes& attributes, int line) {
        if (object_)
            Fail(line, "<object> inside <object>");
        Only(attributes, "object", {"id", "classid", "width", "height"});
        TPageObject object;
        object.Id = attributes["id"];
        object.ClassId = attributes["classid"];
        object.Width = Number(attributes, "width", line);
        object.Height = Number(attributes, "height", line);
        object.Line = line;
        page_.Objects.push_back(std::move(object));
        object_ = &page_.Objects.back();
    }

    void CloseTag() {
        Advance(pos_ + 2);
        const std::string tag = Name();
        Skip(">", "end tag");
        if (tag == "object") {
            if (!object_)
                Fail(line_, "</object> without <object>");
            object_ = nullptr;
        }
    }

    void ReadScript(TAttributes& attributes, int line) {
        Only(attributes, "script", {"language", "type", "for", "event", "src"});
        const size_t end = Lower(html_).find("</script", pos_);
        if (end == std::string::npos)
            Fail(line, "<script> is not closed");
        TScriptBlock script;
        script.Language =
            attributes.count("language") ? attributes["language"] : attributes["type"];
        script.For = attributes["for"];
        script.Event = attributes["event"];
        script.Source = attributes["src"];
        script.Line = line_;
        script.Text = html_.substr(pos_, end - pos_);
        Advance(end);
        page_.Scripts.push_back(std::move(script));
    }

    const std::string& html_;
    size_t pos_ = 0;
    int line_ = 1;
    TPage page_;
    TPageObject* object_ = nullptr; // the open <object>, while its params are read
};

} // namespace

TPage ReadPage(const std::string& html) {
    return TReader(html).Read();
}

} // namespace tavo::page
