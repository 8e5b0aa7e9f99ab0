#pragma once
// Editors on the headless display: the control units, the container and the editor base started as at
// program start, and a small editor that keeps its display text in a string, as text editors do.
#include <string>
#include <vector>

#include "editors/core/cxCheckBox.h"
#include "editors/core/cxEdit.h"
#include "editors/core/cxEditUtils.h"
#include "editors/core/cxMemo.h"
#include "editors/core/cxTextEdit.h"
#include "lookandfeel/cxContainer.h"
#include "tests/lookandfeel/control_fixture.h"

// Content as tall as one line of the style's font and as wide as the text.
class TestEditViewData : public TcxCustomEditViewData {
  PELVOR_CLASS(TestEditViewData, TcxCustomEditViewData)
  using TcxCustomEditViewData::TcxCustomEditViewData;
  void CalculateContentSize(TcxCanvas* ACanvas, const Variant& AEditValue, const TcxEditSizeProperties&,
                            TSize& ASize) override {
    ACanvas->SetFont(Style()->GetVisibleFont());
    ASize = TSize{ACanvas->TextWidth(VarToStr(AEditValue)), ACanvas->TextHeight("Zg")};
  }
};

class TestEditProperties : public TcxCustomEditProperties {
  PELVOR_CLASS(TestEditProperties, TcxCustomEditProperties)
  using TcxCustomEditProperties::TcxCustomEditProperties;
  bool CanValidate() const override { return Validates; }
  bool CanCompareEditValue() const override { return Compares; }
  bool CanResetEditValue() const override { return Resets; }
  bool HasOwnChangeEvent() const override { return OwnChangeEvent; }
  void GetDisplayText(const Variant& AEditValue, String& AText) override { AText = VarToStr(AEditValue); }
  TClass GetViewDataClass() const override { return TestEditViewData::StaticClass(); }
  bool Validates = true;
  bool Compares = true;
  bool Resets = true;
  bool OwnChangeEvent = false;
};

class TestEditRepositoryItem : public TcxEditRepositoryItem {
  PELVOR_CLASS(TestEditRepositoryItem, TcxEditRepositoryItem)
  explicit TestEditRepositoryItem(TComponent* AOwner) : TcxEditRepositoryItem(AOwner) { CreateProperties(); }
  TClass GetEditPropertiesClass() const override { return TestEditProperties::StaticClass(); }
};

class TestEdit : public TcxCustomEdit {
  PELVOR_CLASS(TestEdit, TcxCustomEdit)
  explicit TestEdit(TComponent* AOwner) : TcxCustomEdit(AOwner) { Initialize(); }
  TestEdit(TComponent* AOwner, bool AIsInplace) : TcxCustomEdit(AOwner, AIsInplace) { Initialize(); }
  TClass GetPropertiesClass() const override { return TestEditProperties::StaticClass(); }
  TestEditProperties* TestProperties() { return static_cast<TestEditProperties*>(Properties()); }

  // What the user types: the text changes and the edit hears of it from its inner control.
  void Type(const String& AText) {
    TcxFlagScope user(this, FIsUserChange);
    if (!DoEditing())
      return;
    Text = AText;
    ChangeHandler(this);
  }

  String Text;
  std::vector<std::string>* Log = nullptr;
  using TcxCustomEdit::DoEditing;
  using TcxCustomEdit::GetDisplayText;
  using TcxCustomEdit::KeyDown;
  using TcxCustomEdit::PropertiesChanged;

protected:
  String GetDisplayText() override { return Text; }
  void SetInnerDisplayValue(const Variant& Value) override { Text = VarToStr(Value); }
  void SynchronizeDisplayValue() override { Text = VarToStr(FEditValue); }
  void InternalSetDisplayValue(const Variant& Value) override { FEditValue = Value; }
  void SelectAll() override {
    if (Log)
      Log->push_back("SelectAll");
  }
  void DoButtonDown(int AButtonIndex) override {
    if (Log)
      Log->push_back("down " + std::to_string(AButtonIndex));
  }
  void DoButtonUp(int AButtonIndex) override {
    if (Log)
      Log->push_back("up " + std::to_string(AButtonIndex));
  }
};

class EditTest : public ControlTest {
protected:
  void SetUp() override {
    ControlTest::SetUp();
    cxEditUtilsInitialize();
    cxContainerInitialize();
    cxEditInitialize();
    cxCheckBoxInitialize();
  }
  void TearDown() override {
    if (form)
      form->Free();
    form = nullptr;
    cxCheckBoxFinalize();
    cxEditFinalize();
    cxContainerFinalize();
    cxEditUtilsFinalize();
    ControlTest::TearDown();
  }
  TestEdit* MakeEdit(int w = 120, int h = 21) {
    if (!form)
      form = ShowForm();
    auto* edit = new TestEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, w, h);
    Pump();
    return edit;
  }

public:
  // Handlers that write what they see into the log.
  void OnChange(TObject*) { log.push_back("OnChange"); }
  void OnEditValueChanged(TObject*) { log.push_back("OnEditValueChanged"); }
  void OnButtonClick(TObject*, int AIndex) { log.push_back("click " + std::to_string(AIndex)); }
  void Listen(TcxCustomEditProperties* p) {
    p->OnChange = TNotifyEvent(this, &EditTest::OnChange);
    p->OnEditValueChanged = TNotifyEvent(this, &EditTest::OnEditValueChanged);
    p->OnButtonClick = TcxEditButtonClickEvent(this, &EditTest::OnButtonClick);
  }

protected:
  static TColor PixelAt(TWinControl* c, int x, int y) {
    HDC dc = GetDC(c->Handle());
    const TColor color = TColor(GetPixel(dc, x, y));
    ReleaseDC(c->Handle(), dc);
    return color;
  }
  // What is seen at a client point of the control: its own pixel inside its window region (and outside its
  // children), the parent's elsewhere.
  static TColor ScreenPixelAt(TWinControl* c, int x, int y) {
    const TColor own = PixelAt(c, x, y);
    return own != TColor(CLR_INVALID) ? own : PixelAt(c->Parent(), c->Left() + x, c->Top() + y);
  }

  TForm* form = nullptr;
  std::vector<std::string> log;
};

// The text edit and the memo units started too; the form goes before them.
class TextEditorsTest : public EditTest {
protected:
  void SetUp() override {
    EditTest::SetUp();
    cxTextEditInitialize();
    cxMemoInitialize();
  }
  void TearDown() override {
    if (form)
      form->Free();
    form = nullptr;
    cxMemoFinalize();
    cxTextEditFinalize();
    EditTest::TearDown();
  }
};
