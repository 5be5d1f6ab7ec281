// Card templates: a run over a data file printed and read back from its
// previews, placeholder escaping, and the refusals that name the template or
// the row.
#include "cards/designs/card_template.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "cards/designs/code_symbol.h"
#include "cards/images/image.h"
#include "cards/images/png_decode.h"
#include "cards/images/png_write.h"
#include "support/scratch.h"

namespace {

using namespace ymcko::cards;
using ymcko::testing::ProcessResult;
using ymcko::testing::ScratchFolder;
using ymcko::testing::write_text;

// A smooth photo of 100 x 100 pixels, its colours shifted per `seed` and
// never pure black (which would go to the black panel).
std::vector<std::uint8_t> photo(int seed) {
  std::vector<std::uint8_t> rgb(100 * 100 * 3);
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 100; ++x) {
      std::uint8_t* p = &rgb[std::size_t(y * 100 + x) * 3];
      p[0] = std::uint8_t(40 + x * 2);
      p[1] = std::uint8_t(40 + y * 2);
      p[2] = std::uint8_t(60 + seed * 60);
    }
  }
  return rgb;
}

// The template: a name, a 300 x 300 photo at (40, 40) and a QR code of the
// member number, in the page's own pixels.
const char* const kFront = R"(<svg xmlns="http://www.w3.org/2000/svg"
     xmlns:xlink="http://www.w3.org/1999/xlink" viewBox="0 0 1024 656">
  <text x="400" y="100" font-size="48" fill="#000000">{{name}}</text>
  <image x="40" y="40" width="300" height="300" xlink:href="{{photo}}"/>
  <rect x="600" y="260" width="360" height="360" fill="#ccc"
        data-ymcko-code="qr" data-ymcko-value="M-{{member}}"/>
</svg>)";

std::string zbar(const std::filesystem::path& png) {
  const std::string command = "zbarimg --raw -q '" + png.string() + "' 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buffer[256];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) out += buffer;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

Image read_png(const std::filesystem::path& path) {
  std::string text = ymcko::testing::read_text(path);
  return decode_png(std::vector<std::uint8_t>(text.begin(), text.end()), path.string());
}

// A data file "d.csv" whose one row has `value` in `column`.
DataFile one_row(const std::string& column, const std::string& value) {
  std::string text = column + "\n\"";
  for (char c : value) text += c == '"' ? std::string("\"\"") : std::string(1, c);
  text += "\"\n";
  return parse_data_file({text.begin(), text.end()}, "d.csv", ".");
}

// Runs the tool; in a sanitizer build it passes over what fontconfig, pango
// and glib do inside themselves (tests/tools/*.supp).
ProcessResult run(const ScratchFolder& folder, const std::vector<std::string>& args) {
  ymcko::testing::pass_over_rendering_libraries();
  return ymcko::testing::run_program(YMCKO_TOOL_PATH, args, folder.path());
}

// Three rows, from a data file with a byte-order mark and CRLF lines: three
// cards whose QR codes read back their rows' values from the preview and
// from the black panel alone, and whose photos are their rows' photos.
TEST(Template, ThreeRowsPrintThreeCards) {
  ScratchFolder folder;
  std::filesystem::create_directory(folder / "photos");
  for (int i = 0; i < 3; ++i)
    write_png(folder / ("photos/p" + std::to_string(i) + ".png"), 100, 100, 3, photo(i));
  write_text(folder / "front.svg", kFront);
  write_text(folder / "people.csv",
             "\xEF\xBB\xBFname,member,photo,track1\r\n"
             "Ada Lovelace,1001,photos/p0.png,ADA\r\n"
             "Alan Turing,1002,photos/p1.png,ALAN\r\n"
             "\"Grace, Hopper\",1003,photos/p2.png,GRACE\r\n");
  ProcessResult printed = run(
      folder, {"print", "--template", "front.svg", "--data", "people.csv", "--mag-encoder",
               "--mag-mode", "W", "--no-color-correction", "--intensity", "50", "-o", "run.prn"});
  ASSERT_EQ(printed.status, 0) << printed.err;
  ProcessResult inspected = run(folder, {"inspect", "run.prn", "--png", "preview", "--panels"});
  ASSERT_EQ(inspected.status, 0) << inspected.err;
  EXPECT_NE(inspected.out.find("3 cards"), std::string::npos) << inspected.out;

  for (int card = 1; card <= 3; ++card) {
    SCOPED_TRACE(card);
    const std::string side = "preview/card-00" + std::to_string(card) + "-front";
    const std::string value = "M-100" + std::to_string(card);
    EXPECT_EQ(zbar(folder / (side + ".png")), value);
    EXPECT_EQ(zbar(folder / (side + "-black.png")), value) << "the code is on the black panel";

    // The held preview shows the landscape page as drawn: page pixel (x, y)
    // is preview pixel (x, y); the photo's inside, away from its resampled
    // edges, within a few levels.
    const Image preview = read_png(folder / (side + ".png"));
    const std::vector<std::uint8_t> expected = photo(card - 1);
    double difference = 0;
    int samples = 0;
    for (int y = 50; y < 330; y += 7) {
      for (int x = 50; x < 330; x += 7) {
        const std::uint8_t* got = preview.pixel(std::uint32_t(x), std::uint32_t(y));
        const int px = (x - 40) / 3, py = (y - 40) / 3;
        const std::uint8_t* want = &expected[std::size_t(py * 100 + px) * 3];
        for (int c = 0; c < 3; ++c) difference += std::abs(int(got[c]) - int(want[c]));
        samples += 3;
      }
    }
    EXPECT_LT(difference / samples, 6.0);
  }
  EXPECT_NE(inspected.out.find("GRACE"), std::string::npos) << "track 1 from the row";
}

// Values with markup characters stay text: the filled SVG parses back to the
// row's values in text and in attributes, and the row's photo stays its own
// whatever the text says.
TEST(Template, PlaceholdersAreEscaped) {
  ScratchFolder folder;
  write_png(folder / "a.png", 2, 2, 3, std::vector<std::uint8_t>(12, 9));
  write_text(folder / "t.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">)"
                               R"(<text id="{{v}}">{{v}}</text><image href="{{p}}"/></svg>)");
  CardTemplate design(folder / "t.svg", folder.path());
  for (const char* value : {"<b>", "Tom & Jerry", "say \"hi\"", "it's", "]]>", "&amp;",
                            "href=\"#ymcko-embedded-0\"", "=\"#ymcko-embedded-0\""}) {
    SCOPED_TRACE(value);
    std::vector<CodeSlot> codes;
    std::string csv = "v,p\n\"";
    for (char c : std::string(value)) csv += c == '"' ? std::string("\"\"") : std::string(1, c);
    csv += "\",a.png\n";
    const DataFile data = parse_data_file({csv.begin(), csv.end()}, "d.csv", ".");
    const std::string svg = design.fill(data.rows[0], codes);
    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
        xmlReadMemory(svg.data(), int(svg.size()), nullptr, nullptr, XML_PARSE_NONET), xmlFreeDoc);
    ASSERT_TRUE(doc) << svg;
    xmlNode* text = xmlDocGetRootElement(doc.get())->children;
    xmlChar* content = xmlNodeGetContent(text);
    xmlChar* id = xmlGetProp(text, reinterpret_cast<const xmlChar*>("id"));
    EXPECT_STREQ(reinterpret_cast<const char*>(content), value);
    EXPECT_STREQ(reinterpret_cast<const char*>(id), value);
    xmlChar* href = xmlGetProp(text->next, reinterpret_cast<const xmlChar*>("href"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(href)).rfind("data:image/png;base64,", 0),
              0u);
    xmlFree(content);
    xmlFree(id);
    xmlFree(href);
  }
}

// Every symbology draws whole-dot modules in pure black on white inside its
// rectangle, reads back where zbar reads it, and refuses a value it cannot
// encode naming the place it was given.
TEST(Template, CodesDrawPureBlackModulesAndRefuseWhatTheyCannotEncode) {
  struct Case {
    const char* kind;
    const char* value;
    const char* bad;
    bool readable;  // zbar reads this symbology
  };
  const Case cases[] = {
      {"qr", "M-1001 Ada", "", true},      {"code128", "M-1001", "\xE2\x82\xAC uro", true},
      {"code39", "M-1001", "a~b", true},   {"pdf417", "M-1001 Ada", "", false},
      {"datamatrix", "M-1001", "", false}, {"ean13", "4006381333931", "4006381333932", true},
  };
  ScratchFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    Image page = filled_image(700, 400, 200, 50, 50);
    draw_code(page, c.kind, c.value, 50, 40, 600, 320, "d.csv:2: v");
    std::size_t black = 0, other = 0;
    for (std::uint32_t y = 0; y < page.height; ++y) {
      for (std::uint32_t x = 0; x < page.width; ++x) {
        const std::uint8_t* p = page.pixel(x, y);
        const bool in_rect = x >= 50 && x < 650 && y >= 40 && y < 360;
        const bool is_black = p[0] == 0 && p[1] == 0 && p[2] == 0;
        const bool is_white = p[0] == 255 && p[1] == 255 && p[2] == 255;
        black += is_black;
        other += in_rect ? !(is_black || is_white) : (is_black || is_white);
      }
    }
    EXPECT_GT(black, 1000u);
    EXPECT_EQ(other, 0u) << "pixels neither black nor white in the rectangle, or touched outside";
    if (c.readable) {
      write_png(folder / "code.png", page.width, page.height, 4, page.rgba);
      EXPECT_EQ(zbar(folder / "code.png"), c.value);
    }
    try {
      draw_code(page, c.kind, c.bad, 50, 40, 600, 320, "d.csv:2: v");
      ADD_FAILURE() << "accepted " << c.bad;
    } catch (const ymcko::print::Error& error) {
      EXPECT_EQ(error.input(), "d.csv:2: v");
    }
  }
  Image small = filled_image(30, 30, 255, 255, 255);
  EXPECT_THROW(draw_code(small, "qr", "too long for thirty dots", 0, 0, 30, 30, "d.csv:2: v"),
               ymcko::print::Error);
}

// Each problem is refused before a card is made, with one line naming the
// template or the data row, and no job is left behind.
TEST(Template, ProblemsAreRefusedWithOneLine) {
  const std::string photo_rect =
      R"(<image href="{{photo}}" width="10" height="10"/>)"
      R"(<rect x="0" y="0" width="600" height="600" data-ymcko-code="ean13" )"
      R"(data-ymcko-value="{{member}}"/>)";
  struct Case {
    const char* name;
    std::string body;  // inside <svg>
    std::string data;
    const char* message;
  };
  const std::string good = "photo,member\nin.png,400638133393\n";
  const Case cases[] = {
      {"a placeholder with no column", "<text>{{nmae}}</text>", good,
       "front.svg: {{nmae}}: run/people.csv has no such column"},
      {"a missing photo", photo_rect, "photo,member\nmissing.png,400638133393\n",
       "people.csv:2: photo: "},
      {"a photo outside the data folder", photo_rect, "photo,member\n../in.png,400638133393\n",
       "people.csv:2: photo: run/../in.png: lies outside the data file's folder"},
      {"a value the code cannot encode", photo_rect, "photo,member\nin.png,12AB\n",
       "people.csv:2: member: the value \"12AB\" cannot be drawn as ean13"},
      {"a wrong check digit", photo_rect, "photo,member\nin.png,4006381333932\n",
       "people.csv:2: member: the value \"4006381333932\" cannot be drawn as ean13"},
      {"a track too long", "<text>{{track2}}</text>", "track2\n" + std::string(80, '1') + "\n",
       "people.csv:2: track2: "},
      {"not well formed", "<text>open", good, "front.svg: not a well-formed SVG: line"},
      {"a file outside the data folder", R"(<image href="../in.png"/>)", good,
       "front.svg: <image> refers to ../in.png, outside the template's and the data file's "
       "folders"},
      {"a remote image", R"(<image href="http://127.0.0.1/a.png"/>)", good,
       "front.svg: <image> refers to http://127.0.0.1/a.png: a template loads nothing from the "
       "network"},
      {"an absolute path", R"(<image href="/etc/a.png"/>)", good,
       "front.svg: <image> refers to /etc/a.png: a template loads nothing"},
      {"a remote style", R"x(<rect style="fill:url(http://127.0.0.1/p.svg#x)"/>)x", good,
       "front.svg: <rect> refers to url(http://127.0.0.1/p.svg#x)"},
      {"a rotated code", R"x(<g transform="rotate(30)">)x" + photo_rect + "</g>", good,
       "front.svg: code rectangle: it is rotated or skewed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder outer;
    std::filesystem::create_directory(outer / "run");
    write_png(outer / "in.png", 4, 4, 3, std::vector<std::uint8_t>(48, 128));
    write_png(outer / "run/in.png", 4, 4, 3, std::vector<std::uint8_t>(48, 128));
    write_text(
        outer / "run/front.svg",
        R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 1024 656">)" + c.body + "</svg>");
    write_text(outer / "run/people.csv", c.data);
    ScratchFolder& folder = outer;
    ProcessResult result = run(folder, {"print", "--template", "run/front.svg", "--data",
                                        "run/people.csv", "-o", "run/out.prn"});
    EXPECT_EQ(result.status, 1);
    const std::string expected = std::string("ymcko: error: run/") + c.message;
    EXPECT_EQ(result.err.rfind(expected, 0), 0u) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_FALSE(std::filesystem::exists(outer / "run/out.prn"));
  }
  // A back template where every page is a card of its own, before any card.
  ScratchFolder folder;
  write_text(folder / "t.svg", R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 1 1"/>)");
  write_text(folder / "rows.csv", "name\nAda\n");
  ProcessResult backed = run(folder, {"print", "--template", "t.svg", "--back-template", "t.svg",
                                      "--data", "rows.csv", "-o", "out.prn"});
  EXPECT_EQ(backed.status, 1);
  EXPECT_EQ(backed.err,
            "ymcko: error: t.svg: a back template needs side mode 1 or 2; side mode 0 "
            "prints every page on a new card\n");
}

// A code rectangle lands where the transforms of its groups put it (an
// editor's layers carry them); one that would not stand upright is refused.
TEST(Template, CodesFollowTheirGroupsTransforms) {
  struct Case {
    const char* group;  // the transform of the group around the rectangle
    const char* rect;   // and of the rectangle
    double x, y, width, height;
    const char* refused = nullptr;
  };
  const Case cases[] = {
      {"", "", 10, 20, 30, 40},
      {"translate(100,50)", "", 110, 70, 30, 40},
      {"translate(5) scale(2)", "translate(1 1)", 27, 42, 60, 80},
      {"matrix(1,0,0,-1,0,656)", "", 10, 596, 30, 40},
      {"rotate(90)", "rotate(-90)", 10, 20, 30, 40},
      {"rotate(45)", "", 0, 0, 0, 0, "it is rotated or skewed"},
      {"skewX(10)", "", 0, 0, 0, 0, "it is rotated or skewed"},
      {"scale(0)", "", 0, 0, 0, 0, "scales it to nothing"},
      {"translate(1,", "", 0, 0, 0, 0, "transform \"translate(1,\" cannot be read"},
      {"spin(3)", "", 0, 0, 0, 0, "transform \"spin(3)\" cannot be read"},
  };
  ScratchFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.group) + " / " + c.rect);
    write_text(folder / "t.svg",
               std::string(R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 1024 656">)") +
                   R"(<g transform=")" + c.group + R"("><rect transform=")" + c.rect +
                   R"(" x="10" y="20" width="30" height="40" data-ymcko-code="qr" )"
                   R"(data-ymcko-value="1"/></g></svg>)");
    try {
      CardTemplate design(folder / "t.svg", folder.path());
      ASSERT_EQ(design.codes().size(), 1u);
      ASSERT_EQ(c.refused, nullptr);
      const CodeSlot& code = design.codes()[0];
      EXPECT_NEAR(code.x, c.x, 1e-9);
      EXPECT_NEAR(code.y, c.y, 1e-9);
      EXPECT_NEAR(code.width, c.width, 1e-9);
      EXPECT_NEAR(code.height, c.height, 1e-9);
    } catch (const ymcko::print::Error& error) {
      ASSERT_NE(c.refused, nullptr) << error.what();
      EXPECT_NE(std::string(error.what()).find(c.refused), std::string::npos) << error.what();
    }
  }
}

// A template's own files are found beside it, as in any SVG viewer, and a
// row's photo inside the data folder may be named by its full path.
TEST(Template, FilesAreFoundWhereTheTemplateAndTheDataPutThem) {
  ScratchFolder folder;
  for (const char* sub : {"design", "data"}) std::filesystem::create_directory(folder / sub);
  const std::vector<std::uint8_t> grey(48, 128);
  write_png(folder / "design/logo.png", 4, 4, 3, grey);
  write_png(folder / "data/face.png", 4, 4, 3, grey);
  write_text(folder / "design/t.svg",
             R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 1024 656">)"
             R"(<image href="logo.png"/><image href="{{photo}}"/></svg>)");
  CardTemplate design(folder / "design/t.svg", folder / "data");
  for (const std::string& photo : {std::string("face.png"), (folder / "data/face.png").string()}) {
    SCOPED_TRACE(photo);
    EXPECT_TRUE(design.row_problems(one_row("photo", photo).rows[0]).empty());
  }
  const auto outside =
      design.row_problems(one_row("photo", (folder / "design/logo.png").string()).rows[0]);
  ASSERT_EQ(outside.size(), 1u);
  EXPECT_NE(std::string(outside[0].what()).find("lies outside the data file's folder"),
            std::string::npos);
}

// The check lists the placeholders and codes and reports every bad row, one
// line each, as print would refuse it with the same settings.
TEST(Template, CheckListsAndReportsEveryProblem) {
  ScratchFolder folder;
  write_png(folder / "a.png", 4, 4, 3, std::vector<std::uint8_t>(48, 128));
  write_text(folder / "front.svg",
             R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 1024 656">)"
             R"(<text>{{name}}</text><image href="{{photo}}"/>)"
             R"(<rect x="10" y="10" width="300" height="300" data-ymcko-code="code39" )"
             R"(data-ymcko-value="{{member}}"/></svg>)");
  write_text(folder / "people.csv",
             "name,photo,member,track1\nA,a.png,A1,A\nB,b.png,B2,B\nC,a.png,c~3,C\n"
             "D,a.png,D4,Dora\n");
  const std::vector<std::string> check = {"template",   "check",      "front.svg", "--data",
                                          "people.csv", "--mag-mode", "W",         "--mag-encoder"};
  ProcessResult result = run(folder, check);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.out.find("front.svg: placeholders: {{name}} {{photo}} {{member}}"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("front.svg: code code39 \"{{member}}\""), std::string::npos)
      << result.out;
  EXPECT_EQ(result.err.find("ymcko: error: people.csv:3: photo: "), 0u) << result.err;
  EXPECT_NE(result.err.find("\nymcko: error: people.csv:4: member: the value \"c~3\""),
            std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find("\nymcko: error: people.csv:5: track1: character \"o\" at position 2"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 3) << result.err;

  write_text(folder / "people.csv", "name,photo,member,track1\nA,a.png,A1,ADA\n");
  EXPECT_EQ(run(folder, check).status, 0);
  const std::vector<std::string> without(check.begin(), check.end() - 1);
  EXPECT_NE(run(folder, without)
                .err.find("people.csv:2: track1: the printer has no "
                          "magnetic-stripe encoder set (--mag-encoder)"),
            std::string::npos)
      << "the check takes the settings print takes";
}

// The check renders each row's side as print would, apart from rows it
// already refuses; after a side that takes too long, the design's later
// rows are not rendered, so one line reports it however many rows follow.
TEST(Template, CheckRendersEachRowWithinTheBounds) {
  ScratchFolder folder;
  write_text(folder / "front.svg",
             R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 1024 656">)"
             R"(<filter id="f" x="0" y="0" width="1" height="1">)"
             R"(<feTurbulence baseFrequency="0.01" numOctaves="{{octaves}}"/></filter>)"
             R"x(<rect width="1024" height="656" filter="url(#f)"/>)x"
             R"(<image href="{{photo}}"/></svg>)");
  write_text(folder / "people.csv",
             "octaves,photo\n1,\n100000,missing.png\n100000,\n100000,\n100000,\n1,\n");
  ProcessResult result =
      run(folder, {"template", "check", "front.svg", "--data", "people.csv", "--pdf-timeout", "1"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err.find("ymcko: error: people.csv:3: photo: "), 0u) << result.err;
  EXPECT_NE(result.err.find("\nymcko: error: people.csv:4: card 3 front front.svg: rendering "
                            "takes longer than the 1 s a side may take\n"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 2) << result.err;
}

}  // namespace

// The README's example: the design and data in examples/ check clean and
// print their three people.
TEST(Template, TheExamplesCheckAndPrint) {
  ScratchFolder folder;
  const std::filesystem::path examples =
      std::filesystem::path(YMCKO_TEST_DATA_DIR).parent_path() / "examples";
  const std::string design = (examples / "member-card.svg").string();
  const std::string data = (examples / "people.csv").string();
  const ProcessResult checked = run(
      folder, {"template", "check", design, "--data", data, "--mag-encoder", "--mag-mode", "W"});
  EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
  const ProcessResult printed = run(folder, {"print", "--template", design, "--data", data,
                                             "--mag-encoder", "--mag-mode", "W", "-o", "run.prn"});
  ASSERT_EQ(printed.status, 0) << printed.err;
  EXPECT_EQ(printed.err.find("warning"), std::string::npos) << printed.err;
  const ProcessResult inspected = run(folder, {"inspect", "run.prn"});
  EXPECT_NE(inspected.out.find("3 cards"), std::string::npos) << inspected.out;
}
