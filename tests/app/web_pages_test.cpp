// The queries of the application's pages: links written with query_value
// and read back with parse_query, and queries as browsers send them.
#include "app/web_pages.h"

#include <gtest/gtest.h>

#include "app/card_runs.h"
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

}  // namespace
