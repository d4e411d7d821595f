#include "tools/tavo_page/page_reader.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tavo::page {
namespace {

TEST(PageReader, ReadsObjectsParamsAndScriptsWithTheirLines) {
    const TPage page =
        ReadPage("<!DOCTYPE html>\n<html><head><title>A &amp; B</title></head>\n"
                 "<!-- <object id=\"commented\"> -->\n"
                 "<OBJECT ID=Area classid=\"clsid:0C0E4CD2\" width=\"700\" height='40'>\n"
                 "  <param name=\"ShareList\" value=\"a &lt;b&gt; &#124;c &quot;\">\n"
                 "  <param name=GoToFlag value=5 />\n"
                 "</object>\n"
                 "<script language=\"JScript\">\nvar a = \"</b>\";\n</SCRIPT>\n"
                 "<script for=\"Area\" event=\"OnCreate\">x();</script>\n");
    EXPECT_EQ(page.Title, "A & B");
    ASSERT_EQ(page.Objects.size(), 1u);
    const TPageObject& object = page.Objects[0];
    EXPECT_EQ(object.Id, "Area");
    EXPECT_EQ(object.ClassId, "clsid:0C0E4CD2");
    EXPECT_EQ(object.Width, 700);
    EXPECT_EQ(object.Height, 40);
    EXPECT_EQ(object.Line, 4);
    using TParams = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(object.Params, (TParams{{"ShareList", "a <b> |c \""}, {"GoToFlag", "5"}}));
    ASSERT_EQ(page.Scripts.size(), 2u);
    EXPECT_EQ(page.Scripts[0].Language, "JScript");
    EXPECT_EQ(page.Scripts[0].Text, "\nvar a = \"</b>\";\n");
    EXPECT_EQ(page.Scripts[0].Line, 8);
    EXPECT_EQ(page.Scripts[1].For, "Area");
    EXPECT_EQ(page.Scripts[1].Event, "OnCreate");
    EXPECT_EQ(page.Scripts[1].Line, 11);
    EXPECT_TRUE(page.Unsupported.empty());
}

TEST(PageReader, NamesEveryUnsupportedFeatureOnce) {
    const TPage page = ReadPage("<body onload=\"go()\"><iframe src=x></iframe><p>text</p>\n"
                                "<object id=A classid=clsid:1 codebase=\"x.cab\"></object>\n"
                                "<iframe></iframe><form><input onclick=\"y()\"></form>\n");
    EXPECT_EQ(
        page.Unsupported,
        (std::vector<std::string>{"onload attribute", "<iframe>", "codebase attribute of <object>",
                                  "<form>", "onclick attribute", "<input>"}));
}

TEST(PageReader, RefusesWhatItCannotReadNamingTheLine) {
    const char* const pages[][2] = {
        {"<p>\n<script>var a;", "line 2: <script> is not closed"},
        {"<param name=a value=b>", "line 1: <param> outside <object>"},
        {"\n<object width=\"100%\"></object>", "line 2: width must be a number of pixels"},
        {"<object>\n<object></object></object>", "line 2: <object> inside <object>"},
        {"<object id=a>", "line 1: <object> is not closed"},
        {"\n\n<!-- no end", "line 3: unclosed comment"},
    };
    for (const auto& [html, message] : pages) {
        try {
            ReadPage(html);
            ADD_FAILURE() << "read: " << html;
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
    }
}

} // namespace
} // namespace tavo::page
