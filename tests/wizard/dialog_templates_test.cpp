// The page templates as they are compiled into the program, read back from
// the resource data and compared with the layout the pages rely on.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Item {
  DWORD style;
  short x, y, cx, cy;
  int id;
  std::string className;
  std::string text;
};

struct Template {
  DWORD style;
  DWORD exStyle;
  short x, y, cx, cy;
  std::string caption;
  int pointSize;
  std::string font;
  std::vector<Item> items;
};

class Reader {
 public:
  explicit Reader(const BYTE* at) : at_(at), start_(at) {}
  WORD Word() {
    WORD value;
    memcpy(&value, at_, 2);
    at_ += 2;
    return value;
  }
  DWORD Dword() {
    DWORD value;
    memcpy(&value, at_, 4);
    at_ += 4;
    return value;
  }
  std::string Text() {  // a UTF-16 text, ASCII in these templates
    std::string text;
    for (WORD c; (c = Word()) != 0;) text += static_cast<char>(c);
    return text;
  }
  // A name or an ordinal (0xFFFF + number); predefined control classes come as ordinals.
  std::string NameOrOrdinal() {
    WORD first;
    memcpy(&first, at_, 2);
    if (first == 0xFFFF) {
      Word();
      switch (Word()) {
        case 0x80:
          return "BUTTON";
        case 0x81:
          return "EDIT";
        case 0x82:
          return "STATIC";
        case 0x83:
          return "LISTBOX";
        default:
          return "?";
      }
    }
    return Text();
  }
  void AlignDword() {
    while ((at_ - start_) % 4) ++at_;
  }

 private:
  const BYTE* at_;
  const BYTE* start_;
};

Template Load(int id) {
  HRSRC resource = FindResourceA(NULL, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
  EXPECT_TRUE(resource != NULL) << id;
  Template t = {};
  if (!resource) return t;
  Reader in(static_cast<const BYTE*>(LockResource(LoadResource(NULL, resource))));
  t.style = in.Dword();
  t.exStyle = in.Dword();
  WORD count = in.Word();
  t.x = in.Word(), t.y = in.Word(), t.cx = in.Word(), t.cy = in.Word();
  EXPECT_EQ("", in.NameOrOrdinal()) << "no menu";
  EXPECT_EQ("", in.NameOrOrdinal()) << "default class";
  t.caption = in.Text();
  t.pointSize = in.Word();
  t.font = in.Text();
  for (WORD i = 0; i < count; ++i) {
    in.AlignDword();
    Item item;
    item.style = in.Dword();
    in.Dword();  // extended style
    item.x = in.Word(), item.y = in.Word(), item.cx = in.Word(), item.cy = in.Word();
    item.id = static_cast<short>(in.Word());
    item.className = in.NameOrOrdinal();
    item.text = in.NameOrOrdinal();
    WORD extra = in.Word();
    EXPECT_EQ(0, extra);
    t.items.push_back(item);
  }
  return t;
}

void ExpectFrame(const Template& t, short height, const char* caption) {
  EXPECT_EQ(0x80C808C0u, t.style);
  EXPECT_EQ(0u, t.exStyle);
  EXPECT_EQ(50, t.x);
  EXPECT_EQ(50, t.y);
  EXPECT_EQ(276, t.cx);
  EXPECT_EQ(height, t.cy);
  EXPECT_EQ(caption, t.caption);
  EXPECT_EQ(8, t.pointSize);
  EXPECT_EQ("MS Sans Serif", t.font);
}

#define EXPECT_ITEM(item, id_, class_, x_, y_, cx_, cy_, style_)                    \
  do {                                                                              \
    EXPECT_EQ(id_, (item).id);                                                      \
    EXPECT_EQ(class_, (item).className);                                            \
    EXPECT_EQ(x_, (item).x);                                                        \
    EXPECT_EQ(y_, (item).y);                                                        \
    EXPECT_EQ(cx_, (item).cx);                                                      \
    EXPECT_EQ(cy_, (item).cy);                                                      \
    EXPECT_EQ(static_cast<DWORD>(style_), (item).style) << "control " << (item).id; \
  } while (0)

TEST(DialogTemplates, LicencePage) {
  Template t = Load(101);
  ExpectFrame(t, 140, "Quillbar Setup");
  ASSERT_EQ(2u, t.items.size());
  EXPECT_ITEM(t.items[0], 1008, "LISTBOX", 11, 15, 261, 123, 0x50B10101);
  EXPECT_EQ("", t.items[0].text);
  EXPECT_ITEM(t.items[1], -1, "STATIC", 8, 3, 254, 8, 0x50020000);
  EXPECT_NE(std::string::npos, t.items[1].text.find("Next"));
  EXPECT_NE(std::string::npos, t.items[1].text.find("Cancel"));
}

TEST(DialogTemplates, FolderPage) {
  Template t = Load(103);
  ExpectFrame(t, 140, "Choose Folder for Quillbar");
  ASSERT_EQ(6u, t.items.size());
  EXPECT_ITEM(t.items[0], 1001, "EDIT", 15, 23, 237, 16, 0x50810080);
  EXPECT_ITEM(t.items[1], -1, "STATIC", 15, 5, 245, 17, 0x50020000);  // two lines
  EXPECT_EQ("Enter folder for Quillbar program and files and then press Next to start install.",
            t.items[1].text);
  EXPECT_ITEM(t.items[2], 1002, "BUTTON", 15, 42, 77, 14, 0x50010000);
  EXPECT_EQ("&Browse for Folder", t.items[2].text);
  EXPECT_ITEM(t.items[3], 1009, "EDIT", 16, 92, 237, 16, 0x50810080);
  EXPECT_ITEM(t.items[4], 1010, "BUTTON", 16, 111, 92, 14, 0x50010000);
  EXPECT_EQ("Browse for &Config Folder", t.items[4].text);
  EXPECT_ITEM(t.items[5], 1011, "BUTTON", 16, 78, 204, 10, 0x50010003);
  EXPECT_EQ("Use a separate folder for configuration files", t.items[5].text);
}

TEST(DialogTemplates, ShortcutsPage) {
  Template t = Load(104);
  ExpectFrame(t, 122, "Quillbar Shortcuts");
  ASSERT_EQ(7u, t.items.size());
  EXPECT_ITEM(t.items[0], 1003, "BUTTON", 29, 29, 156, 11, 0x50010003);
  EXPECT_EQ("&Start Menu", t.items[0].text);
  EXPECT_ITEM(t.items[1], 1004, "BUTTON", 29, 45, 144, 11, 0x50010003);
  EXPECT_EQ("&Programs submenu of Start Menu", t.items[1].text);
  EXPECT_ITEM(t.items[2], 1005, "BUTTON", 29, 61, 151, 11, 0x50010003);
  EXPECT_EQ("Q&uillbar submenu of Programs Menu", t.items[2].text);
  EXPECT_ITEM(t.items[3], 1006, "BUTTON", 29, 77, 157, 11, 0x50010003);
  EXPECT_EQ("&Desktop", t.items[3].text);
  EXPECT_ITEM(t.items[4], 1007, "BUTTON", 20, 106, 74, 14, 0x50010000);
  EXPECT_EQ("&View Read Me File", t.items[4].text);
  EXPECT_ITEM(t.items[5], -1, "BUTTON", 20, 17, 211, 73, 0x50000007);
  EXPECT_EQ(" Put Quillbar shortcuts on ... ", t.items[5].text);
  EXPECT_ITEM(t.items[6], 1008, "BUTTON", 20, 4, 231, 11, 0x50010003);
  EXPECT_EQ("S&tart Quillbar when Windows starts (puts shortcut in Startup group)",
            t.items[6].text);
}

}  // namespace
