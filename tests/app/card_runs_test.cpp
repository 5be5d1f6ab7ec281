// A card run's photos, uploaded loose or in ZIPs of any folder, found where
// its data file names them, and what the run's check says of those it
// cannot find.
#include "app/card_runs.h"

#include <gtest/gtest.h>
#include <zip.h>

#include "support/scratch.h"

namespace {

using ymcko::app::UploadedFile;
using ymcko::testing::ScratchFolder;

// A ZIP of the example's photos under these paths.
std::filesystem::path zip_of(const std::filesystem::path& path,
                             const std::vector<std::pair<std::string, std::string>>& entries) {
  int error = 0;
  zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  for (const auto& [name, photo] : entries) {
    zip_source_t* source = zip_source_file(archive, photo.c_str(), 0, -1);
    zip_file_add(archive, name.c_str(), source, 0);
  }
  EXPECT_EQ(zip_close(archive), 0);
  return path;
}

TEST(CardRun, FindsEachPhotoWhereTheDataFileNamesIt) {
  const std::string photos = std::string(YMCKO_TEST_DATA_DIR) + "/../examples/photos/";
  const std::string amara = photos + "amara.png", tomas = photos + "tomas.png";
  struct Case {
    const char* name;
    std::vector<std::string> loose;                           // photos given as files
    std::vector<std::pair<std::string, std::string>> zipped;  // and in one ZIP, by path
    std::vector<std::string> problems;                        // what the check says
  };
  const Case cases[] = {
      {"files, by their names", {amara, tomas}, {}, {}},
      {"a ZIP of the data file's photos folder",
       {},
       {{"photos/amara.png", amara}, {"photos/tomas.png", tomas}},
       {}},
      {"a ZIP of another folder, by the photos' names",
       {},
       {{"members/2027/amara.png", amara}, {"tomas.png", tomas}},
       {}},
      {"a photo not given", {amara}, {}, {"rows.csv:3: photo: photos/tomas.png: "}},
      {"two photos of the name, neither where the row says",
       {tomas},
       {{"a/amara.png", amara}, {"b/amara.png", tomas}},
       {"rows.csv:2: photo: photos/amara.png: "}},
      {"a path outside the run", {amara, tomas}, {}, {"rows.csv:4: photo: ../amara.png: "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    const std::filesystem::path design = folder / "design", upload = folder / "upload";
    std::filesystem::create_directories(design);
    std::filesystem::create_directories(upload);
    std::filesystem::copy_file(std::string(YMCKO_TEST_DATA_DIR) + "/../examples/member-card.svg",
                               design / "front.svg");
    const bool outside = std::string(c.name).starts_with("a path outside");
    ymcko::testing::write_text(upload / "rows.csv",
                               "name,member,photo\nAmara,LMC-1,photos/amara.png\nTomas,LMC-2,"
                               "photos/tomas.png\n" +
                                   std::string(outside ? "Out,LMC-3,../amara.png\n" : ""));
    ymcko::app::UploadedForm form;
    form.files.push_back({"data", "rows.csv", upload / "rows.csv", 0});
    for (const std::string& photo : c.loose) {
      const std::filesystem::path copy = upload / std::filesystem::path(photo).filename();
      std::filesystem::copy_file(photo, copy);
      form.files.push_back({"photos", copy.filename().string(), copy, 0});
    }
    if (!c.zipped.empty())
      form.files.push_back({"photos", "photos.zip", zip_of(upload / "photos.zip", c.zipped), 0});

    ymcko::app::CardRun run("id", 1, "", {"member", design, "front.svg", "", {}}, folder / "run");
    std::filesystem::create_directories(folder / "run");
    run.load(form);
    const std::vector<std::string> problems = run.problems();
    ASSERT_EQ(problems.size(), c.problems.size()) << (problems.empty() ? "" : problems[0]);
    for (std::size_t i = 0; i < problems.size(); ++i)
      EXPECT_TRUE(problems[i].starts_with(c.problems[i])) << problems[i];
  }
}

}  // namespace
