// Named-item lists, both kinds: builder records linked by pointers and packed
// image items linked by 32-bit offsets, answering alike.
#include "pool/list.h"
#include "ppdimage/ppd_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace {

// Builder records: a list of bare items whose names the test owns.
class NativeList {
 public:
  LISTOBJ* add(const std::string& name) {
    names_.push_back(name);
    items_.push_back(LISTOBJ{});
    items_.back().pstrName = names_.back().data();
    LISTOBJ_Add(&head_, &items_.back());
    return &items_.back();
  }
  LISTOBJ* head() const { return head_; }

 private:
  std::deque<std::string> names_;
  std::deque<LISTOBJ> items_;
  LISTOBJ* head_ = nullptr;
};

// A packed image laid out as the packer does: a header whose u32 at
// offset 4 heads the list, then each item (12-byte header plus `extra` bytes)
// followed by its name, every piece at a multiple of 4.
class ImageList {
 public:
  static constexpr DWORD HEAD = 4;

  explicit ImageList(DWORD extra = 0) : extra_(extra) {}

  DWORD add(const std::string& name) {
    DWORD item = append(12 + extra_);
    DWORD text = append_string(name);
    put(item + 4, text);
    put(item + 8, HashKeyword(name.c_str()));
    put(last_ == 0 ? HEAD : last_, item);
    last_ = item;
    return item;
  }

  DWORD append(DWORD size) {
    DWORD at = static_cast<DWORD>(bytes_.size());
    bytes_.resize(at + (size + 3) / 4 * 4, 0);
    return at;
  }
  DWORD append_string(const std::string& text) {
    DWORD at = append(static_cast<DWORD>(text.size()) + 1);
    std::copy(text.begin(), text.end(), bytes_.begin() + at);
    return at;
  }
  void put(DWORD at, DWORD value) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<BYTE>(value >> (8 * i));
  }

  ymcko::image_item head() const { return ymcko::image_list(ymcko::ppd_view(bytes_), HEAD); }
  std::vector<BYTE>& bytes() { return bytes_; }

 private:
  DWORD extra_;
  DWORD last_ = 0;
  std::vector<BYTE> bytes_ = std::vector<BYTE>(sizeof(PPDDATA), 0);
};

std::string name_of(const LISTOBJ* item) { return item ? item->pstrName : "(none)"; }
std::string name_of(const ymcko::image_item& item) {
  return item.is_null() ? "(none)" : item.name();
}

const std::vector<std::string> kNames = {"PageSize", "ab", "InputSlot", "cf",
                                         "pagesize", "ab", "\xC9t\xE9", "Duplex"};

TEST(Lists, BothKindsAnswerAlike) {
  NativeList native;
  ImageList image;
  for (const auto& name : kNames) {
    native.add(name);
    image.add(name);
  }
  EXPECT_EQ(LISTOBJ_Count(native.head()), kNames.size());
  EXPECT_EQ(LISTOBJ_Count(image.head()), kNames.size());

  // Equal names: the earliest wins; equal hashes ("ab", "cf", "ej"): the name decides.
  ASSERT_EQ(HashKeyword("ab"), HashKeyword("cf"));
  ASSERT_EQ(HashKeyword("ab"), HashKeyword("ej"));
  const struct {
    const char* name;
    WORD position;
  } finds[] = {{"PageSize", 0},           {"ab", 1},       {"cf", 3},
               {"ej", LIST_NO_POSITION},  {"pagesize", 4}, {"PAGESIZE", LIST_NO_POSITION},
               {"\xC9t\xE9", 6},          {"Duplex", 7},   {"", LIST_NO_POSITION},
               {"Page", LIST_NO_POSITION}};
  for (const auto& f : finds) {
    SCOPED_TRACE(f.name);
    WORD native_at = 1234, image_at = 1234;
    LISTOBJ* n = LISTOBJ_FindItemIndex(native.head(), f.name, &native_at);
    ymcko::image_item i = LISTOBJ_FindItemIndex(image.head(), f.name, &image_at);
    EXPECT_EQ(native_at, f.position);
    EXPECT_EQ(image_at, f.position);
    EXPECT_EQ(n, LISTOBJ_Find(native.head(), f.name));
    EXPECT_EQ(i.offset, LISTOBJ_Find(image.head(), f.name).offset);
    if (f.position == LIST_NO_POSITION) {
      EXPECT_EQ(n, nullptr);
      EXPECT_TRUE(i.is_null());
      EXPECT_EQ(i.offset, 0u);
    } else {
      EXPECT_EQ(name_of(n), f.name);
      EXPECT_EQ(name_of(i), f.name);
    }
  }

  for (DWORD at = 0; at <= kNames.size() + 1; ++at) {
    SCOPED_TRACE(at);
    std::string want = at < kNames.size() ? kNames[at] : "(none)";
    EXPECT_EQ(name_of(LISTOBJ_FindIndexed(native.head(), at)), want);
    EXPECT_EQ(name_of(LISTOBJ_FindIndexed(image.head(), at)), want);
  }
}

TEST(Lists, EmptyListsFindNothing) {
  WORD at = 0;
  LISTOBJ* none = nullptr;
  EXPECT_EQ(LISTOBJ_FindItemIndex(none, "x", &at), nullptr);
  EXPECT_EQ(at, LIST_NO_POSITION);
  EXPECT_EQ(LISTOBJ_Find(none, "x"), nullptr);
  EXPECT_EQ(LISTOBJ_Count(none), 0u);
  EXPECT_EQ(LISTOBJ_FindIndexed(none, 0), nullptr);

  ImageList image;
  at = 0;
  EXPECT_TRUE(LISTOBJ_FindItemIndex(image.head(), "x", &at).is_null());
  EXPECT_EQ(at, LIST_NO_POSITION);
  EXPECT_EQ(LISTOBJ_Count(image.head()), 0u);
  EXPECT_TRUE(LISTOBJ_FindIndexed(image.head(), 0).is_null());
  EXPECT_EQ(LISTOBJ_Count(ymcko::image_list({}, 0)), 0u);
}

TEST(Lists, AddStoresTheHashAndAppendsWithoutTouchingTheItem) {
  NativeList list;
  LISTOBJ* a = list.add("PageSize");
  LISTOBJ* b = list.add("InputSlot");
  LISTOBJ* c = list.add("Duplex");
  EXPECT_EQ(list.head(), a);
  EXPECT_EQ(a->pNext, b);
  EXPECT_EQ(b->pNext, c);
  EXPECT_EQ(c->pNext, nullptr);
  EXPECT_EQ(a->dwHash, 0x395Du);
  WORD at = 0;
  EXPECT_EQ(LISTOBJ_FindItemIndex(list.head(), "InputSlot", &at), b);
  EXPECT_EQ(at, 1);
}

TEST(Lists, TheStoredHashIsComparedFirst) {
  // An item whose stored hash is not its name's is never found by name.
  NativeList native;
  native.add("Collate")->dwHash ^= 1;
  EXPECT_EQ(LISTOBJ_Find(native.head(), "Collate"), nullptr);

  ImageList image;
  DWORD item = image.add("Collate");
  image.put(item + 8, HashKeyword("Collate") ^ 1);
  EXPECT_TRUE(LISTOBJ_Find(image.head(), "Collate").is_null());
}

// Records of several kinds in one list, as the options of a feature are.
struct Option : ymcko::list_item<Option> {
  char* pstrInvocation;
};
struct MediaOption : Option {
  LONG szPaper[2];
};
struct Feature : ymcko::list_item<Feature> {
  Option* pOptions;
};

TEST(Lists, ExtendedRecordsShareTheirBaseRecordsList) {
  std::string a = "CR_80", b = "Letter";
  MediaOption card{};
  card.pstrName = a.data();
  Option plain{};
  plain.pstrName = b.data();

  Feature feature{};
  EXPECT_EQ(UIGROUP_CountOptions(&feature), 0u);
  LISTOBJ_Add(&feature.pOptions, static_cast<Option*>(&card));
  LISTOBJ_Add(&feature.pOptions, &plain);
  EXPECT_EQ(UIGROUP_CountOptions(&feature), 2u);
  EXPECT_EQ(static_cast<Option*>(&card), LISTOBJ_Find(feature.pOptions, "CR_80"));
  EXPECT_EQ(UIGROUP_CountOptions(static_cast<Feature*>(nullptr)), 0u);
}

TEST(Lists, ImageFeatureCountsItsOptions) {
  // A 40-byte feature record whose option list heads at byte 36.
  ImageList image(28);
  DWORD feature = image.add("PageSize");
  DWORD option1 = image.append(20);
  DWORD name1 = image.append_string("CR_80");
  DWORD option2 = image.append(20);
  DWORD name2 = image.append_string("CR_90");
  image.put(feature + IMAGE_UIGROUP_OPTIONS, option1);
  image.put(option1, option2);
  image.put(option1 + 4, name1);
  image.put(option1 + 8, HashKeyword("CR_80"));
  image.put(option2 + 4, name2);
  image.put(option2 + 8, HashKeyword("CR_90"));

  ymcko::image_item group = LISTOBJ_Find(image.head(), "PageSize");
  EXPECT_EQ(UIGROUP_CountOptions(group), 2u);
  WORD at = 0;
  EXPECT_EQ(LISTOBJ_FindItemIndex(group.follow(IMAGE_UIGROUP_OPTIONS), "CR_90", &at).offset,
            option2);
  EXPECT_EQ(at, 1);
  EXPECT_EQ(UIGROUP_CountOptions(LISTOBJ_Find(image.head(), "none")), 0u);

  image.put(feature + IMAGE_UIGROUP_OPTIONS, 0);
  EXPECT_EQ(UIGROUP_CountOptions(image.head()), 0u);
}

TEST(Lists, ImageWalksStayInsideTheImageAndEnd) {
  const struct {
    const char* name;
    // Changes one field of the three-item list a, b, c (items at ia, ib, ic).
    void (*damage)(ImageList&, DWORD ia, DWORD ib, DWORD ic);
    DWORD count;
    bool b_found;
  } cases[] = {
      {"intact", [](ImageList&, DWORD, DWORD, DWORD) {}, 3, true},
      {"link back to the first item",
       [](ImageList& l, DWORD ia, DWORD, DWORD ic) { l.put(ic, ia); }, 3, true},
      {"link to itself", [](ImageList& l, DWORD, DWORD ib, DWORD) { l.put(ib, ib); }, 2, true},
      {"link past the end", [](ImageList& l, DWORD ia, DWORD, DWORD) { l.put(ia, 0x7FFFFFF0); }, 1,
       false},
      {"item header cut by the end",
       [](ImageList& l, DWORD ia, DWORD, DWORD) {
         l.put(ia, static_cast<DWORD>(l.bytes().size() - 8));
       },
       1, false},
      {"name offset past the end",
       [](ImageList& l, DWORD, DWORD ib, DWORD) { l.put(ib + 4, 0xFFFFFFFF); }, 3, false},
      {"name without terminator inside the image",
       [](ImageList& l, DWORD, DWORD ib, DWORD) {
         l.bytes().back() = 'b';
         l.put(ib + 4, static_cast<DWORD>(l.bytes().size() - 1));
       },
       3, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImageList list;
    DWORD ia = list.add("a");
    DWORD ib = list.add("b");
    DWORD ic = list.add("c");
    c.damage(list, ia, ib, ic);
    // A block of exactly the image's size, so a read past it shows under the sanitizer.
    std::size_t size = list.bytes().size();
    auto exact = std::make_unique<BYTE[]>(size);
    std::memcpy(exact.get(), list.bytes().data(), size);
    ymcko::image_item head =
        ymcko::image_list(ymcko::ppd_view({exact.get(), size}), ImageList::HEAD);
    EXPECT_EQ(LISTOBJ_Count(head), c.count);
    EXPECT_EQ(!LISTOBJ_Find(head, "b").is_null(), c.b_found);
    EXPECT_TRUE(LISTOBJ_FindIndexed(head, c.count).is_null());
  }
}

TEST(Lists, ImageHeadOutsideTheImageIsAnEmptyList) {
  ImageList list;
  list.add("a");
  EXPECT_EQ(LISTOBJ_Count(ymcko::image_list(ymcko::ppd_view(list.bytes()), 0xFFFFFFFE)), 0u);
  std::vector<BYTE> tiny(3, 0xFF);
  EXPECT_EQ(LISTOBJ_Count(ymcko::image_list(ymcko::ppd_view(tiny), 0)), 0u);
}

}  // namespace
