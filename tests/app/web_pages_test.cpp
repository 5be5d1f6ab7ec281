// The queries of the application's pages: links written with query_value
// and read back with parse_query, and queries as browsers send them.
#include "app/web_pages.h"

#include <gtest/gtest.h>

#include "app/card_runs.h"
#include "app/design_pages.h"
#include "print/errors.h"

namespace {

using ymcko::app::Fields;
using ymcko::app::parse_query;
using ymcko::app::query_value;

TEST(WebPages, QueriesAreReadAsBrowsersSendThem) {
  const struct {
    const char* query;
    Fields fields;
  } cases[] = {
      {"name=member+card", {{"name", "member card"}}},
      {"name=%41%2fb%2F", {{"name", "A/b/"}}},
      {"k%3Dx=v%26w", {{"k=x", "v&w"}}},
      {"id=1&id=2", {{"id", "2"}}},
      {"flag&row=3", {{"row", "3"}}},
      {"bad=%zz&cut=%4", {{"bad", "%zz"}, {"cut", "%4"}}},
      {"=v&empty=", {{"", "v"}, {"empty", ""}}},
      {"&&", {}},
      {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    EXPECT_EQ(parse_query(c.query), c.fields);
  }
}

TEST(WebPages, ALinksValueComesBackAsItWas) {
  for (const std::string& text :
       std::vector<std::string>{"member card", "a/b?c=d&e=f#g", "100% + 1", "Zoë ünïcode", "-_.",
                                std::string("nul\0byte", 8), ""}) {
    SCOPED_TRACE(text);
    const std::string encoded = query_value(text);
    EXPECT_EQ(encoded.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                        "0123456789-_.%"),
              std::string::npos);
    EXPECT_EQ(parse_query("name=" + encoded + "&next=1"), (Fields{{"name", text}, {"next", "1"}}));
  }
}

TEST(WebPages, ADesignsNameIsAFolderNameOfItsOwn) {
  for (const char* name : {"member", "Staff card 2027", "a.b-c_d", "x"})
    EXPECT_EQ(ymcko::app::check_design_name(name, "Name"), name);
  for (const std::string& name :
       std::vector<std::string>{"", ".hidden", "..", "../up", "a/b", "tab\there", "naïve",
                                std::string(65, 'a'), std::string("nul\0", 4)}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(ymcko::app::check_design_name(name, "Name"), ymcko::print::Error);
  }
}

// The run form's rows become the tool's --rows; a choice of none is refused
// rather than printing every row.
TEST(WebPages, TheRowsChosenOnTheRunsPageAreTheToolsRows) {
  const struct {
    Fields form;
    std::string rows;  // "!" and the message for a refusal
  } cases[] = {
      {{}, ""},
      {{{"rows", "all"}, {"range", "2-3"}, {"row-4", "on"}}, ""},
      {{{"rows", "range"}, {"range", "2-3,7"}, {"row-4", "on"}}, "2-3,7"},
      {{{"rows", "range"}, {"range", ""}}, "!give the rows to print"},
      {{{"rows", "chosen"}, {"row-2", "on"}, {"row-10", "on"}, {"range", "5"}}, "10,2"},
      {{{"rows", "chosen"}, {"range", "5"}}, "!tick at least one row"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    if (c.rows.starts_with("!")) {
      try {
        ymcko::app::posted_rows(c.form);
        ADD_FAILURE() << "taken";
      } catch (const ymcko::print::Error& error) {
        EXPECT_EQ(error.input(), "Rows");
        EXPECT_NE(std::string(error.what()).find(c.rows.substr(1)), std::string::npos);
      }
    } else {
      EXPECT_EQ(ymcko::app::posted_rows(c.form), c.rows);
    }
  }
}

}  // namespace
