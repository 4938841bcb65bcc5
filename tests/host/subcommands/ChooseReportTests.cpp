// The choose report's JSON writes the document straight into the stream, escaping it by hand
// around the library: the text must be exactly what the library alone would write, also for bytes
// that are not UTF-8.
#include "subcommands/ChooseReport.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using ordered_json = nlohmann::ordered_json;

TEST(ChooseReport, TheDocumentIsWrittenAsTheJSONLibraryWritesIt)
{
    const std::string documents[] = {
        "",
        "plain text",
        "quote \" backslash \\ slash /",
        std::string("tab\t newline\n return\r back\b feed\f controls \x01\x1f delete \x7f nul ") + '\0' + "!",
        "\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 beyond ASCII",
        "a lone \x80 continuation",
        "cut \xE2\x82 before ASCII",
        "cut at the end \xE2\x82",
        "overlong \xC0\x80 and \xFF\xFE",
        "\xF0\x9F\x98\x80\xF0\x9F",
    };
    for (const std::string& document : documents) {
        SCOPED_TRACE(testing::PrintToString(document));
        cmhost::ChooseReport report;
        report.status = 3;
        report.warnings = {"a \"warning\""};
        report.document = document;
        std::ostringstream out;
        cmhost::WriteChooseJson(report, out);

        ordered_json expected = ordered_json::parse(out.str());
        ASSERT_TRUE(expected.contains("document"));
        expected["document"] = document;
        EXPECT_EQ(out.str(), expected.dump(1, ' ', false, ordered_json::error_handler_t::replace) + "\n");
    }
}

}  // namespace
