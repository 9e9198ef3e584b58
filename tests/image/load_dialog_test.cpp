#include "image/load_dialog.h"

#include <gtest/gtest.h>

#include "image/tables.h"
#include "pipeline_fixture.h"

namespace zarvo {
namespace {

using test::PipelineTest;
using test::RandomBytes;
using Bytes = std::vector<uint8_t>;

TEST(LoadDialogFilters, KeysTypedAndTextPasted) {
  struct Case {
    const char* input;
    bool typed;
    HexField field;
    const char* result;
  } cases[] = {
      {"1g2", true, HexField::SourceSAdd, "12"},       // g dropped at the key
      {"1g2", false, HexField::SourceSAdd, "1"},       // pasted: cut at g
      {"abc", true, HexField::DistSAdd, "ABC"},        // a-f pass as upper case
      {"abc", false, HexField::DistSAdd, "abc"},       // a paste keeps its case (hex all the same)
      {"123456789", true, HexField::SourceEAdd, "1234567"},
      {"123456789", false, HexField::SourceEAdd, "1234567"},
      {"12\b3", true, HexField::SourceSAdd, "13"},     // backspace
      {"fff", true, HexField::UserFill, "FF"},
      {"x7", false, HexField::UserFill, ""},
      {"1 2", true, HexField::SourceSAdd, "12"},
  };
  test::TempDir dir;
  Profile profile(dir.file("s.ini"));
  ImageBuffer image;
  RunState rs;
  test::RecordingUi ui;
  LoadContext ctx{image, rs, profile, ui};
  for (const Case& c : cases) {
    LoadDialog dlg(ctx, nullptr);
    dlg.setFieldText(c.field, "");
    if (c.typed) {
      for (const char* k = c.input; *k; ++k) dlg.typeKey(c.field, *k);
    } else {
      dlg.setFieldText(c.field, c.input);
    }
    EXPECT_EQ(dlg.fieldText(c.field), c.result) << c.input << (c.typed ? " typed" : " pasted");
  }
}

TEST(LoadDialogFilters, KeyFilterByItself) {
  EXPECT_EQ(FilterHexKey('a'), 'A');
  EXPECT_EQ(FilterHexKey('F'), 'F');
  EXPECT_EQ(FilterHexKey(kBackspace), kBackspace);
  EXPECT_FALSE(FilterHexKey('g'));
  EXPECT_FALSE(FilterHexKey('x'));
  EXPECT_FALSE(FilterHexKey('-'));
  EXPECT_EQ(FilterHexText("12345678", 7), "1234567");
  EXPECT_EQ(FilterHexText("1G", 7), "1");
}

class LoadDialogTest : public PipelineTest {
 protected:
  // A dialog with a file of n bytes typed into it; Binary chosen so every field is open.
  LoadDialog& open(size_t n, int device = 0) {
    file = dir.write("fw.bin", RandomBytes(n, 5));
    rs.SelectedDevice = device;
    LoadContext c = ctx();
    ctxHolder = std::make_unique<LoadContext>(c);
    dlg = std::make_unique<LoadDialog>(*ctxHolder, &panels);
    dlg->setNameText(file);
    dlg->clickFormat(kFormatBinary);
    return *dlg;
  }
  std::string file;
  StoredPanelFields panels;
  std::unique_ptr<LoadContext> ctxHolder;
  std::unique_ptr<LoadDialog> dlg;
};

TEST_F(LoadDialogTest, NameSetsTheFileFields) {
  LoadDialog& d = open(0x1234);
  EXPECT_EQ(d.fieldText(HexField::SourceSAdd), "000000");
  EXPECT_EQ(d.fieldText(HexField::SourceEAdd), "0001233");
}

TEST_F(LoadDialogTest, ValidationOrderAndTitles) {
  struct Case {
    const char *s, *e, *d;
    bool missingFile;
    const char* text;   // "" when accepted
    const char* title;
  } cases[] = {
      {"0", "100", "0", true, "Not Found File ! ", "ERROR"},
      {"100", "100", "0", false, "Input Value Error !", "Error"},        // S < E first
      {"2000", "1000", "F00001", false, "Input Value Error !", "Error"},  // ... before the others
      {"1001", "1002", "0", false, "Input Value Error !", "ERROR"},       // S > L
      {"0", "1001", "0", false, "Input Value Error !", "ERROR"},          // E > L
      {"0", "1000", "F00001", false, "Input Value Error !", "ERROR"},     // D > F00000
      {"0", "1000", "F00000", false, "", ""},                             // E = L accepted
      {"FFF", "1000", "0", false, "", ""},
  };
  for (const Case& c : cases) {
    ui.boxes.clear();
    LoadDialog& d = open(0x1000);
    if (c.missingFile) d.setNameText(dir.file("missing.bin"));
    d.setFieldText(HexField::SourceSAdd, c.s);
    d.setFieldText(HexField::SourceEAdd, c.e);
    d.setFieldText(HexField::DistSAdd, c.d);
    const bool accepted = d.load();
    EXPECT_EQ(accepted, std::string(c.text).empty()) << c.s << " " << c.e << " " << c.d;
    EXPECT_EQ(d.closed(), accepted);
    if (accepted) {
      EXPECT_TRUE(ui.boxes.empty());
      continue;
    }
    ASSERT_EQ(ui.boxes.size(), 1u) << c.s << " " << c.e << " " << c.d;
    EXPECT_EQ(ui.boxes[0].text, c.text);
    EXPECT_EQ(ui.boxes[0].title, c.title);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Error);
    EXPECT_EQ(d.fieldText(HexField::SourceSAdd), c.s);  // entries unchanged
  }
}

TEST_F(LoadDialogTest, LoadWritesLoadDlgAndTheDeviceSection) {
  LoadDialog& d = open(0x3000, 2);
  d.setFieldText(HexField::SourceSAdd, "10");
  d.setFieldText(HexField::SourceEAdd, "2FFF");
  d.setFieldText(HexField::DistSAdd, "400");
  d.setFieldText(HexField::UserFill, "a5");
  d.setFillChecked(false);
  ASSERT_TRUE(d.load());
  for (const char* section : {keys::kLoadDlg, "Device2"}) {
    EXPECT_EQ(key(keys::kSourceSAdd, section), "16") << section;
    EXPECT_EQ(key(keys::kSourceEAdd, section), "12287") << section;
    EXPECT_EQ(key(keys::kDistSAdd, section), "1024") << section;
    EXPECT_EQ(key(keys::kUserFill, section), "165") << section;
    EXPECT_EQ(key(keys::kFormat, section), "3") << section;
    EXPECT_EQ(key(keys::kUnuserFillCheck, section), "0") << section;
    EXPECT_EQ(key(keys::kName, section), file) << section;
    EXPECT_EQ(key(keys::kOk, section), "1") << section;
  }
  EXPECT_EQ(key(keys::kName, "Device1"), "<missing>");
  EXPECT_EQ(panels.addressText(2), "0000010");
  EXPECT_EQ(panels.addressText(1), "0000000");
  const DialogHandOver& h = d.handOver();
  EXPECT_TRUE(h.used);
  EXPECT_EQ(h.fileName, file);
  EXPECT_EQ(h.format, "3");
  EXPECT_EQ(h.sourceStart, "16");
  EXPECT_EQ(h.sourceEnd, "12287");
  EXPECT_EQ(h.destination, "1024");
  EXPECT_FALSE(h.fillFlag);
  EXPECT_EQ(h.fillByte, "165");
  EXPECT_EQ(image.request().destination, "1024");
}

TEST_F(LoadDialogTest, WithoutADeviceOnlyLoadDlgIsWritten) {
  LoadDialog& d = open(0x100, 0);
  ASSERT_TRUE(d.load());
  EXPECT_EQ(key(keys::kOk), "1");
  for (const char* s : {"Device1", "Device2", "Device3", "Device4"}) EXPECT_EQ(key(keys::kName, s), "<missing>");
}

// Auto Detect picks the smallest IC that holds the whole selected range: the end field
// names the last byte (its default is L - 1), or the file length itself; past 1 MiB the
// largest IC, whatever range an earlier run left.
TEST_F(LoadDialogTest, AutoDetectTypeChoosesTheIcThatHoldsTheRange) {
  struct Case {
    size_t file;
    uint32_t start, end;  // the source fields
    int item;
    uint32_t range;
  } cases[] = {
      {0x100000, 0, 0x7FF, 0, 0x800},      {0x100000, 0, 0x800, 1, 0x1000},
      {0x100000, 0x100, 0x8FF, 0, 0x800},  {0x100000, 0, 0x9C3F, 5, 0x10000},
      {0x100000, 0, 0x80001, 9, 0x100000}, {4097, 0, 4096, 2, 0x2000},  // the default end: L - 1
      {4096, 0, 4096, 1, 0x1000},  // an end equal to the file length is one past its last byte
      {0x100002, 0, 0x100001, 9, 0x100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.file) + " " + Hex7(c.end));
    rs = RunState{};
    rs.EmulationRange = 0x800;  // what a smaller file's run left
    panels.setTypeItem(3, 9);
    LoadDialog& d = open(c.file, 3);
    d.setFieldText(HexField::SourceSAdd, Hex7(c.start));
    d.setFieldText(HexField::SourceEAdd, Hex7(c.end));
    ASSERT_TRUE(d.load());
    EXPECT_EQ(panels.typeItem(3), c.item);
    EXPECT_EQ(rs.EmulationRange, c.range);
  }
  // A type chosen by the user is kept.
  rs = RunState{};
  panels.setTypeItem(3, 2);
  LoadDialog& d = open(0x1000, 3);
  ASSERT_TRUE(d.load());
  EXPECT_EQ(panels.typeItem(3), 2);
  EXPECT_EQ(rs.EmulationRange, 0u);
}

TEST_F(LoadDialogTest, LoadGrowsTheImageToTheDownloadSize) {
  rs.IcSize = 0x10000;
  LoadDialog& d = open(0x100);
  ASSERT_TRUE(d.load());
  EXPECT_EQ(rs.SizeHighWater, 0x10000u);
  EXPECT_GE(image.size(), 0x10000u + 1024);

  LoadDialog& big = open(0x30000);
  ASSERT_TRUE(big.load());
  EXPECT_EQ(rs.SizeHighWater, 0x2FFFFu);
  EXPECT_GE(image.size(), 0x2FFFFu + 1024);
}

TEST_F(LoadDialogTest, CancelAfterARefusedLoadStillClearsOk) {
  profile.writeText(keys::kLoadDlg, keys::kOk, "1");
  LoadDialog& d = open(0x100);
  d.setFieldText(HexField::SourceSAdd, "200");
  EXPECT_FALSE(d.load());
  EXPECT_FALSE(d.closed());
  EXPECT_EQ(key(keys::kOk), "1");
  d.cancel();
  EXPECT_TRUE(d.closed());
  EXPECT_TRUE(rs.LoadCancelled);
  EXPECT_EQ(key(keys::kOk), "0");

  // ... so the next window-mode load loads nothing.
  ui.page = Page::Window;
  image.request().fileName = file;
  rs.StartText = "0x0";
  LoadContext c = ctx();
  EXPECT_FALSE(LoadImage(c));
  // And a Load clears the cancelled mark.
  LoadDialog& again = open(0x100);
  ASSERT_TRUE(again.load());
  EXPECT_FALSE(rs.LoadCancelled);
}

TEST_F(LoadDialogTest, FormatGroupEnablingRule) {
  struct Case {
    int item;
    bool fieldsOpen;
    bool checks;
  } cases[] = {{0, false, false}, {1, true, false}, {2, true, false}, {3, true, false},
               {4, false, true},  {5, false, true}, {6, false, true},  {7, false, true}};
  for (const Case& c : cases) {
    LoadDialog& d = open(0x100);
    d.setFieldText(HexField::DistSAdd, "123");
    d.setFillChecked(false);
    d.clickFormat(c.item);
    EXPECT_EQ(d.formatItem(), c.item);
    for (HexField f : {HexField::SourceSAdd, HexField::SourceEAdd, HexField::DistSAdd}) {
      EXPECT_EQ(d.fieldEnabled(f), c.fieldsOpen) << c.item;
    }
    EXPECT_EQ(d.fieldText(HexField::DistSAdd), c.fieldsOpen ? "123" : "0000000") << c.item;
    EXPECT_EQ(d.fillChecked(), c.checks) << c.item;
    EXPECT_TRUE(d.fieldEnabled(HexField::UserFill));
  }
}

TEST_F(LoadDialogTest, CreationCopiesTheDevicesKeys) {
  const std::string fw = dir.write("dev.bin", RandomBytes(0x500, 2));
  profile.writeText("Device4", keys::kName, fw);
  profile.writeText("Device4", keys::kUserFill, "90");
  profile.writeText("Device4", keys::kUnuserFillCheck, "0");
  panels.setAddressText(4, "0000020");
  rs.SelectedDevice = 4;
  LoadContext c = ctx();
  LoadDialog d(c, &panels);
  EXPECT_EQ(key(keys::kName), fw);
  EXPECT_EQ(key(keys::kUserFill), "90");
  EXPECT_EQ(key(keys::kUnuserFillCheck), "0");
  EXPECT_EQ(d.nameText(), fw);
  EXPECT_EQ(d.fieldText(HexField::UserFill), "5A");
  EXPECT_FALSE(d.fillChecked());
  EXPECT_EQ(d.fieldText(HexField::SourceSAdd), "0000020");
  EXPECT_EQ(d.fieldText(HexField::SourceEAdd), "00004FF");
  EXPECT_EQ(d.fieldText(HexField::DistSAdd), "0000000");
  EXPECT_EQ(d.formatItem(), static_cast<int>(kFormatBinary));

  // A panel's address edit without a filter (panels 2 to 4): the field takes what it could hold.
  for (auto [typed, shown] : {std::pair{"1fgx2345678", "1F"}, {"abcdef01", "ABCDEF0"}, {"x1", ""}}) {
    panels.setAddressText(4, typed);
    LoadDialog filtered(c, &panels);
    EXPECT_EQ(filtered.fieldText(HexField::SourceSAdd), shown) << typed;
  }

  // No device selected: an empty name, and nothing read from any device.
  rs.SelectedDevice = 0;
  LoadDialog none(c, &panels);
  EXPECT_EQ(key(keys::kName), "");
  EXPECT_EQ(none.nameText(), "");
  EXPECT_EQ(none.fieldText(HexField::UserFill), "FF");
}

TEST_F(LoadDialogTest, AFileTakenWithoutTheDialogBringsItsFieldsAndFormat) {
  // The device last had a binary; a HEX file given instead is detected, not read as binary.
  const std::string bin = dir.write("dev.bin", RandomBytes(0x500, 2));
  const std::string hex = dir.writeText("new.hex", ":0400000001020304F2\r\n:00000001FF\r\n");
  profile.writeText("Device2", keys::kName, bin);
  rs.SelectedDevice = 2;
  LoadContext c = ctx();
  LoadDialog d(c, &panels);
  ASSERT_EQ(d.formatItem(), static_cast<int>(kFormatBinary));
  d.takeFile(hex);
  EXPECT_EQ(d.nameText(), hex);
  EXPECT_EQ(d.formatItem(), 4);
  EXPECT_EQ(d.fieldText(HexField::SourceEAdd), Hex7(static_cast<uint32_t>(FileLength(hex) - 1)));
  ASSERT_TRUE(d.load());
  EXPECT_EQ(profile.readText("Device2", keys::kName, ""), hex);
  EXPECT_EQ(profile.readText("Device2", keys::kFormat, ""), "4");
}

}  // namespace
}  // namespace zarvo
