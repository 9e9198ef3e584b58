#pragma once
// The load dialog's model ("LoadDlg"): where a user chooses, for one device, the source
// file, its format, the source range, the destination and the fill byte. It holds the
// dialog's field texts and states and runs its reactions; a widget front end only mirrors
// them. The dialog loads nothing: Load validates and writes [LoadDlg] and [DeviceN], which
// the load pipeline reads at the next run.

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "image/load_pipeline.h"

namespace zarvo {

// The parts of a device panel the dialog reads or sets: its start-address edit
// (Win_addr_N) and its IC-type list (Win_Type_N). Devices are 1..4.
class PanelFields {
 public:
  virtual ~PanelFields() = default;
  virtual std::string addressText(int device) const = 0;
  virtual void setAddressText(int device, const std::string& text) = 0;
  virtual int typeItem(int device) const = 0;
  virtual void setTypeItem(int device, int item) = 0;
};

// Panel fields kept in memory, for the terminal program and tests.
class StoredPanelFields : public PanelFields {
 public:
  std::string addressText(int device) const override;
  void setAddressText(int device, const std::string& text) override;
  int typeItem(int device) const override;
  void setTypeItem(int device, int item) override;

  std::array<std::string, 4> address{"0000000", "0000000", "0000000", "0000000"};
  std::array<int, 4> type{0, 0, 0, 0};
};

// The four hexadecimal entry fields.
enum class HexField { SourceSAdd, SourceEAdd, DistSAdd, UserFill };

// Key-press filter: 0-9, A-F and backspace pass, a-f pass as upper case, others are dropped.
std::optional<char> FilterHexKey(char key);
// Change filter: cut to maxLength, then at the first character that is not a hex digit.
std::string FilterHexText(std::string text, size_t maxLength);
// Text that reaches a field from elsewhere (a panel's address edit): the key filter's case
// and the change filter, so "1fgx2345678" becomes "1F".
std::string FilterHexPaste(std::string text, size_t maxLength);
inline constexpr char kBackspace = '\b';

// What a confirmed Load hands to window mode; all numbers as decimal text.
struct DialogHandOver {
  bool used = false;
  std::string fileName;
  std::string format;
  std::string sourceStart, sourceEnd, destination;
  bool fillFlag = true;
  std::string fillByte;
};

class LoadDialog {
 public:
  // Creation: copies the selected device's keys into [LoadDlg] (rs.SelectedDevice 1..4;
  // any other value writes an empty [LoadDlg] Name). A dialog that will be shown also
  // fills its fields from the file found; the load pipeline's unshown dialog skips that,
  // since nobody sees those fields. panels may be null (no panel to read or set).
  LoadDialog(LoadContext& ctx, PanelFields* panels, bool shown = true);

  // NameEdit: typing a name (or Browse choosing one) sets the file fields from that file.
  const std::string& nameText() const { return name_; }
  void setNameText(const std::string& name);
  void browseChose(const std::string& path) { setNameText(path); }
  // A file given without the dialog on screen (dropped on a device panel): its name, its
  // fields and its detected format, as the dialog shows a device's file when it opens.
  void takeFile(const std::string& path);

  // The hexadecimal fields: a typed key runs the key filter then the change filter; text
  // set as a whole (a paste, code) runs the change filter only.
  const std::string& fieldText(HexField f) const { return fields_[Index(f)]; }
  void typeKey(HexField f, char key);
  void setFieldText(HexField f, const std::string& text);
  bool fieldEnabled(HexField f) const { return enabled_[Index(f)]; }

  // FormatGroup: item index (-1 for none selected) and its click reaction.
  int formatItem() const { return format_; }
  void clickFormat(int item);

  bool fillChecked() const { return fillChecked_; }
  void setFillChecked(bool on) { fillChecked_ = on; }

  // Load: validates, writes the keys, hands over. False when refused (the dialog stays
  // open) or when the settings file cannot be written.
  bool load();
  // Cancel: LoadCancelled set, [LoadDlg] OK = "0", closed.
  void cancel();

  bool accepted() const { return accepted_; }
  bool closed() const { return closed_; }
  const DialogHandOver& handOver() const { return handOver_; }
  int device() const { return device_; }

 private:
  static size_t Index(HexField f) { return static_cast<size_t>(f); }
  void setFileFields(const std::string& name);
  void fillFromFile(const std::string& name);
  // Writes keys in one rewrite; a refused write is shown once per Load.
  bool writeKeys(std::vector<Profile::Entry> entries);
  void refuse(const std::string& title);

  LoadContext& ctx_;
  PanelFields* panels_;
  int device_ = 0;  // 1..4, or 0 for none
  std::string name_;
  std::array<std::string, 4> fields_{"0000000", "0000000", "0000000", "FF"};
  std::array<bool, 4> enabled_{true, true, true, true};
  int format_ = 0;
  bool fillChecked_ = true;
  bool accepted_ = false;
  bool closed_ = false;
  bool writeFailed_ = false;
  DialogHandOver handOver_;
};

}  // namespace zarvo
