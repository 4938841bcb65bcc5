// The choose report's JSON writes the document straight into the stream, escaping it by hand
// around the library: the text must be exactly what the library alone would write, also for bytes
// that are not UTF-8.
#include "subcommands/ChooseReport.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using ordered_json = nlohmann::ordered_json;

TEST(ChooseReport, TheDocumentIsWrittenAsTheJSONLibraryWritesIt)
{
    std::vector<std::string> documents = {
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
    // Plain text is scanned a word at a time: a byte to escape or beyond ASCII at every place of a
    // word, and a document longer than the writer's buffer, made of many short lines.
    for (const std::string special : {"\"", "\\", "\n", "\x1f", "\xC3\xA9", "\x80"}) {
        for (size_t at = 0; at <= 9; ++at) {
            documents.push_back(std::string("abcdefghijklmnopqr").substr(0, at) + special + "stuvwxyz0123456789");
        }
    }
    std::string lines;
    while (lines.size() < 300 * 1024) {
        lines += "The quick brown fox jumps over the \"lazy\" dog.\n";
    }
    documents.push_back(lines + std::string(100 * 1024, 'x') + "\t");
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
