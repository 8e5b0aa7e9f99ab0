#include "tests/editors_core/edit_fixture.h"

namespace {

// A provider whose defaults the tests set.
class FakeProvider : public TcxCustomEditDefaultValuesProvider {
public:
  FakeProvider() : TcxCustomEditDefaultValuesProvider(nullptr) {}
  TAlignment DefaultAlignment() override { return Alignment; }
  bool DefaultReadOnly() override { return ReadOnly; }
  bool DefaultCanModify() override { return CanModify; }
  TAlignment Alignment = taRightJustify;
  bool ReadOnly = true;
  bool CanModify = false;
};

struct ChangeCounter {
  int count = 0;
  void Changed(TObject*) { ++count; }
};

TEST_F(EditTest, PropertiesNotifyOnceAtTheOutermostUpdate) {
  TestEditProperties p(nullptr);
  ChangeCounter counter;
  p.OnPropertiesChanged = TNotifyEvent(&counter, &ChangeCounter::Changed);
  p.EndUpdate();
  EXPECT_EQ(0, p.UpdateCount());
  EXPECT_EQ(0, counter.count);
  p.BeginUpdate();
  p.BeginUpdate();
  p.SetAutoSelect(false);
  p.SetReadOnly(true);
  p.EndUpdate();
  EXPECT_EQ(0, counter.count);
  p.EndUpdate();
  EXPECT_EQ(1, counter.count);
  // Equal values notify nobody.
  p.SetAutoSelect(false);
  p.SetReadOnly(true);
  EXPECT_EQ(1, counter.count);
  p.SetChangedLocked(true);
  p.SetButtonsViewStyle(bvsButtonsOnly);
  EXPECT_EQ(1, counter.count);
}

TEST_F(EditTest, PropertiesDefaultsFollowTheProviderUntilAssigned) {
  TestEditProperties p(nullptr);
  EXPECT_TRUE(p.AutoSelect());
  EXPECT_EQ(16397, p.ClickKey());
  EXPECT_EQ(0, p.ClearKey());
  EXPECT_FALSE(p.ReadOnly());
  EXPECT_TRUE(p.CanModify());
  FakeProvider provider;
  p.SetIDefaultValuesProvider(&provider);
  EXPECT_TRUE(p.ReadOnly());
  EXPECT_FALSE(p.CanModify());
  EXPECT_EQ(taRightJustify, p.Alignment()->Horz());
  EXPECT_FALSE(p.IsAlignmentStored());
  EXPECT_FALSE(p.IsReadOnlyStored());
  p.SetReadOnly(false);
  EXPECT_FALSE(p.ReadOnly());
  EXPECT_TRUE(p.CanModify());
  EXPECT_TRUE(p.IsReadOnlyStored());
  // Changing the alignment's copy writes it back and marks it assigned.
  p.Alignment()->SetHorz(taCenter);
  provider.Alignment = taLeftJustify;
  EXPECT_EQ(taCenter, p.Alignment()->Horz());
  EXPECT_TRUE(p.IsAlignmentStored());
  p.RestoreDefaults();
  EXPECT_EQ(taLeftJustify, p.Alignment()->Horz());
  EXPECT_TRUE(p.ReadOnly());
}

TEST_F(EditTest, ProviderThatGoesClearsItsUsers) {
  TestEditProperties p(nullptr);
  {
    FakeProvider provider;
    p.SetIDefaultValuesProvider(&provider);
    EXPECT_TRUE(p.ReadOnly());
  }
  EXPECT_EQ(nullptr, p.IDefaultValuesProvider());
  EXPECT_FALSE(p.ReadOnly());
}

TEST_F(EditTest, AssignCopiesSettingsAndEvents) {
  TestEditProperties a(nullptr), b(nullptr);
  a.SetAutoSelect(false);
  a.SetReadOnly(true);
  a.SetClearKey(46);
  a.SetValidateOnEnter(true);
  a.Buttons()->Add()->SetKind(bkEllipsis);
  a.OnChange = TNotifyEvent(this, &EditTest::OnChange);
  b.Assign(&a);
  EXPECT_FALSE(b.AutoSelect());
  EXPECT_TRUE(b.ReadOnly());
  EXPECT_EQ(46, b.ClearKey());
  EXPECT_TRUE(b.ValidateOnEnter());
  ASSERT_EQ(1, b.Buttons()->Count());
  EXPECT_EQ(bkEllipsis, b.Buttons()->Items(0)->Kind());
  EXPECT_TRUE(b.OnChange == a.OnChange);
  EXPECT_EQ(esoButtonClick, b.GetSupportedOperations());
}

TEST_F(EditTest, ValueChangeEventOrder) {
  struct Case {
    const char* name;
    bool compares, ownChangeEvent;
    Variant from, to;
    std::vector<std::string> expected;
  };
  const std::vector<Case> cases = {
      {"compared change", true, false, Variant(1), Variant(2), {"OnEditValueChanged", "OnChange"}},
      {"equal value", true, false, Variant(1), Variant(1), {}},
      {"integer replaces double", true, false, Variant(1.0), Variant(1), {"OnEditValueChanged", "OnChange"}},
      {"own change event", true, true, Variant(1), Variant(2), {"OnEditValueChanged"}},
      {"not compared", false, false, Variant(1), Variant(2), {}},
  };
  TestEdit* edit = MakeEdit();
  for (const Case& c : cases) {
    edit->TestProperties()->Compares = c.compares;
    edit->TestProperties()->OwnChangeEvent = c.ownChangeEvent;
    edit->SetEditValue(c.from);
    Listen(edit->Properties());
    log.clear();
    edit->SetEditValue(c.to);
    EXPECT_EQ(c.expected, log) << c.name;
    edit->Properties()->OnChange = nullptr;
    edit->Properties()->OnEditValueChanged = nullptr;
  }
}

TEST_F(EditTest, LockedChangesFireOnceAtUnlock) {
  TestEdit* edit = MakeEdit();
  Listen(edit->Properties());
  edit->LockChangeEvents(true);
  edit->LockChangeEvents(true);
  for (int i = 1; i <= 3; ++i)
    edit->SetEditValue(Variant(i));
  EXPECT_TRUE(log.empty());
  edit->LockChangeEvents(false);
  EXPECT_TRUE(log.empty());
  edit->LockChangeEvents(false);
  EXPECT_EQ((std::vector<std::string>{"OnChange", "OnEditValueChanged"}), log);
  log.clear();
  edit->LockChangeEvents(false);
  EXPECT_TRUE(log.empty());
  // Unlocking without invoking drops what was recorded.
  edit->LockChangeEvents(true);
  edit->SetEditValue(Variant(10));
  edit->LockChangeEvents(false, false);
  EXPECT_TRUE(log.empty());
}

TEST_F(EditTest, ChangeEventsLockIsReleasedWhenTheStepRaises) {
  TestEdit* edit = MakeEdit();
  Listen(edit->Properties());
  try {
    TcxChangeEventsLock lock(edit);
    edit->SetEditValue(Variant(5));
    throw Exception("step failed");
  } catch (const Exception&) {
  }
  EXPECT_FALSE(edit->ChangeEventsLocked());
  EXPECT_EQ((std::vector<std::string>{"OnChange", "OnEditValueChanged"}), log);
}

TEST_F(EditTest, EditValueAssignedInsideOnEditingIsIgnored) {
  TestEdit* edit = MakeEdit();
  edit->SetEditValue(Variant("before"));
  struct Handler {
    TestEdit* edit;
    bool allow;
    void Editing(TObject*, bool& CanEdit) {
      edit->SetEditValue(Variant("inside"));
      CanEdit = allow;
    }
  } handler{edit, false};
  edit->OnEditing = TcxEditEditingEvent(&handler, &Handler::Editing);
  edit->SetFocus();
  Pump();
  EXPECT_FALSE(edit->DoEditing());
  EXPECT_EQ("before", VarToStr(edit->EditValue()));
  edit->Type("typed");
  EXPECT_EQ("before", edit->Text);
  handler.allow = true;
  edit->Type("typed");
  EXPECT_EQ("typed", edit->Text);
  EXPECT_EQ("before", VarToStr(edit->EditValue()));
  EXPECT_TRUE(edit->ModifiedAfterEnter());
}

TEST_F(EditTest, ValidationErrorPutsTheCorrectedTextBackBeforeRaising) {
  TestEdit* edit = MakeEdit();
  edit->SetFocus();
  Pump();
  edit->Type("12x");
  struct Validator {
    TestEdit* edit;
    String textWhenRaised;
    void Validate(TObject*, Variant& DisplayValue, TCaption& ErrorText, bool& Error) {
      DisplayValue = Variant("12");
      ErrorText = "Digits only";
      Error = true;
    }
  } validator{edit, ""};
  edit->Properties()->OnValidate = TcxEditValidateEvent(&validator, &Validator::Validate);
  edit->Properties()->SetBeepOnError(true);
  platform::BeepLog().clear();
  try {
    edit->ValidateEdit();
    FAIL() << "validation did not raise";
  } catch (const EcxEditValidationError& e) {
    EXPECT_EQ("Digits only", e.Message());
    EXPECT_EQ("12", edit->Text);
  }
  EXPECT_EQ(1u, platform::BeepLog().size());
  EXPECT_FALSE(edit->IsEditValidated());
  // Without raising, the failure is only reported.
  edit->Type("12y");
  EXPECT_FALSE(edit->InternalValidateEdit(false));
  EXPECT_EQ("12", edit->Text);
}

TEST_F(EditTest, ValidationErrorWithoutChangeFallsBackToTheEditText) {
  TestEdit* edit = MakeEdit();
  edit->SetFocus();
  Pump();
  edit->Type("abc");
  struct Validator {
    Variant seen;
    void Validate(TObject*, Variant& DisplayValue, TCaption&, bool& Error) {
      seen = DisplayValue;
      Error = true;
    }
  } validator;
  edit->Properties()->OnValidate = TcxEditValidateEvent(&validator, &Validator::Validate);
  // A handler's error without a text fails quietly.
  EXPECT_FALSE(edit->ValidateEdit());
  EXPECT_EQ("abc", VarToStr(validator.seen));
  EXPECT_EQ("abc", edit->Text);
  // A passing validation applies the display value as the edit value.
  edit->Properties()->OnValidate = nullptr;
  EXPECT_TRUE(edit->ValidateEdit());
  EXPECT_EQ("abc", VarToStr(edit->EditValue()));
  EXPECT_TRUE(edit->IsEditValidated());
}

TEST_F(EditTest, DefaultValidationErrorText) {
  TestEditProperties p(nullptr);
  Variant value("x");
  TCaption text;
  bool error = true;
  p.ValidateDisplayValue(value, text, error, nullptr);
  EXPECT_EQ("Invalid input value. Use escape key to abandon changes", text);
  p.Validates = false;
  text.clear();
  p.ValidateDisplayValue(value, text, error, nullptr);
  EXPECT_EQ("", text);
}

TEST_F(EditTest, RepositoryItemSharesPropertiesAndGivesThemBackWhenRemoved) {
  TcxEditRepository repository(nullptr);
  auto* item =
      static_cast<TestEditRepositoryItem*>(repository.CreateItem(TestEditRepositoryItem::StaticClass()));
  EXPECT_EQ(1, repository.Count());
  EXPECT_EQ(&repository, item->Repository());
  TestEdit* edit = MakeEdit();
  edit->SetRepositoryItem(item);
  EXPECT_EQ(item->Properties(), edit->ActiveProperties());
  EXPECT_EQ(1, item->ListenerCount());
  item->AddListener(edit);
  EXPECT_EQ(1, item->ListenerCount());
  // Events fire on the own properties first, then on the item's.
  struct Order {
    std::vector<std::string> log;
    void Own(TObject*) { log.push_back("own"); }
    void Shared(TObject*) { log.push_back("item"); }
  } order;
  edit->Properties()->OnEditValueChanged = TNotifyEvent(&order, &Order::Own);
  item->Properties()->OnEditValueChanged = TNotifyEvent(&order, &Order::Shared);
  edit->SetEditValue(Variant(3));
  EXPECT_EQ((std::vector<std::string>{"own", "item"}), order.log);
  // A change of the shared properties reaches the edit.
  edit->SetEditValue(Variant(4));
  item->Properties()->SetReadOnly(true);
  EXPECT_FALSE(edit->CanModify());

  item->Free();
  EXPECT_EQ(nullptr, edit->RepositoryItem());
  EXPECT_EQ(0, repository.Count());
  EXPECT_EQ(edit->Properties(), edit->ActiveProperties());
  // The own properties have their listener again: a change of them reaches the edit.
  EXPECT_TRUE(edit->Properties()->OnPropertiesChanged.Assigned());
  ASSERT_TRUE(edit->ValidateEdit());
  EXPECT_TRUE(edit->IsEditValidated());
  edit->Properties()->SetAutoSelect(false);
  EXPECT_FALSE(edit->IsEditValidated());
}

TEST_F(EditTest, UnacceptableRepositoryItemRaisesAndKeepsTheCurrentOne) {
  TcxEditRepository repository(nullptr);
  auto* good = repository.CreateItem(TestEditRepositoryItem::StaticClass());
  auto* plain = repository.CreateItem(TcxEditRepositoryItem::StaticClass());
  TestEdit* edit = MakeEdit();
  edit->SetRepositoryItem(good);
  try {
    edit->SetRepositoryItem(plain);
    FAIL() << "accepted a repository item of a foreign properties class";
  } catch (const Exception& e) {
    EXPECT_EQ("The repository item is not acceptable", e.Message());
  }
  EXPECT_EQ(good, edit->RepositoryItem());
  edit->SetRepositoryItem(nullptr);
}

TEST_F(EditTest, RepositoryItemsMoveBetweenRepositories) {
  TcxEditRepository first(nullptr), second(nullptr);
  TcxEditRepositoryItem* a = first.CreateItem(TestEditRepositoryItem::StaticClass());
  TcxEditRepositoryItem* b = first.CreateItem(TestEditRepositoryItem::StaticClass());
  a->SetRepository(&second);
  EXPECT_EQ(1, first.Count());
  EXPECT_EQ(b, first.Items(0));
  EXPECT_EQ(1, second.Count());
  a->SetRepository(&second);
  EXPECT_EQ(1, second.Count());
  EXPECT_TRUE(a->HasParent());
  EXPECT_EQ(&second, a->GetParentComponent());
  EXPECT_EQ(GetDefaultEditRepository(), GetDefaultEditRepository());
}

TEST_F(EditTest, EditStyleValuesAndController) {
  TestEdit* edit = MakeEdit();
  TcxCustomEditStyle* base = edit->Style();
  auto* focused = static_cast<TcxCustomEditStyle*>(edit->StyleFocused());
  EXPECT_EQ(13, base->GetStyleValueCount());
  AnsiString name;
  ASSERT_TRUE(base->GetStyleValueName(11, name));
  EXPECT_EQ("ButtonTransparency", name);
  EXPECT_EQ(6776u, cxStyleValuesMask(base->GetBaseOnlyValues()));
  // The focused style's transparency is the base style's, both ways.
  focused->SetButtonTransparency(ebtAlways);
  EXPECT_EQ(ebtAlways, base->ButtonTransparency());
  EXPECT_TRUE(base->AssignedValues().Contains(svButtonTransparency));
  EXPECT_FALSE(focused->AssignedValues().Contains(svButtonTransparency));
  // A controller's button style reaches the styles that have none of their own.
  EXPECT_EQ(nullptr, base->StyleController());
  GetDefaultEditStyleController()->Style()->SetButtonStyle(btsFlat);
  EXPECT_EQ(btsFlat, base->ButtonStyle());
  base->SetButtonStyle(bts3D);
  EXPECT_EQ(bts3D, base->ButtonStyle());
  GetDefaultEditStyleController()->Style()->SetButtonStyle(btsDefault);
  // Popup close button lives on the base style.
  focused->SetPopupCloseButton(false);
  EXPECT_FALSE(base->PopupCloseButton());
  // An in-place edit's style has no controller, even after it is set to nil.
  auto* inplace = new TestEdit(form, true);
  EXPECT_EQ(nullptr, inplace->Style()->GetActiveStyleController());
  inplace->Style()->SetStyleController(nullptr);
  EXPECT_EQ(nullptr, inplace->Style()->GetActiveStyleController());
  EXPECT_EQ(GetDefaultEditStyleController(), edit->Style()->GetActiveStyleController());
}

TEST_F(EditTest, UnitRoutines) {
  EXPECT_TRUE(VarEqualsExact(Variant(1), Variant(1)));
  EXPECT_FALSE(VarEqualsExact(Variant(1), Variant(1.0)));
  EXPECT_TRUE(VarEqualsExact(Null, Null));
  for (char c : {' ', '\0', '\t', '\n', '\f', '\r'})
    EXPECT_TRUE(IsSpaceChar(c)) << int(c);
  EXPECT_FALSE(IsSpaceChar('a'));
  EXPECT_FALSE(IsSpaceChar('\v'));
  TSize s{3, 9};
  EnlargeSize(s, TSize{5, 2});
  EXPECT_EQ(5, s.cx);
  EXPECT_EQ(9, s.cy);
  TShiftState shift{ssShift};
  EXPECT_TRUE(ContainerMouseButtonToShift(cxmbRight, shift).Contains(ssRight));
  EXPECT_TRUE(ContainerMouseButtonToShift(cxmbRight, shift).Contains(ssShift));
  EXPECT_EQ(WPARAM(MK_SHIFT | MK_LBUTTON), ShiftStateToKeys(TShiftState{ssShift, ssLeft}));
  EXPECT_TRUE(cxIsAccel('o', "&Open"));
  EXPECT_FALSE(cxIsAccel('o', "&&Open"));
  TcxRegion empty;
  EXPECT_TRUE(IsRegionEmpty(&empty));
}

} // namespace
