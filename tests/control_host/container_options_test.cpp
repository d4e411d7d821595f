// The container's command line: what a page's embedding element and a test's steps become.

#include "tools/tavo_container/container_options.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace tavo::container {
namespace {

TEST(ContainerOptions, ControlParamsAndStepsKeepTheirOrder) {
    TOptions options =
        ParseOptions({"TavoProj1.Tavo", "--size", "800x600", "--param", "GoToFlag=7", "--param",
                      "ShareList=a=b", "--get", "GoToFlag", "--put", "GoToFlag=3", "--wait", "50",
                      "--screenshot", "Z:/tmp/x.png", "--release", "--exit", "--design-mode"});
    EXPECT_EQ(options.Control, "TavoProj1.Tavo");
    EXPECT_EQ(options.Width, 800);
    EXPECT_EQ(options.Height, 600);
    EXPECT_TRUE(options.DesignMode);
    ASSERT_EQ(options.Params.size(), 2u);
    EXPECT_EQ(options.Params[1].first, "ShareList");
    EXPECT_EQ(options.Params[1].second, "a=b"); // only the first '=' separates
    EXPECT_EQ(ParseOptions({"A.B", "--param", "Caption=\\u00e9"}).Params[0].second, "\xc3\xa9");
    ASSERT_EQ(options.Steps.size(), 6u);
    EXPECT_EQ(options.Steps[0].Kind, TStepKind::Get);
    EXPECT_EQ(options.Steps[1].Text, "GoToFlag=3");
    EXPECT_EQ(options.Steps[3].Text, "Z:/tmp/x.png");
    EXPECT_EQ(options.Steps[5].Kind, TStepKind::Exit);
    EXPECT_EQ(ParseOptions({"{0C0E4CD2-59DF-48EF-8904-1A168D9A09B0}"}).Width, 640);
}

TEST(ContainerOptions, RefusesWhatCannotBeRun) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"--exit"},
        {"A.B", "C.D"},
        {"A.B", "--size", "640"},
        {"A.B", "--size", "0x480"},
        {"A.B", "--param", "=7"},
        {"A.B", "--put", "GoToFlag"},
        {"A.B", "--get", "Go To"},
        {"A.B", "--call", "SetLogin"},
        {"A.B", "--call", "SetLogin(\"a,b)"},
        {"A.B", "--wait", "-5"},
        {"A.B", "--wait"},
        {"A.B", "--frobnicate"},
    };
    for (const auto& arguments : wrong)
        EXPECT_THROW(ParseOptions(arguments), std::invalid_argument)
            << ::testing::PrintToString(arguments);
}

TEST(ContainerOptions, ArgumentsAreNumbersOnlyWhenWholeAnd32Bit) {
    struct Case {
        const char* text;
        bool isNumber;
        long number;
        const char* asText;
    };
    const Case cases[] = {{"7", true, 7, "7"},
                          {" -21 ", true, -21, "-21"},
                          {"2147483647", true, 2147483647L, "2147483647"},
                          {"2147483648", false, 0, "2147483648"},
                          {"1.5", false, 0, "1.5"},
                          {"-", false, 0, "-"},
                          {"\"21\"", false, 0, "21"},
                          {"127.0.0.1", false, 0, "127.0.0.1"},
                          {"", false, 0, ""},
                          // non-ASCII text through a command line Wine may strip to 7 bits
                          {"\\u6807\\u9898", false, 0, "\xe6\xa0\x87\xe9\xa2\x98"},
                          {"\"\\uD83D\\uDE00\"", false, 0, "\xf0\x9f\x98\x80"},
                          {"\\u0037", false, 0, "7"},
                          {"C:\\users\\u12", false, 0, "C:\\users\\u12"}};
    for (const Case& c : cases) {
        TArgument argument = ParseArgument(c.text);
        EXPECT_EQ(argument.IsNumber, c.isNumber) << c.text;
        if (c.isNumber)
            EXPECT_EQ(argument.Number, c.number) << c.text;
        else
            EXPECT_EQ(argument.Text, c.asText) << c.text;
    }
}

TEST(ContainerOptions, CallSplitsArgumentsOutsideQuotes) {
    TCall call = ParseCall(R"(SetLogin(127.0.0.1, "an,on", "", 2121))");
    EXPECT_EQ(call.Name, "SetLogin");
    ASSERT_EQ(call.Arguments.size(), 4u);
    EXPECT_EQ(call.Arguments[1].Text, "an,on");
    EXPECT_EQ(call.Arguments[2].Text, "");
    EXPECT_EQ(call.Arguments[3].Number, 2121);
    EXPECT_TRUE(ParseCall("Close( )").Arguments.empty());
}

} // namespace
} // namespace tavo::container
